// What the app item and record item controls relay from their items on the
// toolkit with the Trivex description: the value once after registration,
// each change with its state word, typed values, and the record's status and
// response by the sub-items chosen.
#include "pioitems/PioAppItem.h"
#include "pioitems/PioRecordItem.h"
#include "platform/applet/ItemValue.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <gtest/gtest.h>

using namespace pioitems;

namespace {

struct Events {
    explicit Events(PioAppItem* app)
    {
        QObject::connect(app, &PioAppItem::ValueChanged, [this](const QString& v) { log << "1:" + v; });
        QObject::connect(app, &PioAppItem::ValueChanged2,
                         [this](const QString& v, bool suppress) { log << QStringLiteral("2:%1:%2").arg(v).arg(suppress); });
    }
    QStringList log;
};

} // namespace

TEST(ItemControlEvents, AppItemPushesItsValueOnceAfterRegisteringAndRelaysChanges)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Form form;
    auto* app = new PioAppItem(&form.widget);
    Events events(app);
    app->Register(applet.manager);
    EXPECT_TRUE(events.log.isEmpty()) << "no name, nothing registered";
    EXPECT_FALSE(app->IsRegistered());

    app->SetAppItemName("currentSequence");
    applet.manager->Load(applet.manager->HandleOf("currentSequence"), QStringLiteral("Upload"));
    app->Register(applet.manager);
    EXPECT_EQ(events.log, QStringList({"1:Upload", "2:Upload:0"}));
    EXPECT_EQ(app->ItemState(), 0) << "the push keeps the state word";

    // The toolkit's announcement of the registration, a turn later, is no
    // second change: the control takes its state word (refresh, no rules)
    // and raises nothing.
    events.log.clear();
    pioitemstest::Settle();
    EXPECT_TRUE(events.log.isEmpty());
    EXPECT_EQ(app->ItemState() & 16, 16);

    events.log.clear();
    app->SetStringValue("Download");
    EXPECT_EQ(events.log, QStringList({"1:Download", "2:Download:0"})) << "delivered before the write returns";
    EXPECT_EQ(app->ItemState() & 16, 0);

    // Registering again first unregisters: one registration, one push.
    events.log.clear();
    app->Register(applet.manager);
    pioitemstest::Settle();
    app->SetStringValue("Idle");
    EXPECT_EQ(events.log.filter("Idle").size(), 2);

    app->UnRegister();
    events.log.clear();
    applet.manager->Write(applet.manager->HandleOf("currentSequence"), QStringLiteral("Other"),
                          applet::WriteOrigin::Host);
    EXPECT_TRUE(events.log.isEmpty());
}

