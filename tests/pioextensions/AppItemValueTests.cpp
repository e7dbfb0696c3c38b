// Typed reads and writes of an app item, its registration and its failures,
// on the toolkit with the Trivex description.
#include "pioextensions/clsAppItem.h"
#include "pioextensions/enmExeption.h"
#include "platform/applet/ItemValue.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace {

using piotest::Settle;
using piotest::TrivexApplet;

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

} // namespace

TEST(AppItemValue, AnUnboundItemReadsTheEmptyValueOfItsTypeAndWritesNothing)
{
    piotest::ErrorTraces traces;
    clsAppItem item;
    item.Init(QStringLiteral("1234.5"));
    EXPECT_EQ(item.StringValue(), QString());
    EXPECT_EQ(item.FloatValue(), 0.0f);
    EXPECT_EQ(item.UIntValue(), 0.0);
    EXPECT_EQ(item.IntValue(), 0);
    EXPECT_FALSE(item.OctetValue().isValid());
    EXPECT_TRUE(item.PCAValue().isEmpty());
    EXPECT_EQ(item.EnumValue(), QString());
    item.SetStringValue(QStringLiteral("1"));
    EXPECT_TRUE(traces.Contains(QStringLiteral("1234.5 is not registered")));
    item.UnRegister(); // nothing to do
}

TEST(AppItemValue, AnUnknownItemRaisesRegistrationFailedStaysUnboundAndMayTryAgain)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    clsAppItem item;
    try {
        item.Register(applet.manager, QStringLiteral("noSuchItem"));
        FAIL() << "no error";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), REGISTRATION_FAILED);
        EXPECT_EQ(static_cast<uint32_t>(error.number()), 0x80040064u);
        EXPECT_EQ(error.source(), QStringLiteral("clsAppItem.IAppItem_Register"));
        EXPECT_EQ(error.description(), QStringLiteral("Registrierung von noSuchItem fehlgeschlagen"));
    }
    EXPECT_FALSE(item.IsRegistered());
    EXPECT_EQ(item.StringValue(), QString()); // not its name
    item.UnRegister();

    item.Init(QStringLiteral("abortSequences"));
    item.Register1(applet.manager);
    EXPECT_TRUE(item.IsRegistered());
    EXPECT_EQ(item.StringValue(), QStringLiteral("0"));
}

TEST(AppItemValue, AFailedRegistrationAfterAGoodOneReadsNothingOfTheEarlierItem)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("factoryReset"));
    item.SetUIntValue(7);
    EXPECT_THROW(item.Register(applet.manager, QStringLiteral("noSuchItem")), automation::ComError);
    EXPECT_FALSE(item.IsRegistered());
    EXPECT_EQ(item.StringValue(), QString());
    EXPECT_EQ(item.UIntValue(), 0.0);
    EXPECT_FALSE(item.HasEnumeration());
}

TEST(AppItemValue, ReadsAfterUnRegisterGoThroughTheKeptHandleWritesDoNot)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("factoryReset"));
    item.SetUIntValue(3);
    item.UnRegister();
    EXPECT_EQ(item.UIntValue(), 3.0);
    applet.PutNumber(QStringLiteral("factoryReset"), 4);
    EXPECT_EQ(item.StringValue(), QStringLiteral("4"));
    item.SetUIntValue(5);
    EXPECT_EQ(applet.Number(QStringLiteral("factoryReset")), 4.0);
    // A second registration needs no other manager and works as before.
    item.Register1(applet.manager);
    item.SetUIntValue(5);
    EXPECT_EQ(applet.Number(QStringLiteral("factoryReset")), 5.0);
}

TEST(AppItemValue, TextIsCutAtItsFirstNulCharacter)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("currentRecord"));
    item.SetStringValue(QStringLiteral("abc") + QChar(u'\0') + QStringLiteral("def"));
    EXPECT_EQ(item.StringValue(), QStringLiteral("abc"));
    item.SetStringValue(QStringLiteral("whole"));
    EXPECT_EQ(item.StringValue(), QStringLiteral("whole"));
}

