// What the device information derives from its items: bus kind, module type,
// multivariable function and block mode, software revision, linearisation
// codes, country code and display name; and how it binds.
#include "DeviceInfoTestSupport.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "platform/automation/ComError.h"
#include "tests/pioextensions/ErrorTraces.h"

using namespace deviceinfotest;

namespace {

QVariant Bytes(std::initializer_list<uint8_t> bytes)
{
    QByteArray array;
    for (uint8_t b : bytes)
        array.append(static_cast<char>(b));
    return QVariant(array);
}

class DeviceInfoTest : public ManagerFixture {
protected:
    void Bind()
    {
        info->Register(manager);
        ASSERT_TRUE(info->Registered());
    }
    std::shared_ptr<clsDeviceInfo> info = std::make_shared<clsDeviceInfo>();
};

TEST_F(DeviceInfoTest, BusKindComesFromTheSoftwareCodeInCharactersThreeToNine)
{
    Bind();
    const struct {
        QString specifics;
        enmCommType bus;
    } cases[] = {
        {kHartSpecifics, enmCommType::HART},
        {kHartSpecifics2, enmCommType::HART},
        {kProfibusSpecifics, enmCommType::PROFIBUS},
        {kFfSpecifics, enmCommType::ff},
        {QStringLiteral("XX4607221"), enmCommType::PROFIBUS}, // exactly nine characters
        {QStringLiteral("XX460722"), enmCommType::HART},      // too short to hold a code
        {QStringLiteral("4607221XX"), enmCommType::HART},     // code in the wrong place
        {QStringLiteral("XX4607299"), enmCommType::HART},     // code not listed
        {QString(), enmCommType::HART},
    };
    for (const auto& c : cases) {
        SetBus(c.specifics);
        EXPECT_EQ(info->CommType(), c.bus) << c.specifics.toStdString();
    }
}

TEST_F(DeviceInfoTest, ModuleTypeIsDifferentialBelowThirtyExceptTwentyThree)
{
    Bind();
    const struct {
        double code;
        enmModuleType type;
    } cases[] = {
        {0, enmModuleType::DIFFERENTIAL_PRESSURE},  {22, enmModuleType::DIFFERENTIAL_PRESSURE},
        {23, enmModuleType::ABSOLUT_PRESSURE},      {29.5, enmModuleType::DIFFERENTIAL_PRESSURE},
        {30, enmModuleType::ABSOLUT_PRESSURE},      {31, enmModuleType::ABSOLUT_PRESSURE},
    };
    for (const auto& c : cases) {
        PutText(QStringLiteral("ptrbModulType"), QString::number(c.code));
        EXPECT_EQ(info->ModuleType(), c.type) << c.code;
    }
}

TEST_F(DeviceInfoTest, BlockModeIsZeroWhileTheMultivariableFunctionIsOff)
{
    Bind();
    PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    EXPECT_FALSE(info->MvFunctionEnabled());
    EXPECT_EQ(info->MvActualBlockMode(), 0);

    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    EXPECT_TRUE(info->MvFunctionEnabled());
    EXPECT_EQ(info->MvActualBlockMode(), static_cast<int32_t>(enmBlockMode::OUT_OF_SERVICE));
    PutNumber(QStringLiteral("mvModeBlkActual"), 8);
    EXPECT_EQ(info->MvActualBlockMode(), static_cast<int32_t>(enmBlockMode::AUTOMATIK));
    EXPECT_FALSE(info->PidEnabled());
}

TEST_F(DeviceInfoTest, CountryCodeAndIdentNameAreReadEachTime)
{
    Bind();
    EXPECT_EQ(info->CountryCode(), 1);
    PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    EXPECT_EQ(info->CountryCode(), 49);

    PutText(QStringLiteral("&&private_PM&&TagName"), QStringLiteral("  PT-101 "));
    PutText(QStringLiteral("&&private_PM&&Descriptor"), QStringLiteral("Line 4  "));
    EXPECT_EQ(info->DeviceIdentName(), QStringLiteral("PT-101: Line 4"));
    PutText(QStringLiteral("&&private_PM&&TagName"), QStringLiteral("FT-7"));
    EXPECT_EQ(info->DeviceIdentName(), QStringLiteral("FT-7: Line 4"));
}

TEST_F(DeviceInfoTest, BeforeBindingReadsFailExceptTheThreeWithDefaults)
{
    piotest::ErrorTraces traces;
    try {
        info->CommType();
        ADD_FAILURE() << "CommType answered before binding";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), HelperErrors::kObjectNotSet);
    }
    EXPECT_THROW(info->softwareRevision(), automation::ComError);
    EXPECT_THROW(info->CountryCode(), automation::ComError);
    EXPECT_FALSE(info->MvFunctionEnabled());
    EXPECT_EQ(info->MvActualBlockMode(), 0);
    EXPECT_FALSE(info->PidEnabled());
    EXPECT_TRUE(traces.Contains(QStringLiteral("not bound")));
}

TEST_F(DeviceInfoTest, ExtractSoftwareRevisionOnHart)
{
    Bind();
    SetBus(kHartSpecifics);
    const QVariant ex = Bytes({5, 0, 1});
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("21"), ex), QStringLiteral("21"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("19"), ex), QStringLiteral("19"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("22"), ex), QStringLiteral("65541"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("22")), QStringLiteral("22"));
    // An empty revision names none: the extension gives it, even when it is 0.
    EXPECT_EQ(info->ExtractSoftwareRevision(QString(), Bytes({0, 0, 0})), QStringLiteral("0"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QString()), QString());
    // Too short an extension leaves the revision.
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("22"), Bytes({5, 0})), QStringLiteral("22"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("22"), Bytes({255, 255, 255})),
              QStringLiteral("16777215"));
}

