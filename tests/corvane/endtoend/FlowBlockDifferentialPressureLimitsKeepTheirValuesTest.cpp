// The flow block's differential-pressure limits are held in the flow block's
// own differential-pressure unit. A user who changes that unit, or the
// pressure block's range unit that it follows, and then edits the limits,
// finds them on the device after a download and in a project that reads the
// device again, with the same physical values.
#include "tests/corvane/TransferSupport.h"
#include "sim/MeasuredParameters.h"
#include "sim/SimTransmitter.h"
#include <cmath>
#include <optional>

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

const QString kUnit = QStringLiteral("mvInDPUnit");
const QString kLow = QStringLiteral("mvInDpLoLim");
const QString kHigh = QStringLiteral("mvInDpHiLim");

// Pascals per unit of the HART pressure unit codes the test meets.
std::optional<double> PascalPer(int unit)
{
    struct Row {
        int code;
        double pascal;
    };
    static constexpr Row kUnits[] = {{7, 1e5}, {8, 1e2}, {9, 98.0665}, {10, 98066.5}, {11, 1}, {12, 1e3}};
    for (const Row& row : kUnits)
        if (row.code == unit)
            return row.pascal;
    return std::nullopt;
}

class DifferentialPressureLimits : public TransferRoad, public ::testing::WithParamInterface<Variant> {
protected:
    // A new program run on a new project, on the same device.
    void OpenNewProject(const QString& project, uint32_t deviceType)
    {
        ReleaseDtm();
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(project), QStringLiteral(TRIVEX_SCHEMA_DIR));
        CreateInstance(QString::number(deviceType));
    }

    // A limit of the project in pascals.
    double Pascal(const QString& item)
    {
        bool number = false;
        const double value = Text(item).toDouble(&number);
        const std::optional<double> factor = PascalPer(Text(kUnit).toInt());
        EXPECT_TRUE(number) << item.toStdString() << " holds " << Text(item).toStdString();
        EXPECT_TRUE(factor) << "unit " << Text(kUnit).toStdString();
        return value * factor.value_or(std::nan(""));
    }

    // A limit on the device in pascals.
    double OnDevice(const QString& item)
    {
        const sim::DeviceParameters& parameters = device.transmitter().parameters();
        const std::optional<double> factor = PascalPer(parameters.value(kUnit).toInt());
        EXPECT_TRUE(factor) << "the device's unit " << parameters.value(kUnit).toString().toStdString();
        return parameters.value(item).toDouble() * factor.value_or(std::nan(""));
    }

    // The user sets a limit to a physical value, typed in the limits' unit;
    // the project keeps what was typed.
    void Edit(const QString& item, double pascal)
    {
        const double typed = pascal / PascalPer(Text(kUnit).toInt()).value_or(std::nan(""));
        const QString text = QString::number(typed, 'g', 6);
        Put(item, text);
        EXPECT_NEAR(Text(item).toDouble(), text.toDouble(), 1e-5 * std::max(1.0, std::abs(typed)))
            << item.toStdString() << " refused " << text.toStdString() << " in unit " << Text(kUnit).toStdString();
    }

    // What the DTM told the frame, without the parameter documents.
    std::string Told() const
    {
        QStringList told;
        for (const QString& text : frame->Events().Texts())
            if (!text.startsWith(QLatin1String("OnParameterChanged")))
                told << text;
        return told.join(QLatin1Char('\n')).toStdString();
    }

    static void ExpectNear(double actual, double expected, const char* where, const QString& item)
    {
        EXPECT_NEAR(actual, expected, 1e-4 * std::max(1.0, std::abs(expected))) << where << ": " << item.toStdString();
    }

    // The user's run on a device with the flow function on: upload, the
    // user's changes, download; then a new project reads
    // the device and holds the same limits.
    void RunTheUsersPath(const Variant& variant, const std::function<void()>& change)
    {
        Start(variant);
        ASSERT_FALSE(HasFatalFailure());
        transfertest::HoldTheProcessWithAShortSave(device);
        ASSERT_TRUE(Upload(QStringLiteral("A")));
        ASSERT_TRUE(Unlocked());
        change();
        ASSERT_FALSE(HasFatalFailure());
        const QString unit = Text(kUnit);
        const double low = Pascal(kLow);
        const double high = Pascal(kHigh);
        ASSERT_TRUE(Download(QStringLiteral("A"))) << Told();
        ASSERT_TRUE(Unlocked());
        ExpectNear(Pascal(kLow), low, "project A after its download", kLow);
        ExpectNear(Pascal(kHigh), high, "project A after its download", kHigh);
        EXPECT_EQ(device.transmitter().parameters().value(kUnit).toString(), unit) << "the device's unit";
        ExpectNear(OnDevice(kLow), low, "the device after the download", kLow);
        ExpectNear(OnDevice(kHigh), high, "the device after the download", kHigh);

        OpenNewProject(QStringLiteral("B"), variant.deviceType);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(Upload(QStringLiteral("B")));
        ASSERT_TRUE(Unlocked());
        EXPECT_EQ(Text(kUnit), unit) << "project B's unit";
        ExpectNear(Pascal(kLow), low, "project B", kLow);
        ExpectNear(Pascal(kHigh), high, "project B", kHigh);
    }
};

// Revision 22 offers the range unit through its twin; the flow block's
// unit follows it, and the user then sets it apart. Revision 19 keeps the range in mbar and the user sets the
// flow block's unit itself.
TEST_P(DifferentialPressureLimits, KeepTheirPhysicalValuesThroughADownloadAndAnUpload)
{
    const Variant& variant = GetParam();
    RunTheUsersPath(variant, [&] {
        if (variant.revision >= 21) {
            // A range end inside the sensor limits in every unit.
            Put(QStringLiteral("ptrbScaleIn100"), QStringLiteral("200"));
            Put(QStringLiteral("ptrbScaleInUnit_21"), QStringLiteral("9"));
            Put(QStringLiteral("ptrbScaleInUnit_21"), QStringLiteral("10"));
            EXPECT_EQ(Text(kUnit), QStringLiteral("10")) << "the flow block's unit follows the range unit";
            // The flow block's unit set apart from the range unit.
            const double high = Pascal(kHigh);
            Put(kUnit, QStringLiteral("9"));
            ExpectNear(Pascal(kHigh), high, "the unit change", kHigh);
            Edit(kLow, 100.0);    // 1 mbar
            Edit(kHigh, 20000.0); // 200 mbar
            return;
        }
        const double high = Pascal(kHigh);
        Put(kUnit, QStringLiteral("9"));
        ExpectNear(Pascal(kHigh), high, "the unit change", kHigh);
    });
}

INSTANTIATE_TEST_SUITE_P(FlowFunctionOn, DifferentialPressureLimits,
                         ::testing::Values(Variant{"rev22_mv_137", 137, 22, true, false, {}},
                                           Variant{"rev22_mv_138", 138, 22, true, false, {}},
                                           Variant{"rev22_mv_139", 139, 22, true, false, {}},
                                           Variant{"rev19_mv_137", 137, 19, true, false, {}},
                                           Variant{"rev19_mv_138", 138, 19, true, false, {}},
                                           Variant{"rev19_mv_139", 139, 19, true, false, {}}),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

} // namespace