TEST(AppItemValue, OctetWritesKeepTheCurrentLength)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("diagnosisExtension")); // six bytes
    ASSERT_EQ(item.OctetValue().toByteArray().size(), 6);

    item.SetOctetValue(Bytes({1, 2, 3, 4, 5, 6}));
    item.SetOctetValue(Bytes({9, 8, 7}));
    EXPECT_EQ(item.OctetValue().toByteArray(), Bytes({9, 8, 7, 0, 0, 0}));
    item.SetOctetValue(Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(item.OctetValue().toByteArray(), Bytes({1, 2, 3, 4, 5, 6}));
    // Not a byte array: zeros of the same length.
    item.SetOctetValue(QVariant(42));
    EXPECT_EQ(item.OctetValue().toByteArray(), QByteArray(6, '\0'));
}

TEST(AppItemValue, WrongTypeIsReportedForTextAndNumbersAndRaisedForOctetsAndEnumerations)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    clsAppItem text;
    text.Register(applet.manager, QStringLiteral("currentRecord"));
    text.SetStringValue(QStringLiteral("kept"));
    EXPECT_EQ(text.UIntValue(), 0.0);
    EXPECT_TRUE(traces.Contains(QStringLiteral("clsAppItem.UIntValue: Falsche Zugriffsfunktion")));
    try {
        text.OctetValue();
        FAIL() << "no error";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), INVALID_DATATYPE);
        EXPECT_EQ(error.source(), QStringLiteral("clsAppItem.OctetValue"));
        EXPECT_EQ(error.description(), QStringLiteral("Falsche Zugriffsfunktion"));
    }
    EXPECT_THROW(text.SetOctetValue(Bytes({1})), automation::ComError);
    EXPECT_EQ(text.StringValue(), QStringLiteral("kept"));

    // A value the item cannot hold is refused and reported; the item keeps its value.
    clsAppItem number;
    number.Register(applet.manager, QStringLiteral("factoryReset"));
    traces.lines.clear();
    number.SetStringValue(QStringLiteral("not a number"));
    EXPECT_EQ(number.StringValue(), QStringLiteral("0"));
    EXPECT_TRUE(traces.Contains(QStringLiteral("clsAppItem.StringValue")));
}

TEST(AppItemValue, EnumValueNamesTheEntryAndFallsBackToTheDatasetValueAt254)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    // An update interval forces the shadow value.
    item.Register(applet.manager, QStringLiteral("hartAlarmSelection"), false, 1000);
    EXPECT_TRUE(item.RegisterOnShadow());
    ASSERT_TRUE(item.HasEnumeration());

    applet.PutShadow(QStringLiteral("hartAlarmSelection"), QVariant::fromValue<quint64>(251));
    EXPECT_EQ(item.UIntValue(), 251.0);
    EXPECT_EQ(item.EnumValue(), QStringLiteral("None"));

    applet.PutNumber(QStringLiteral("hartAlarmSelection"), 251);
    applet.PutShadow(QStringLiteral("hartAlarmSelection"), QVariant::fromValue<quint64>(254));
    EXPECT_EQ(item.EnumValue(), QStringLiteral("None"));

    applet.PutShadow(QStringLiteral("hartAlarmSelection"), QVariant::fromValue<quint64>(77));
    EXPECT_EQ(item.EnumValue(), QString());

    // An item without an enumeration has no text.
    clsAppItem plain;
    plain.Register(applet.manager, QStringLiteral("factoryReset"));
    EXPECT_FALSE(plain.HasEnumeration());
    EXPECT_EQ(plain.EnumValue(), QString());
}

TEST(AppItemValue, DataTypeNeedsTheManagerNotTheRegistration)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("ptrbDamping"));
    item.UnRegister();
    EXPECT_EQ(item.DataType(), static_cast<int32_t>(applet::ItemType::Float));
    item.SetFloatValue(2.5f); // not registered: dropped
    EXPECT_EQ(item.FloatValue(), 0.0f);

    clsAppItem never;
    never.Init(QStringLiteral("ptrbDamping"));
    EXPECT_THROW(never.DataType(), automation::ComError);
}

TEST(AppItemValue, AdjustCopiesTheDeviceValueIntoTheDataset)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsAppItem item;
    item.Register(applet.manager, QStringLiteral("ptrbDamping"));
    applet.PutShadow(QStringLiteral("ptrbDamping"), QVariant::fromValue(1.5f));
    EXPECT_EQ(item.FloatValue(), 0.0f);
    item.Adjust();
    EXPECT_EQ(item.FloatValue(), 1.5f);
}
