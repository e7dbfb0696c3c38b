#include "AppletTestSupport.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsTdxFileParser.h"

using namespace applet;
using namespace applettest;

namespace {

class ItemManagerTest : public ::testing::Test {
protected:
    ItemManagerTest()
    {
        auto parser = std::make_shared<clsTdxFileParser>();
        QString error;
        int32_t status = -1;
        parser->Load(kTdxKindDevice, WriteFile(dir, "test.tdx", TestDescription()), 1, error, status);
        EXPECT_EQ(status, 0) << error.toStdString();
        // Allocated apart from its reference count, so that a use after the
        // last reference shows under the address sanitizer even while weak
        // references remain.
        manager = std::shared_ptr<clsAppletItemManager>(
            new clsAppletItemManager(parser->GetDescription(), parser, std::weak_ptr<AppletHost>()));
    }
    ~ItemManagerTest() override
    {
        Pump();
        // A registered view and its manager hold each other; the host's
        // teardown ends that, here the fixture does.
        for (auto& view : views) {
            int32_t unused = 0;
            if (manager)
                manager->UnregisterView(view.get(), unused);
            view->manager.reset();
            view->onNotify = nullptr;
        }
    }

    std::shared_ptr<RecordingView> AddView(const QString& name)
    {
        auto view = std::make_shared<RecordingView>();
        view->name = name;
        view->log = &log;
        int32_t result = -1;
        manager->RegisterView(view, result);
        EXPECT_EQ(result, 0);
        views.push_back(view);
        return view;
    }
    // Refreshes of the registrations done so far are delivered and forgotten.
    void Settle()
    {
        Pump();
        log.clear();
        for (auto& v : views)
            v->notes.clear();
    }
    int32_t H(const QString& name) const { return manager->HandleOf(name); }

