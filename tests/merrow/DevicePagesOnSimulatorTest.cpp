// The device pages on the real toolkit and the simulated transmitter: the
// HART identification page of each device type of the family, and the status
// page listing what the device reports and marking each fault the device can
// be told to report, with offscreen pictures of both.
#include "PagesOnSimulatorSupport.h"
#include "merrow/pages/frmIdentificationHART.h"
#include "merrow/pages/frmStatus.h"
#include "merrow/shell/PageTabs.h"
#include "platform/comm/hart/HartStatus.h"
#include "sim/SimOptions.h"
#include "platform/controls/PioLabel.h"
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace merrowtest;

namespace {

constexpr int kAdditionalStatus = 48;

// The status page once its activation has read the diagnosis and the window
// is the user's again; null when not.
frmStatus* OpenStatusPage(DeviceApplet& applet, frmMain& window)
{
    auto* page = OpenPage<frmStatus>(applet, window, "mnuDiagnosticsStatus");
    if (!page || !piotest::RunUntil([&] { return page->PictureFault(0).has_value() && window.isEnabled(); }))
        return nullptr;
    return page;
}

} // namespace

TEST(DevicePagesOnSimulator, HartIdentificationShowsEachDeviceTypesCommunicationAndTheHardwareRevisionItRead)
{
    for (const int type : {137, 138, 139}) {
        SCOPED_TRACE(type);
        DeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        sim::VariantOptions variant;
        variant.deviceType = static_cast<uint32_t>(type);
        QString error;
        ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
        applet.device.transmitter().device().hardwareRevision = 2;
        applet.device.transmitter().device().physicalSignaling = 1; // the revision byte 17
        frmMain* window = applet.StartConnected(type);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(ReadIntoDataset(applet, "upload"));
        auto* page = OpenPage<frmIdentificationHART>(applet, *window, "mnuDeviceIdentification");
        ASSERT_NE(page, nullptr);
        const int commType = type == 139 ? 2606 : 2256; // "Modbus", "HART Revision 5.4"
        EXPECT_EQ(page->lblCommType()->property("TextId").toInt(), commType);
        EXPECT_EQ(page->lblCommType()->text(), global::LoadLocalizedText(commType));
        // The device's hardware revision 17, shown without any later change of the item.
        EXPECT_EQ(page->lblHardwareRev()->text(), "2.1");
        EXPECT_EQ(page->findChild<controls::PioLabel*>(QStringLiteral("PioLabel3"))->ShownText(), QString::number(type));
        // Address, device type and number, serial number: shown, never entered,
        // and they look it: on the page's background, taking no caret.
        int shownOnly = 0;
        for (const controls::PioFieldControl* field : page->findChildren<controls::PioFieldControl*>()) {
            const QLineEdit* value = field->ValueField();
            if (!value)
                continue;
            const bool looksShown = value->palette().color(QPalette::Base) == value->palette().color(QPalette::Window);
            if (field->ObjectNameText().isEmpty()) {
                ++shownOnly;
                EXPECT_TRUE(value->isReadOnly()) << field->objectName().toStdString();
                EXPECT_EQ(value->focusPolicy(), Qt::NoFocus) << field->objectName().toStdString();
                EXPECT_TRUE(looksShown) << field->objectName().toStdString();
            } else if (value->isEnabled() && !value->isReadOnly()) {
                EXPECT_FALSE(looksShown) << field->objectName().toStdString() << " is entered";
                EXPECT_NE(value->focusPolicy(), Qt::NoFocus) << field->objectName().toStdString();
            }
        }
        EXPECT_EQ(shownOnly, 4);
        if (type == 137) {
            page->Tabs()->SelectKey(QStringLiteral("1t")); // the revisions and the communication type
            Screenshot(*window, *page, QStringLiteral("identification-hart-en"));
            applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
            global::LocalizeForm(*window);
            Screenshot(*window, *page, QStringLiteral("identification-hart-de"));
        }
    }
}

