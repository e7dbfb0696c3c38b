// The control item handler on a form against the toolkit with the Trivex
// description: it registers every control that takes part in the item
// protocol and unregisters them again, gives the platform's item handler the
// form first, and skips what does not take part.
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/ItemLabel.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <QFrame>
#include <QLabel>
#include <gtest/gtest.h>

using namespace pioitems;

namespace {

// A control of another library that takes part in the protocol and carries
// an item control of its own, which it registers itself.
class CarrierControl : public QWidget, public PioItemProtocol {
public:
    explicit CarrierControl(QWidget* parent, QString typ = kPioItemTyp) : QWidget(parent), typ(std::move(typ))
    {
        inner->SetAppItemName("currentRecord");
    }
    QString Typ() const override { return typ; }
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& manager) override
    {
        calls << "Register";
        if (failing)
            throw automation::ComError(automation::E_FAIL_, "carrier refused", "CarrierControl");
        inner->Register(manager);
    }
    void UnRegister() override
    {
        calls << "UnRegister";
        inner->UnRegister();
    }

    QString typ;
    bool failing = false;
    QStringList calls;
    PioAppItem* inner = new PioAppItem(this);
};

struct Page : pioitemstest::Form {
    Page()
    {
        app->SetAppItemName("dummyFloat");
        record->SetAppItemName("Read_048");
        sequence->SetAppItemName("GetDiagnosis");
        nested->SetAppItemName("currentSequence");
        label->SetItemName("ChangesByRevision");
    }
    // True when the manager has a registration of the item.
    bool Registered(const std::shared_ptr<applet::clsAppletItemManager>& manager, const QString& item) const
    {
        return manager->HasRegistrations(manager->HandleOf(item));
    }

    PioControlItemHandler* handler = new PioControlItemHandler(&widget);
    PioAppItem* app = new PioAppItem(&widget);
    QLabel* plain = new QLabel(&widget);
    PioRecordItem* record = new PioRecordItem(&widget);
    QFrame* frame = new QFrame(&widget);
    PioAppItem* nested = new PioAppItem(frame);
    PioSequenceItem* sequence = new PioSequenceItem(&widget);
    CarrierControl* carrier = new CarrierControl(&widget);
    CarrierControl* other = new CarrierControl(&widget, "Other");
    controls::ItemLabel* label = new controls::ItemLabel(&widget);
};

} // namespace

TEST(ControlItemHandler, RegistersEveryItemControlOfTheFormAndUnregistersThem)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Traces traces;
    Page page;
    page.handler->Register1(&page.widget, applet.manager);
    EXPECT_EQ(page.handler->ParentForm(), &page.widget);
    EXPECT_TRUE(page.app->IsRegistered());
    EXPECT_TRUE(page.record->IsRegistered());
    EXPECT_TRUE(page.sequence->IsRegistered());
    EXPECT_TRUE(page.nested->IsRegistered()) << "controls inside a frame of the form take part";
    EXPECT_EQ(page.carrier->calls, QStringList({"Register"}));
    EXPECT_TRUE(page.carrier->inner->IsRegistered()) << "registered by its carrier";
    EXPECT_TRUE(page.other->calls.isEmpty()) << "a Typ other than PioItem does not take part";
    EXPECT_FALSE(page.other->inner->IsRegistered());
    for (const QString item : {"dummyFloat", "&&Record_State&&Read_048", "&&Record_Response&&Read_048",
                                "&&Sequence_State&&GetDiagnosis", "&&Sequence_Control&&GetDiagnosis",
                                "currentSequence", "currentRecord"})
        EXPECT_TRUE(page.Registered(applet.manager, item)) << item.toStdString();
    EXPECT_TRUE(page.label->IsValid()) << "the platform's handler got the form";
    EXPECT_FALSE(traces.HasErrors()) << traces.errors.join('\n').toStdString();

    page.handler->UnRegister();
    EXPECT_EQ(page.handler->ParentForm(), nullptr);
    EXPECT_FALSE(page.app->IsRegistered() || page.record->IsRegistered() || page.sequence->IsRegistered()
                 || page.nested->IsRegistered() || page.carrier->inner->IsRegistered());
    EXPECT_EQ(page.carrier->calls, QStringList({"Register", "UnRegister"}));
    for (const QString item : {"dummyFloat", "&&Record_State&&Read_048", "&&Sequence_State&&GetDiagnosis",
                                "currentSequence", "currentRecord", "ChangesByRevision"})
        EXPECT_FALSE(page.Registered(applet.manager, item)) << item.toStdString();
    EXPECT_FALSE(page.label->IsValid());
}

TEST(ControlItemHandler, AFailingControlIsSkippedAndTheWalkGoesOn)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Traces traces;
    Page page;
    page.carrier->failing = true;
    page.app->SetAppItemName("NoSuchItem");
    QStringList pushed;
    QObject::connect(page.app, &PioAppItem::ValueChanged, [&](const QString& v) { pushed << v; });
    page.handler->Register1(&page.widget, applet.manager);
    EXPECT_FALSE(page.app->IsRegistered());
    EXPECT_TRUE(pushed.isEmpty()) << "a control whose item failed to register pushes nothing";
    EXPECT_TRUE(page.sequence->IsRegistered()) << "the controls after the failures are registered";
    EXPECT_TRUE(traces.ErrorContains("PioAppItem.Register(NoSuchItem)"));
    EXPECT_TRUE(traces.ErrorContains("carrier refused"));

    page.handler->UnRegister();
    EXPECT_FALSE(page.sequence->IsRegistered());
    // The failed control can be registered later with another name.
    page.app->SetAppItemName("dummyFloat");
    page.handler->Register(&page.widget, applet.manager);
    EXPECT_TRUE(page.app->IsRegistered());
    page.handler->UnRegister();
}

TEST(ControlItemHandler, NoFormOrARefusalOfThePlatformHandlerRegistersNothing)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Page page;
    EXPECT_THROW(page.handler->Register1(nullptr, applet.manager), automation::ComError);
    EXPECT_THROW(page.handler->Register1(&page.widget, nullptr), automation::ComError)
        << "the platform's handler refuses a form without a manager";
    EXPECT_FALSE(page.app->IsRegistered() || page.sequence->IsRegistered());
    EXPECT_EQ(page.handler->ParentForm(), nullptr);
    EXPECT_TRUE(page.carrier->calls.isEmpty());
    // Unregistering without a registration touches no control.
    page.handler->UnRegister();
    EXPECT_TRUE(page.carrier->calls.isEmpty());
}

TEST(ControlItemHandler, StandAloneLeavesThePlatformHandlerOut)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Page page;
    page.SetUserMode(false);
    page.handler->SetStandAlone(true);
    page.SetUserMode(true);
    page.handler->Register1(&page.widget, applet.manager);
    EXPECT_TRUE(page.app->IsRegistered());
    EXPECT_FALSE(page.label->IsValid());
    page.handler->UpdatePioControls();
    EXPECT_EQ(page.label->text(), "");
    page.handler->UnRegister();
}

TEST(ControlItemHandler, UpdatePioControlsRefreshesThePlatformHandlersControls)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Page page;
    page.handler->Register1(&page.widget, applet.manager);
    ASSERT_TRUE(page.label->IsValid());
    applet.manager->Load(applet.manager->HandleOf("ChangesByRevision"), QStringLiteral("changed quietly"));
    EXPECT_NE(page.label->text(), "changed quietly");
    page.handler->UpdatePioControls();
    EXPECT_EQ(page.label->text(), "changed quietly");
    page.handler->UnRegister();
}
