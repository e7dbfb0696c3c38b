// The save-to-device view against the simulated transmitter: only a dataset
// whose verdict is 0 (fits) or 5 (revision not supported, connection lost)
// goes to the device; the flow calculation runs first and a failing one
// starts no download; a blocked write is told under the rule for message
// boxes; and after a calculation the device holds the coefficients and the
// download chain's values.
#include "CommandViewSupport.h"
#include "FlowCalculationSupport.h"
#include "corvane/frame/clsDatasetValid.h"
#include "corvane/frame/clsSaveToDevice.h"
#include "platform/applet/AppletStates.h"
#include "sim/SimOptions.h"
#include "sim/SimTransmitter.h"
#include <cmath>

namespace {

using namespace flowtest;
using commandtest::StartView;

const QString kAbort = QStringLiteral("abortSequences");
const QString kVerdict = QStringLiteral("InCompatibleDataset");
const QString kBlockedEnglish = QStringLiteral("The dataset does not fit to the device. Writing to device not possible!");
const QString kBlockedGerman = QStringLiteral("Der Datensatz passt nicht zum Gerät. Schreiben ins Gerät nicht möglich!");

class SaveToDevice : public FlowApplet {
protected:
    void SetUp() override
    {
        if (!Ready())
            return;
        Settle(); // what the start of the applet set off
        log = std::make_unique<ItemLog>(applet.manager);
        log->Watch(clsMvCalculation::kCalculateMv, QStringLiteral("calculate"));
        log->Watch(kAbort, QStringLiteral("abort"));
        log->Watch(QStringLiteral("&&Sequence_State&&downloadAi"), QStringLiteral("downloadAi"));
        Settle();
        log->changes.clear();
    }
    void TearDown() override { log.reset(); }

    // Starts the view; when it started the download, waits for the chain's end.
    void Save()
    {
        log->changes.clear();
        EXPECT_EQ(StartView(applet, clsSaveToDevice::kProgId), 0);
        if (!DownloadStarted())
            return;
        EXPECT_TRUE(RunUntil([&] {
            return applet.Text(QStringLiteral("XXXTransferCompletedXXX")) == QStringLiteral("1")
                   && applet.Text(commandtest::kCurrentSequence).isEmpty();
        }));
        Settle();
    }
    bool DownloadStarted() const
    {
        return log->changes.contains(QStringLiteral("downloadAi=%1").arg(applet::SequenceState::WriteActive));
    }
    // The request and the calculation's reset of it (both announce the reset value).
    bool CalculationRequested() const
    {
        return log->changes.filter(QStringLiteral("calculate=")).size() == 2;
    }
    const dialogs::ScriptedDialogService::Request* LastMessage() const
    {
        for (auto it = dialogs.Requests().rbegin(); it != dialogs.Requests().rend(); ++it)
            if (it->kind == dialogs::DialogKind::Message)
                return &*it;
        return nullptr;
    }

    std::unique_ptr<ItemLog> log;
};

#define SAVE_REQUIRE_APPLET()                                                                                         \
    if (!Ready())                                                                                                     \
    GTEST_FAIL() << "no staged Trivex description"

TEST_F(SaveToDevice, OnlyAFittingDatasetOrALostConnectionIsWritten)
{
    SAVE_REQUIRE_APPLET();
    EngineDouble::Install();
    ASSERT_TRUE(commandtest::ConnectAndIdentify(applet));
    for (int verdict = 0; verdict <= 5; ++verdict) {
        SCOPED_TRACE(verdict);
        applet.PutText(kAbort, QStringLiteral("1"));
        applet.PutNumber(kVerdict, verdict);
        Settle();
        Save();
        const bool writable = verdict == 0 || verdict == 5;
        EXPECT_EQ(clsSaveToDevice::Writable(verdict), writable);
        EXPECT_EQ(CalculationRequested(), writable) << log->changes.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(DownloadStarted(), writable) << log->changes.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(applet.Text(kAbort), writable ? QStringLiteral("0") : QStringLiteral("1"));
        if (!writable) {
            EXPECT_TRUE(log->changes.isEmpty()) << log->changes.join(QLatin1Char(' ')).toStdString();
        }
    }
    EXPECT_EQ(LastMessage(), nullptr) << "no form open, no engineering context: silent";
}

TEST_F(SaveToDevice, ABlockedWriteIsToldWhileAFormIsOpenOrTheEngineeringContextIsSet)
{
    SAVE_REQUIRE_APPLET();
    struct Case {
        int activeForms;
        int engineeringContext;
        int country;
        const QString* text; // none: silent
    };
    const Case cases[] = {
        {0, 0, 1, nullptr}, {1, 0, 1, &kBlockedEnglish}, {0, -1, 1, &kBlockedEnglish},
        {2, -1, 49, &kBlockedGerman}, {0, 5, 49, nullptr},
    };
    applet.PutNumber(kVerdict, clsDatasetValid::kModuleTypeDiffers);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.activeForms << " " << c.engineeringContext << " " << c.country);
        applet.PutNumber(QStringLiteral("&&private_FDT&&ActiveForms"), c.activeForms);
        applet.PutText(QStringLiteral("&&private_FDT&&EngineeringContext"), QString::number(c.engineeringContext));
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), c.country);
        if (c.text)
            dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        const size_t before = dialogs.Requests().size();
        Save();
        EXPECT_FALSE(CalculationRequested());
        EXPECT_FALSE(DownloadStarted());
        ASSERT_EQ(dialogs.Requests().size(), before + (c.text ? 1 : 0));
        if (!c.text)
            continue;
        const auto* box = LastMessage();
        EXPECT_EQ(box->text, *c.text);
        EXPECT_EQ(box->title, dialogs::DialogService::kMessageTitle);
        EXPECT_EQ(box->icon, dialogs::MessageIcon::Warning);
        EXPECT_EQ(box->buttons, dialogs::MessageButtons::Ok);
    }
    EXPECT_EQ(dialogs.PendingAnswers(), 0);
    EXPECT_TRUE(dialogs.Errors().isEmpty());
}