TEST(DevicePagesOnSimulator, StatusPageListsNothingForASoundDeviceAndEveryConditionOfAFaultyOne)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = OpenStatusPage(applet, *window);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(applet.commands.contains(kAdditionalStatus));
    EXPECT_TRUE(page->MessageIds().isEmpty());
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(page->PictureFault(n), false) << n;

    applet.device.device().eepromFault = true;
    applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure, 1.0e7);
    ASSERT_TRUE(page->cmdSelftest()->isEnabled());
    page->cmdSelftest()->click();
    EXPECT_FALSE(window->isEnabled());
    ASSERT_TRUE(piotest::RunUntil([&] { return !page->MessageIds().isEmpty() && window->isEnabled(); }));
    // EEPROM, the output at its upper limit, the differential pressure beyond its sensor limits.
    EXPECT_EQ(page->MessageIds(), (QList<int>{2500, 2523, 2529}));
    EXPECT_EQ(page->PictureFault(1), true); // memory checksum
    EXPECT_EQ(page->PictureFault(2), true); // measurement
    EXPECT_EQ(page->PictureFault(0), false);
    Screenshot(*window, *page, QStringLiteral("status-fault-en"));
    // Opened again while the device reports the same: the page shows what was read, not nothing.
    page->parentWidget()->close();
    piotest::Settle();
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    global::LocalizeForm(*window);
    page = OpenPage<frmStatus>(applet, *window, "mnuDiagnosticsStatus");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->MessageIds(), (QList<int>{2500, 2523, 2529}));
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && applet.SequenceState("GetDiagnosis") == 0; }));
    EXPECT_EQ(page->MessageIds().size(), 3);
    EXPECT_EQ(page->PictureFault(1), true);
    EXPECT_EQ(page->List1()->item(0)->text(), global::LoadLocalizedText(2500));
    Screenshot(*window, *page, QStringLiteral("status-fault-de"));

    // Each fault the device can be told to report marks its own picture.
    applet.device.device().eepromFault = false;
    applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure, std::nullopt);
    const struct {
        const char* fault;
        int picture;
    } faults[] = {{"electronics", 0}, {"configuration", 3}, {"maintenance", 4}, {"characteristic", 5}, {"ident-number", 6}};
    for (const auto& f : faults) {
        SCOPED_TRACE(f.fault);
        sim::VariantOptions variant;
        QString error;
        ASSERT_TRUE(sim::parseFault(QLatin1String(f.fault), variant, error)) << error.toStdString();
        applet.device.device().diagnosedFaults = {};
        ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
        page->cmdSelftest()->click();
        ASSERT_TRUE(piotest::RunUntil([&] { return page->PictureFault(f.picture) == true && window->isEnabled(); }));
        for (int n = 0; n < 7; ++n)
            EXPECT_EQ(page->PictureFault(n), n == f.picture) << n;
        EXPECT_TRUE(page->MessageIds().isEmpty());
    }
    sim::VariantOptions variant;
    QString error;
    EXPECT_FALSE(sim::parseFault(QStringLiteral("memory"), variant, error));
    EXPECT_TRUE(error.contains(QLatin1String("ident-number"))) << error.toStdString();
}

TEST(DevicePagesOnSimulator, StatusShowsNoVerdictUntilTheDiagnosisWasRead)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    // The device does not give its diagnosis: the read at the first activation fails.
    sim::SimTransmitter& device = applet.device.transmitter();
    device.injectResponseCode(comm::ResponseCode::DeviceSpecificError, 1000, kAdditionalStatus);
    auto* page = OpenPage<frmStatus>(applet, *window, "mnuDiagnosticsStatus");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(applet.AnsweredCommand(kAdditionalStatus));
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && applet.SequenceState("GetDiagnosis") == 0; }));
    piotest::Settle();
    // Nothing was read: no picture says "OK" for a device nothing is known of.
    for (int n = 0; n < 7; ++n)
        EXPECT_FALSE(page->PictureFault(n).has_value()) << n;
    EXPECT_TRUE(page->MessageIds().isEmpty());
    Screenshot(*window, *page, QStringLiteral("status-before-read-en"));

    // The device answers again: the self-test shows its verdict.
    device.injectResponseCode(0, 0, kAdditionalStatus);
    page->cmdSelftest()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return page->PictureFault(0).has_value() && window->isEnabled(); }));
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(page->PictureFault(n), false) << n;
    Screenshot(*window, *page, QStringLiteral("status-after-read-en"));
}

TEST(DevicePagesOnSimulator, SelftestClickedAsThePageActivatesEndsAndCountsNoOperatingStateAsAFault)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = OpenStatusPage(applet, *window);
    ASSERT_NE(page, nullptr);
    // The user fixed the output current: a state the device reports, no fault.
    applet.device.device().fixedCurrent = 12.0f;

    // One click on the button of a page behind another both activates the
    // page and presses the button: two reads are asked for at once.
    page->Form_Deactivate();
    page->Form_Activate();
    page->cmdSelftest()->click();
    auto* read = page->findChild<pioitems::PioSequenceItem*>(QStringLiteral("seqGetDiagnosis"));
    ASSERT_NE(read, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] {
        return window->PanelText(4).startsWith("Self-test done") && window->isEnabled() && read->PendingActions() == 0
            && applet.SequenceState("GetDiagnosis") == 0;
    })) << "the window stays locked: " << window->PanelText(4).toStdString();
    EXPECT_EQ(window->PanelText(4), "Self-test done: the device reports no fault.");
    EXPECT_EQ(page->MessageIds(), QList<int>{2521}) << "the list still shows the state";
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}
