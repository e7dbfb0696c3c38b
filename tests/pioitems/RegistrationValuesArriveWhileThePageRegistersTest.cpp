// A page registers its item controls and only then counts as registered; its
// rules that act "only when registered" must not fire on opening. The values
// the controls push arrive while the page registers; the toolkit's own
// announcement of each new registration, one loop turn later, is not handed
// to the page as a second change. Real changes and the refresh after a
// reload of the dataset still reach the registered page.
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/StateInfo.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <gtest/gtest.h>

using namespace pioitems;

namespace {

// A page as the page pattern opens it: register the controls, then the flag.
struct RegisteringPage : pioitemstest::Form {
    RegisteringPage()
    {
        value->SetAppItemName("dummyFloat");
        sequence->SetAppItemName("GetDiagnosis");
        record->SetAppItemName("Read_048");
        auto note = [this](const QString& what) { seen << (registered ? "after " : "during ") + what; };
        QObject::connect(value, &PioAppItem::ValueChanged2,
                         [note](const QString& v, bool) { note("value " + v); });
        QObject::connect(sequence, &PioSequenceItem::StatusChanged,
                         [note](int s) { note("sequence " + QString::number(s)); });
        QObject::connect(record, &PioRecordItem::StatusChanged,
                         [note](int s) { note("record " + QString::number(s)); });
        QObject::connect(record, &PioRecordItem::GotResponse, [note](const QByteArray&) { note("response"); });
    }
    void Activate(const std::shared_ptr<applet::clsAppletItemManager>& manager)
    {
        handler->Register1(&widget, manager);
        registered = true;
    }

    PioControlItemHandler* handler = new PioControlItemHandler(&widget);
    PioAppItem* value = new PioAppItem(&widget);
    PioSequenceItem* sequence = new PioSequenceItem(&widget);
    PioRecordItem* record = new PioRecordItem(&widget);
    bool registered = false;
    QStringList seen;
};

} // namespace

TEST(RegistrationValues, ArriveWhileThePageRegistersAndNotAgainAfterwards)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    auto put = [&](const QString& text) {
        int32_t failed = 0;
        applet.manager->fncPutString(applet.manager->HandleOf("dummyFloat"), text, failed);
        ASSERT_EQ(failed, 0);
    };
    put("1.5");
    RegisteringPage page;
    page.Activate(applet.manager);
    pioitemstest::Settle(); // the toolkit announces the new registrations
    EXPECT_EQ(page.seen, QStringList{"during value 1.5"});
    // The announcement still tells the control that its value is valid.
    EXPECT_NE(page.value->ItemState() & applet::StateInfo::kValueValid, 0);

    // A change, and the refresh after a reload, are the registered page's.
    put("2.5");
    applet.manager->RefreshAll();
    pioitemstest::Settle();
    EXPECT_EQ(page.seen.mid(1), (QStringList{"after value 2.5", "after value 2.5", "after sequence 0", "after record 0",
                                            "after response"}));
}