TEST_F(SaveToDevice, TheCalculationRunsFirstAndAFailingOneStartsNoDownload)
{
    SAVE_REQUIRE_APPLET();
    EngineDouble::Install();
    ASSERT_TRUE(commandtest::ConnectAndIdentify(applet));
    applet.PutNumber(kVerdict, 0);

    // The multivariable function off: nothing to calculate, the download runs.
    applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 0);
    Save();
    EXPECT_EQ(EngineDouble::script().calls, 0);
    EXPECT_TRUE(DownloadStarted());

    FunctionOnInAuto();
    Revision(22);
    Save();
    EXPECT_EQ(EngineDouble::script().calls, 1);
    EXPECT_TRUE(DownloadStarted());
    EXPECT_EQ(applet.Text(QStringLiteral("mvKqm")).toDouble(), EngineDouble::Results().mvKqm);

    EngineDouble::script().mode = EngineDouble::Mode::Fail;
    ErrorTraces traces;
    Save();
    EXPECT_EQ(EngineDouble::script().calls, 2);
    EXPECT_FALSE(DownloadStarted()) << log->changes.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("1"));
    EXPECT_TRUE(traces.Contains(QStringLiteral("flow calculation failed")));
    EXPECT_EQ(LastMessage(), nullptr) << "the calculation's box follows the rule for message boxes";
}

// The real engine and the real check: a dataset configured for an orifice
// plate, found to fit the device, is calculated and written.
TEST_F(SaveToDevice, AfterACalculationTheDeviceHoldsTheCoefficientsAndTheChainsValues)
{
    SAVE_REQUIRE_APPLET();
    flowcalc::RegisterFlowcalcClasses();
    sim::VariantOptions variant;
    variant.multivariable = true;
    variant.revision = 22;
    QString error;
    ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
    ASSERT_TRUE(commandtest::ConnectAndIdentify(applet));
    ConfigureOrificePlate();
    applet.PutText(QStringLiteral("ptrbLowFlowCutOff"), QStringLiteral("12.5"));
    applet.PutText(QStringLiteral("ptrbTagDesc"), QStringLiteral("SAVED TO DEVICE"));
    const auto check = applet.Find<clsDatasetValid>(QStringLiteral("clsDatasetValidation"));
    ASSERT_TRUE(check);

    // The dataset is of another module than the device's: nothing is written.
    ASSERT_EQ(check->CompatibilityCheck(), clsDatasetValid::kModuleTypeDiffers);
    Save();
    EXPECT_FALSE(DownloadStarted());
    EXPECT_NE(applet.device.transmitter().parameters().value(QStringLiteral("ptrbLowFlowCutOff")).toDouble(), 12.5);

    // The module the device reports, as a dataset from the device would hold it.
    QString moduleType;
    int32_t failed = 0;
    applet.manager->fncReadString(applet.manager->HandleOf(QStringLiteral("ptrbModulType")), moduleType, true, failed);
    applet.PutText(QStringLiteral("ptrbModulType"), moduleType);
    ASSERT_EQ(check->CompatibilityCheck(), clsDatasetValid::kFits);

    // A coefficient the calculation replaces (the plate is the factory's own).
    applet.PutText(QStringLiteral("mvKqm"), QStringLiteral("0.01"));
    const QString kqmBefore = applet.Text(QStringLiteral("mvKqm"));
    Save();
    EXPECT_TRUE(DownloadStarted());
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));
    EXPECT_NE(applet.Text(QStringLiteral("mvKqm")), kqmBefore) << "calculated before the download";

    const sim::DeviceParameters& device = applet.device.transmitter().parameters();
    for (const char* item : {"mvKqm", "mvRemin", "mvZr", "mvC", "mvC1", "mvK", "mvEpsilon", "mvRhor", "mvBeta",
                             "ptrbLowFlowCutOff"}) {
        SCOPED_TRACE(item);
        const double dataset = applet.Text(QLatin1String(item)).toDouble();
        const double held = device.value(QLatin1String(item)).toDouble();
        EXPECT_NEAR(held, dataset, 1e-6 * std::max(1.0, std::abs(dataset)));
    }
    EXPECT_EQ(device.value(QStringLiteral("ptrbTagDesc")).toString().trimmed(), QStringLiteral("SAVED TO DEVICE"));
}

} // namespace