TEST(ItemControlEvents, AppItemReadsAndWritesTheItemInItsTypes)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Traces traces;
    pioitemstest::Form form;
    auto* number = new PioAppItem(&form.widget);
    number->SetAppItemName("abortSequences");
    auto* real = new PioAppItem(&form.widget);
    real->SetAppItemName("dummyFloat");
    // Unregistered controls read the empty values.
    EXPECT_EQ(number->StringValue(), "");
    EXPECT_EQ(number->UIntValue(), 0);
    EXPECT_EQ(real->FloatValue(), 0.0f);
    EXPECT_EQ(real->FloatValueFormatted(), "");
    EXPECT_FALSE(real->OctetValue().isValid() && !real->OctetValue().toByteArray().isEmpty());

    number->Register(applet.manager);
    real->Register(applet.manager);
    number->SetUIntValue(1);
    EXPECT_EQ(applet.Number("abortSequences"), 1);
    EXPECT_EQ(number->UIntValue(), 1);
    EXPECT_EQ(number->IntValue(), 1);
    EXPECT_EQ(number->DataType(), static_cast<int32_t>(applet::ItemType::Unsigned));
    EXPECT_EQ(real->DataType(), static_cast<int32_t>(applet::ItemType::Float));

    real->SetFloatValue(1234.5678f);
    EXPECT_FLOAT_EQ(real->FloatValue(), 1234.5678f);
    EXPECT_EQ(real->FloatValueFormatted(),
              QString::number(static_cast<double>(1234.5678f), 'f', 10));
    form.SetUserMode(false);
    real->SetDecimalPlaces(3);
    real->SetMaxDigits(7);
    EXPECT_EQ(real->FloatValueFormatted(), QStringLiteral("1234.56"));
    real->SetMaxDigits(3);
    EXPECT_EQ(real->FloatValueFormatted(), QStringLiteral("1.235E+03"));
    // A German reader gets the decimal comma in the exponent form as well.
    applet.PutNumber("&&private&&countrycode", 49);
    EXPECT_EQ(real->FloatValueFormatted(), QStringLiteral("1,235E+03"));
    real->SetMaxDigits(7);
    EXPECT_EQ(real->FloatValueFormatted(), QStringLiteral("1234,56"));
    applet.PutNumber("&&private&&countrycode", 1);
    // An item that is not a float shows its text.
    number->SetMaxDigits(3);
    EXPECT_EQ(number->FloatValueFormatted(), number->StringValue());
    form.SetUserMode(true);

    // A byte value that is no byte array is refused, traced, nothing written.
    auto* octets = new PioAppItem(&form.widget);
    octets->SetAppItemName("currentSequence");
    octets->Register(applet.manager);
    traces.errors.clear();
    octets->SetHartDateValue(QVariantList{1, 300});
    EXPECT_TRUE(traces.ErrorContains("PioAppItem.HartDateValue(currentSequence)"));
    // A wrong-type access is reported by the item and gives the empty value.
    EXPECT_EQ(octets->BCDValue(), 0);
}

TEST(ItemControlEvents, RecordRelaysStatusAndResponseOfTheSubItemsItRegistered)
{
    piotest::TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    pioitemstest::Form form;
    auto* record = new PioRecordItem(&form.widget);
    record->SetAppItemName("Read_048");
    QStringList log;
    QObject::connect(record, &PioRecordItem::StatusChanged, [&](int32_t s) { log << QStringLiteral("status %1").arg(s); });
    QObject::connect(record, &PioRecordItem::GotResponse,
                     [&](const QByteArray& r) { log << "response " + r.toHex(); });
    auto write = [&](const QString& item, const QVariant& value) {
        ASSERT_TRUE(applet.manager->Write(applet.manager->HandleOf(item), value, applet::WriteOrigin::Host))
            << item.toStdString();
    };
    record->Register(applet.manager);
    pioitemstest::Settle();
    log.clear();
    write("&&Record_State&&Read_048", 4);
    write("&&Record_Response&&Read_048", QByteArray("\x30\x00\x00\x01", 4));
    EXPECT_EQ(log, QStringList({"status 4", "response 30000001"}));
    record->DoAction(2);
    EXPECT_EQ(applet.Number("&&Record_Response_Control&&Read_048"), 2);
    EXPECT_EQ(record->ResponseCode(), QByteArray("\x30\x00\x00\x01", 4));

    // Without the response switch only the status arrives.
    record->SetRegisterResponseItem(false);
    record->Register(applet.manager);
    pioitemstest::Settle();
    log.clear();
    write("&&Record_State&&Read_048", 0);
    write("&&Record_Response&&Read_048", QByteArray("\x30\x00\x00\x02", 4));
    EXPECT_EQ(log, QStringList({"status 0"}));

    // No switch at all: registered, and silent.
    record->SetRegisterStateItem(false);
    record->SetRegisterControlItem(false);
    record->Register(applet.manager);
    EXPECT_TRUE(record->IsRegistered());
    pioitemstest::Settle();
    log.clear();
    write("&&Record_State&&Read_048", 4);
    EXPECT_TRUE(log.isEmpty());
}