    QTemporaryDir dir;
    std::shared_ptr<clsAppletItemManager> manager;
    std::vector<std::shared_ptr<RecordingView>> views;
    QStringList log;
};

TEST_F(ItemManagerTest, NamesMatchWithoutCaseAndSubItemsInBothForms)
{
    auto view = AddView("A");
    const int32_t connect = view->Register("&&private&&connect");
    EXPECT_GT(connect, 0);
    EXPECT_EQ(view->Register("&&PRIVATE&&Connect"), connect);
    const int32_t state = view->Register("&&Sequence_State&&Upload");
    EXPECT_GT(state, 0);
    EXPECT_EQ(view->Register("upload&&sequence_state&&"), state);
    EXPECT_EQ(H("&&Record_Response_Control&&ReadTag"), H("ReadTag&&Record_Response_Control&&"));
    EXPECT_NE(H("&&Record_Response_Control&&ReadTag"), H("&&Record_Response&&ReadTag"));
    EXPECT_GT(H("&&Sequence_Progress&&Download"), 0);
    EXPECT_GT(H("&&Menu_State&&MainForm"), 0);
    EXPECT_GT(H("&&ObjectLimit&&Unit"), 0);
    EXPECT_EQ(H("&&ObjectLimit&&Counter"), 0) << "only enumerated objects have a limit mask";

    int32_t handle = -1;
    int32_t failed = 0;
    manager->RegisterItem("NoSuchItem", false, view->handle, handle, 0, 0, failed);
    EXPECT_EQ(failed, kItemUnknown);
    EXPECT_EQ(handle, -1);
    manager->RegisterItem("Counter", false, 999, handle, 0, 0, failed);
    EXPECT_EQ(failed, kItemUnknown) << "an unknown view registers nothing";
}

TEST_F(ItemManagerTest, WriteNotifiesEveryViewInRegistrationOrderOnlyOnRealChange)
{
    auto a = AddView("A");
    auto b = AddView("B");
    const int32_t counter = a->Register("Counter");
    b->Register("COUNTER");
    Settle();

    int32_t failed = -1;
    manager->fncPutUintValue(counter, 5, failed);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(log, QStringList({QStringLiteral("A:%1").arg(counter), QStringLiteral("B:%1").arg(counter)}));
    EXPECT_EQ(a->notes.back().state & StateInfo::kValueValid, StateInfo::kValueValid);

    manager->fncPutUintValue(counter, 5, failed);
    manager->fncPutString(counter, "5", failed);
    EXPECT_EQ(log.size(), 2) << "an unchanged value notifies nobody";

    double previous = -1;
    manager->GetPreviousUIntValue(counter, previous, failed);
    EXPECT_EQ(previous, 0);
    manager->fncPutUintValue(counter, 9, failed);
    manager->GetPreviousUIntValue(counter, previous, failed);
    EXPECT_EQ(previous, 5);
}

TEST_F(ItemManagerTest, RegistrationIsFollowedByOneRefreshOnTheNextTurn)
{
    auto a = AddView("A");
    const int32_t counter = a->Register("Counter");
    EXPECT_TRUE(a->notes.empty()) << "nothing is delivered inside RegisterItem";
    Pump();
    ASSERT_EQ(a->notes.size(), 1u);
    EXPECT_EQ(a->notes[0].handle, counter);
    EXPECT_EQ(a->notes[0].state & StateInfo::kRefreshBits, StateInfo::kRefreshBits);
    EXPECT_EQ(a->notes[0].state & StateInfo::kValueValid, 0) << "a default is no valid value";

    a->Register("Counter"); // again: still one registration, one more refresh
    int32_t failed = 0;
    manager->UnregisterItem(a->handle, counter, false, failed);
    Pump();
    EXPECT_EQ(a->notes.size(), 1u) << "an ended registration gets no refresh";
}

TEST_F(ItemManagerTest, HandlersMayWriteAndUnregisterInsideANotification)
{
    auto a = AddView("A");
    auto b = AddView("B");
    auto c = AddView("C");
    const int32_t counter = a->Register("Counter");
    b->Register("Counter");
    const int32_t offset = c->Register("Offset");
    Settle();

    a->onNotify = [&](int32_t item, int32_t) {
        if (item != counter)
            return;
        int32_t failed = 0;
        manager->fncPutIntValue(offset, -3, failed);
        int32_t unused = 0;
        manager->UnregisterView(b.get(), unused);
        manager->UnregisterView(a.get(), unused);
    };
    int32_t failed = 0;
    manager->fncPutUintValue(counter, 1, failed);
    EXPECT_EQ(log, QStringList({QStringLiteral("A:%1").arg(counter), QStringLiteral("C:%1").arg(offset)}))
        << "the nested write is delivered at once; B, unregistered meanwhile, hears nothing";
    EXPECT_FALSE(manager->IsRegistered(a.get()));

    log.clear();
    manager->fncPutUintValue(counter, 2, failed);
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(ItemManagerTest, AHandlerMayRegisterAndLetTheManagerGoInsideANotification)
{
    auto a = AddView("A");
    auto b = AddView("B");
    const int32_t counter = a->Register("Counter");
    b->Register("Counter");
    const int32_t offset = b->Register("Offset");
    Settle();

    // The handler registers a new item, writes another one, then ends both
    // views and drops every reference to the manager but the one the
    // write is running on.
    a->onNotify = [&](int32_t item, int32_t) {
        if (item != counter)
            return;
        EXPECT_GT(a->Register("Upper"), 0);
        int32_t failed = 0;
        manager->fncPutIntValue(offset, 4, failed);
        int32_t unused = 0;
        manager->UnregisterView(a.get(), unused);
        manager->UnregisterView(b.get(), unused);
        a->manager.reset();
        b->manager.reset();
        manager.reset();
    };
    std::weak_ptr<clsAppletItemManager> watch = manager;
    clsAppletItemManager* writer = manager.get(); // as a caller that holds no reference of its own
    int32_t failed = -1;
    writer->fncPutUintValue(counter, 1, failed);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(log, QStringList({QStringLiteral("A:%1").arg(counter), QStringLiteral("B:%1").arg(offset)}));
    Pump(); // the refresh of the registration made inside finds no manager
    EXPECT_EQ(a->notes.size(), 1u);
}

TEST_F(ItemManagerTest, NestedWritesOfDeviceParametersCarryTheNoRulesBit)
{
    auto a = AddView("A");
    auto c = AddView("C");
    const int32_t counter = a->Register("Counter");
    const int32_t upper = c->Register("Upper");
    const int32_t current = c->Register("currentSequence");
    Settle();

    a->onNotify = [&](int32_t item, int32_t) {
        if (item != counter)
            return;
        int32_t failed = 0;
        manager->fncPutFloatValue(upper, 7.5f, failed);
        manager->fncPutString(current, "Upload", failed);
    };
    int32_t failed = 0;
    manager->fncPutUintValue(counter, 1, failed);
    ASSERT_EQ(c->notes.size(), 2u);
    EXPECT_EQ(c->notes[0].state & StateInfo::kNoRules, StateInfo::kNoRules) << "a rule's write";
    EXPECT_EQ(c->notes[1].state & StateInfo::kNoRules, 0) << "working items never carry it";

    manager->fncPutFloatValue(upper, 8.5f, failed);
    EXPECT_EQ(c->notes.back().state & StateInfo::kNoRules, 0) << "a write from outside any notification";
}

TEST_F(ItemManagerTest, WrongTypeUnknownHandleAndUnfitValuesChangeNothing)
{
    const int32_t counter = H("Counter");
    int32_t failed = 0;
    manager->fncPutFloatValue(counter, 1.5f, failed);
    EXPECT_EQ(failed, kItemWrongType);
    manager->fncPutUintValue(counter, 70000, failed);
    EXPECT_EQ(failed, kItemBadValue) << "16 bits";
    manager->fncPutString(counter, "twelve", failed);
    EXPECT_EQ(failed, kItemBadValue);
    double value = -1;
    manager->fncGetUIntValue(counter, value, failed);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(value, 0);

    manager->fncGetUIntValue(9999, value, failed);
    EXPECT_EQ(failed, kItemUnknown);
    QByteArray bytes;
    manager->fncGetOctetsValue(H("Upper"), bytes, failed);
    EXPECT_EQ(failed, kItemWrongType);
    manager->fncPutOctetsValue(H("Raw"), QByteArray(5, 'x'), failed);
    EXPECT_EQ(failed, kItemBadValue) << "four bytes at most";
}

TEST_F(ItemManagerTest, TypedValuesTravelAsTheirAccessesSay)
{
    int32_t failed = 0;
    manager->fncPutString(H("Tag"), "pt 101", failed);
    EXPECT_EQ(failed, 0);
    QByteArray packed;
    manager->fncReadPCAValue(H("Tag"), packed, false, failed);
    EXPECT_EQ(packed.size(), 6);
    QString text;
    manager->fncReadString(H("Tag"), text, false, failed);
    EXPECT_EQ(text, "PT 101");

    manager->fncPutString(H("Date"), "2024-05-17", failed);
    QByteArray date;
    manager->fncReadHartDateValue(H("Date"), date, false, failed);
    EXPECT_EQ(date, QByteArray("\x11\x05\x7C", 3));

    manager->PutBoolValue(H("Flag"), -1, failed);
    int16_t flag = 0;
    manager->GetBoolValue(H("Flag"), flag, failed);
    EXPECT_EQ(flag, -1);

    manager->fncPutIntValue(H("Offset"), -300, failed);
    int32_t offset = 0;
    manager->GetIntValue(H("Offset"), offset, failed);
    EXPECT_EQ(offset, -300);

    manager->fncPutOctetsValue(H("Raw"), QByteArray("\x01\x02", 2), failed);
    QByteArray raw;
    manager->fncGetOctetsValue(H("Raw"), raw, failed);
    EXPECT_EQ(raw, QByteArray("\x01\x02\x00\x00", 4));
    manager->GetValueAsText(H("Raw"), text, false, failed);
    EXPECT_EQ(text, "01 02 00 00");

    manager->GetStringValue(H("&&ObjectLimit&&Unit"), text, failed);
    EXPECT_EQ(text, "1, 1, 1") << "every entry is allowed at first";
    manager->PutStringValue(H("&&ObjectLimit&&Unit"), "0, 1, 0", failed);
    QByteArray mask;
    manager->fncGetOctetsValue(H("&&ObjectLimit&&Unit"), mask, failed);
    EXPECT_EQ(mask, QByteArray("\x00\x01\x00", 3));

    double menu = 0;
    manager->fncGetUIntValue(H("&&Menu_State&&MainForm"), menu, failed);
    EXPECT_EQ(menu, 1) << "initial menu state from the description";
    float upper = 0;
    manager->fncReadFloatValue(H("Upper"), upper, false, failed);
    EXPECT_EQ(upper, 100.0f) << "description default";
}

TEST_F(ItemManagerTest, ShadowChangesReachDatasetViewsMarkedAndShadowViewsPlain)
{
    auto dataset = AddView("D");
    auto device = AddView("S");
    const int32_t upper = dataset->Register("Upper");
    device->Register("Upper", true);
    Settle();

    manager->WriteShadow(upper, QVariant::fromValue<float>(5.0f));
    ASSERT_EQ(dataset->notes.size(), 1u);
    EXPECT_TRUE(dataset->notes[0].shadow);
    EXPECT_EQ(dataset->notes[0].state & StateInfo::kShadowOnly, StateInfo::kShadowOnly);
    ASSERT_EQ(device->notes.size(), 1u);
    EXPECT_EQ(device->notes[0].state & StateInfo::kShadowOnly, 0);

    float value = 0;
    int32_t failed = 0;
    manager->fncReadFloatValue(upper, value, true, failed);
    EXPECT_EQ(value, 5.0f);
    manager->fncReadFloatValue(upper, value, false, failed);
    EXPECT_EQ(value, 100.0f);

    QVariant result;
    manager->AdjustItem("UPPER", result);
    EXPECT_EQ(result.toInt(), 0);
    manager->fncReadFloatValue(upper, value, false, failed);
    EXPECT_EQ(value, 5.0f);
    ASSERT_EQ(dataset->notes.size(), 2u);
    EXPECT_EQ(dataset->notes[1].state & StateInfo::kNoRules, StateInfo::kNoRules) << "adjusted from the device";
    EXPECT_EQ(device->notes.size(), 1u) << "the device value did not change";
}

TEST_F(ItemManagerTest, RegisterViewHandsOverTheManagerWithinTheCall)
{
    auto view = std::make_shared<RecordingView>();
    bool attachedInside = false;
    view->onAttach = [&](RecordingView& v) {
        attachedInside = v.manager == manager && v.handle > 0;
        int32_t unused = 0;
        manager->UnregisterView(&v, unused); // a view that does its work and closes at once
    };
    int32_t result = -1;
    manager->RegisterView(view, result);
    EXPECT_TRUE(attachedInside);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(manager->IsRegistered(view.get()));
    view->manager.reset();
}

} // namespace
