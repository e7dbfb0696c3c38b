// The range of the pressure configuration pages with the component library's
// rules beside it: typed or converted on the page, saved to the device, loaded
// from the device again; the units the pages offer.
#include "merrow/pages/frmConfigPressure.h"
#include "merrow/pages/frmConfigStaticPressureHart.h"
#include "platform/controls/PioFieldControl.h"
#include "sim/SimOptions.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace merrowtest;

TEST(RangeOnPressurePage, ARangeSavedToTheDeviceIsTheRangeLoadedFromIt)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(page, nullptr);
    const QString unit = applet.Text(QStringLiteral("ptrbScaleInUnit"));
    ASSERT_EQ(unit, QStringLiteral("8")) << "the device's range is in mbar";

    controls::PioFieldControl* upper = page->txtMessende();
    ASSERT_TRUE(upper->isEnabled());
    upper->ValueField()->selectAll();
    QTest::keyClicks(upper->ValueField(), QStringLiteral("30"));
    upper->CommitPendingEdit();
    ASSERT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), 30);

    auto ended = [&](int confirmation) {
        return piotest::RunUntil([&] {
            return window->PendingFunction() == frmMain::Pending::None && window->isEnabled()
                && window->PanelText(4) == global::LoadLocalizedText(confirmation)
                && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        });
    };
    applet.Trigger(*window, "mnuDeviceSaveToDevice");
    ASSERT_TRUE(ended(3808)) << window->PanelText(4).toStdString();
    // 30 mbar: 3 kPa in the device's base unit.
    EXPECT_NEAR(applet.device.device().pvUpperRange, 3.0, 1e-4);

    applet.Trigger(*window, "mnuDeviceLoadFromDevice");
    ASSERT_TRUE(ended(3807)) << window->PanelText(4).toStdString();
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), 30);
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleInUnit")), unit);
    EXPECT_EQ(upper->ValueField()->text().toDouble(), 30);
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2) << "the device stays connected";
}

namespace {

// Save to device, ended with its confirmation and the window the user's again.
bool SavedToDevice(CorvaneDeviceApplet& applet, frmMain& window)
{
    applet.Trigger(window, "mnuDeviceSaveToDevice");
    return piotest::RunUntil([&] {
        return window.PendingFunction() == frmMain::Pending::None && window.isEnabled()
            && window.PanelText(4) == global::LoadLocalizedText(3808)
            && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    });
}

// The codes a pressure unit list may offer: pressure units, nothing else.
bool OffersPressureUnitsOnly(const QComboBox& list)
{
    static const QList<int> kPressureUnits = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 237};
    for (int i = 0; i < list.count(); ++i)
        if (!kPressureUnits.contains(list.itemData(i).toInt()))
            return false;
    return list.count() == kPressureUnits.size();
}

} // namespace

TEST(RangeOnPressurePage, AChosenUnitConvertsTheRangeOnEveryRevisionAndTheDeviceKeepsItsRange)
{
    constexpr int kKpa = 12;
    for (const uint32_t revision : {19u, 20u, 21u, 22u}) {
        SCOPED_TRACE(revision);
        CorvaneDeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        sim::VariantOptions variant;
        variant.revision = revision;
        variant.multivariable = false; // the unit is the user's choice on every revision
        QString error;
        ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
        frmMain* window = applet.StartConnectedWithTheDevicesDataset();
        ASSERT_NE(window, nullptr);
        auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
        ASSERT_NE(page, nullptr);
        const double upperBefore = applet.device.device().pvUpperRange;
        ASSERT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), upperBefore * 10) << "mbar";

        auto* unit = page->findChild<controls::PioFieldControl*>(QStringLiteral("cmbPvScaleUnit"));
        ASSERT_TRUE(unit && unit->EntryList());
        EXPECT_TRUE(OffersPressureUnitsOnly(*unit->EntryList()));
        const int kpa = unit->EntryList()->findData(kKpa);
        ASSERT_GE(kpa, 0);
        unit->EntryList()->setCurrentIndex(kpa);
        piotest::Settle();
        EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleInUnit")).toInt(), kKpa);
        EXPECT_DOUBLE_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), upperBefore);
        EXPECT_DOUBLE_EQ(applet.Text(QStringLiteral("ptrbScaleIn0")).toDouble(), 0);

        ASSERT_TRUE(SavedToDevice(applet, *window)) << window->PanelText(4).toStdString();
        // Devices from revision 21 on take the unit itself; older ones take
        // the range in it (command 35) and keep their own unit.
        if (revision >= 21) {
            EXPECT_EQ(applet.device.device().pv().units, kKpa);
        }
        EXPECT_NEAR(applet.device.device().pvUpperRange, upperBefore, 1e-4);
    }
}