TEST_F(DeviceInfoTest, ExtractSoftwareRevisionOnProfibus)
{
    Bind();
    SetBus(kProfibusSpecifics);
    const QVariant ex = Bytes({5, 0, 1});
    // 0.21 × 100 is not exactly 21 in binary; the text is still "21".
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("0.21"), ex), QStringLiteral("21"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("0.22"), ex), QStringLiteral("65541"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("0.22")), QStringLiteral("22"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("0.19 beta")), QStringLiteral("19"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("V1.0"), ex), QStringLiteral("0"));
}

TEST_F(DeviceInfoTest, ExtractSoftwareRevisionOnFoundationFieldbus)
{
    Bind();
    SetBus(kFfSpecifics);
    const QVariant ex = Bytes({5, 0, 1});
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("1"), ex), QStringLiteral("21"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("2"), ex), QStringLiteral("65541"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("2")), QStringLiteral("22"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("7")), QStringLiteral("22"));
    // A revision that is no number gives none, so the extension decides.
    piotest::ErrorTraces traces;
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("B"), ex), QStringLiteral("65541"));
    EXPECT_EQ(info->ExtractSoftwareRevision(QStringLiteral("B")), QString());
    EXPECT_TRUE(traces.Contains(QStringLiteral("'B' is not a number")));
}

TEST_F(DeviceInfoTest, SoftwareRevisionReadsTheRevisionItemOfTheBusKindAtBinding)
{
    SetBus(kProfibusSpecifics);
    Bind();
    PutText(QStringLiteral("pbSoftwareRevisionPROFI"), QStringLiteral("0.21"));
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 5);
    EXPECT_EQ(info->softwareRevision(), QStringLiteral("21"));
    PutText(QStringLiteral("pbSoftwareRevisionPROFI"), QStringLiteral("0.22"));
    PutOctets(QStringLiteral("pbSoftwareSpecHOLLEN"), QByteArray("\x01\x02\x00", 3));
    EXPECT_EQ(info->softwareRevision(), QStringLiteral("513"));

    // A later change of the bus kind does not bind another revision item.
    SetBus(kHartSpecifics);
    PutText(QStringLiteral("pbSoftwareRevisionPROFI"), QStringLiteral("19"));
    EXPECT_EQ(info->softwareRevision(), QStringLiteral("19"));
}

TEST_F(DeviceInfoTest, DeviceCanBeBusyBelowRevisionTwenty)
{
    Bind();
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    EXPECT_TRUE(info->DeviceCanBeBusy());
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 20);
    EXPECT_FALSE(info->DeviceCanBeBusy());
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 22);
    PutOctets(QStringLiteral("pbSoftwareSpecHOLLEN"), QByteArray("\x00\x00\x01", 3));
    EXPECT_EQ(info->softwareRevision(), QStringLiteral("65536"));
    EXPECT_FALSE(info->DeviceCanBeBusy());
}

TEST_F(DeviceInfoTest, LinearisationCodesPerBus)
{
    Bind();
    const int16_t expected[][3] = {
        {0, 0, 2},    {1, 10, 3},    {160, 243, 243}, {2, 241, 4},
        {3, 242, 5},  {4, 1, 240},   {242, 20, 21},   {241, 21, 20},
    };
    const QString buses[] = {kHartSpecifics, kProfibusSpecifics, kFfSpecifics};
    for (int bus = 0; bus < 3; ++bus) {
        SetBus(buses[bus]);
        for (int type = 0; type < 8; ++type)
            EXPECT_EQ(info->GetPtrbLinTypeCode(static_cast<enmPtrbLinType>(type)), expected[type][bus])
                << "type " << type << " bus " << bus;
        EXPECT_EQ(info->GetPtrbLinTypeCode(static_cast<enmPtrbLinType>(8)), 0);
        EXPECT_EQ(info->GetPtrbLinTypeCode(static_cast<enmPtrbLinType>(-1)), 0);
    }
}

TEST_F(DeviceInfoTest, EndingTheObjectUnregistersItsViews)
{
    Bind();
    EXPECT_FALSE(manager->RegisteredViews().empty());
    info.reset();
    EXPECT_TRUE(manager->RegisteredViews().empty());
    // Changes after the end reach nobody.
    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    Pump();
}

TEST_F(DeviceInfoTest, RegisteringAgainBindsOnce)
{
    Bind();
    const size_t views = manager->RegisteredViews().size();
    Bind();
    EXPECT_EQ(manager->RegisteredViews().size(), views);
}

class DeviceInfoWithoutPidTest : public ManagerFixture {
protected:
    DeviceInfoWithoutPidTest() : ManagerFixture(DeviceInfoDescription("pidModeBlkTarget")) {}
};

TEST_F(DeviceInfoWithoutPidTest, AnUnknownItemStopsTheBindingWithATrace)
{
    piotest::ErrorTraces traces;
    auto info = std::make_shared<clsDeviceInfo>();
    info->Register(manager);
    EXPECT_FALSE(info->Registered());
    EXPECT_TRUE(traces.Contains(QStringLiteral("Registrierung von pidModeBlkTarget fehlgeschlagen")));
    EXPECT_TRUE(traces.Contains(QStringLiteral("0x80040064")));
    // The items bound before it answer.
    SetBus(kFfSpecifics);
    EXPECT_EQ(info->CommType(), enmCommType::ff);
    // Those after it do not.
    EXPECT_THROW(info->DeviceIdentName(), automation::ComError);
    info.reset();
    EXPECT_TRUE(manager->RegisteredViews().empty());
}

} // namespace