TEST(RangeOnPressurePage, TheStaticPressureUnitListOffersPressureUnitsOnly)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmConfigStaticPressureHart>(applet, *window, "mnuConfigureStaticPressure");
    ASSERT_NE(page, nullptr);
    controls::PioFieldControl* unit = page->Field(QStringLiteral("PioLabelComboUnit1"));
    ASSERT_TRUE(unit && unit->EntryList());
    EXPECT_TRUE(OffersPressureUnitsOnly(*unit->EntryList()));
}

TEST(RangeOnPressurePage, WhileTheDeviceComputesFlowTheOutputUnitFollowsTheRangeUnitWhereTheRevisionTakesIt)
{
    constexpr int kKpa = 12;
    constexpr int kMbar = 8;
    for (const uint32_t revision : {20u, 22u}) {
        SCOPED_TRACE(revision);
        CorvaneDeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        sim::VariantOptions variant;
        variant.revision = revision;
        variant.multivariable = true; // the flow block computes: the rules copy the range unit to the output
        QString error;
        ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
        frmMain* window = applet.StartConnectedWithTheDevicesDataset();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(applet.Number(QStringLiteral("mvModeBlkActual")), 8);
        auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
        ASSERT_NE(page, nullptr);
        auto* unit = page->findChild<controls::PioFieldControl*>(QStringLiteral("cmbPvScaleUnit"));
        auto* output = page->findChild<controls::PioFieldControl*>(QStringLiteral("cmbOutScaleUnit"));
        ASSERT_TRUE(unit && unit->EntryList() && output && output->EntryList());
        const auto labels = [&] {
            QStringList shown;
            for (const char* name : {"lblOutScaleUnit(0)", "lblOutScaleUnit(1)"})
                if (auto* label = page->findChild<QLabel*>(QLatin1String(name)))
                    shown << label->text();
            return shown;
        };
        ASSERT_EQ(labels(), QStringList({QStringLiteral("mbar"), QStringLiteral("mbar")}));

        if (revision < 21) {
            // The revision keeps its range in mbar: no other unit is offered to be set back unseen.
            EXPECT_FALSE(unit->EntryList()->isEnabled() && unit->isEnabled());
            EXPECT_EQ(unit->EntryList()->currentData().toInt(), kMbar);
            continue;
        }
        ASSERT_TRUE(unit->isEnabled() && unit->EntryList()->isEnabled());
        unit->EntryList()->setCurrentIndex(unit->EntryList()->findData(kKpa));
        piotest::Settle();
        ASSERT_EQ(applet.Text(QStringLiteral("ptrbScaleInUnit")).toInt(), kKpa);
        // The rules gave the output the new unit; the limits beside it say so.
        EXPECT_EQ(applet.Text(QStringLiteral("aiDPOutScaleUnit")).toInt(), kKpa);
        EXPECT_EQ(output->EntryList()->currentText(), QStringLiteral("kPa"));
        EXPECT_EQ(labels(), QStringList({QStringLiteral("kPa"), QStringLiteral("kPa")}));

        ASSERT_TRUE(SavedToDevice(applet, *window)) << window->PanelText(4).toStdString();
        EXPECT_EQ(labels(), QStringList({QStringLiteral("kPa"), QStringLiteral("kPa")}));
    }
}
