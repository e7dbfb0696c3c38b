// The display setting control on the toolkit with the Trivex description:
// which measured values the selector offers for each device variant, the
// item names, scale ends, divisions and decimal places of each line, the
// revision-21 names, the rebuilds after a changed limit or temperature input,
// the first selection, and the window that closes when its line is gone.
#include "DalvexTestSupport.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioBarGraph.h"
#include <QLabel>

using namespace dalvextest;
using Window = DisplayWindow<controls::PioBarGraph>;

namespace {

class EntryTableByDeviceVariant : public ::testing::Test {
protected:
    void SetUp() override { DALVEX_REQUIRE_DEVICE(device); }

    // The variant first, then the registration (as the window's item handler
    // does it after the device was read), then Init.
    // The device information binds the revision item of the bus it finds at
    // registration, and the description holds HART's only: the bus is set
    // after registering.
    void Open(const TrivexDevice::Variant& variant, bool pid = false)
    {
        TrivexDevice::Variant hart = variant;
        hart.bus = kHart;
        device.SetVariant(hart);
        window.ctlDisplaySetting1->pid = pid;
        window.ctlDisplaySetting1->Register(device.applet.manager);
        ASSERT_TRUE(window.ctlDisplaySetting1->Registered());
        device.Put(QStringLiteral("pbSoftwareSpecifics"), variant.bus);
        window.Init();
    }
    const ctlDisplaySetting::Entry& Entry(int line) const { return window.ctlDisplaySetting1->GetEntry(line); }
    pioitems::PioAppItem* Limit(int index) const
    {
        return window.ctlDisplaySetting1->ItemControl(ctlDisplaySetting::appValueLimits, index);
    }

    TrivexDevice device;
    Window window;
};

TEST_F(EntryTableByDeviceVariant, HartAbsoluteModuleWithoutMvOffersThreeLines)
{
    device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), 100);
    device.PutDeviceValue(QStringLiteral("ptrbTemperatureHiLim"), 85);
    device.PutDeviceValue(QStringLiteral("ptrbTemperatureLoLim"), -40);
    device.PutDeviceValue(QStringLiteral("aiDPOutScale100"), 2);
    Open({kHart, kAbsoluteModule, false});
    EXPECT_EQ(window.Lines(), QStringList({"Pressure", "Sensor Temperature", "Output Pressure"}));
    ASSERT_EQ(window.ctlDisplaySetting1->EntryCount(), 3);

    const auto& pressure = Entry(0);
    EXPECT_EQ(pressure.Unit, "ptrbScaleInUnit");
    EXPECT_EQ(pressure.Value, "ptrbSecondaryValue1");
    EXPECT_EQ(pressure.Min, "0");
    EXPECT_EQ(pressure.Max, "100");
    EXPECT_FLOAT_EQ(pressure.LargeStep, 10);
    EXPECT_FLOAT_EQ(pressure.SmallStep, 2);
    EXPECT_EQ(pressure.DecimalPlaces, 2) << "1000 / span 100 = 10: two characters";
    EXPECT_EQ(pressure.MaxDigits, 8);
    EXPECT_TRUE(pressure.HiLim.isEmpty() && pressure.LoLoLim.isEmpty());

    const auto& sensor = Entry(1);
    EXPECT_EQ(sensor.Value, "ptrbTemperatureValue");
    EXPECT_EQ(sensor.Min, "-40");
    EXPECT_EQ(sensor.Max, "85");
    EXPECT_FLOAT_EQ(sensor.LargeStep, 12.5f);
    EXPECT_EQ(sensor.DecimalPlaces, 1);

    const auto& output = Entry(2);
    EXPECT_EQ(output.Unit, "aiDPOutScaleUnit");
    EXPECT_EQ(output.Value, "aiDPoutValue");
    EXPECT_EQ(output.DecimalPlaces, 3) << "1000 / span 2 = 500";
    EXPECT_EQ(QStringList({output.HiLim, output.HiHiLim, output.LoLim, output.LoLoLim}),
              QStringList({"aiDPHiLim", "aiDPHiHiLim", "aiDPLoLim", "aiDPLoLoLim"}));
}

TEST_F(EntryTableByDeviceVariant, ProfibusWithMvBlockModeAutomaticAndPidOffersAllTenLinesInGerman)
{
    device.Put(QStringLiteral("&&private&&countrycode"), QStringLiteral("49"));
    device.PutDeviceValue(QStringLiteral("mvOutVolFlowMaxValue"), 100);
    device.PutDeviceValue(QStringLiteral("mvOutMassFlowMaxValue"), 5000);
    Open({kProfibus, kDifferentialModule, true, 8, 21}, true);
    EXPECT_EQ(window.Lines(),
              QStringList({"Differenzdruck", "Statischer Druck", "Messwerkstemperatur", "Temperatur",
                           "Ausgang Diff. Druck", "Ausgang Stat. Druck", "Ausgang Temperatur", "Volumendurchfluss",
                           "Masse-/Normvolumendurchfluss", "Ausgang Regler"}));
    ASSERT_EQ(window.ctlDisplaySetting1->EntryCount(), 10);
    EXPECT_EQ(Entry(0).Value, "ptrbSecondaryValue1") << "the revision names are HART's only";
    EXPECT_EQ(Entry(5).Value, "aiPoutValue");
    EXPECT_EQ(Entry(5).HiHiLim, "aiPHiHiLim");
    EXPECT_EQ(Entry(9).Value, "pidOutValue");

    // The flow lines start at 0 and take their decimals from the maximum alone.
    EXPECT_EQ(Entry(7).Min, "0");
    EXPECT_EQ(Entry(7).Max, "100");
    EXPECT_EQ(Entry(7).DecimalPlaces, 2);
    EXPECT_EQ(Entry(8).Min, "0");
    EXPECT_EQ(Entry(8).Max, "5000");
    EXPECT_FLOAT_EQ(Entry(8).LargeStep, 500);
    EXPECT_EQ(Entry(8).DecimalPlaces, 1);

    // Out of automatic mode the flow lines go; on HART the static output too.
    device.Put(QStringLiteral("mvModeBlkActual"), QStringLiteral("128"));
    device.Put(QStringLiteral("pbSoftwareSpecifics"), kHart);
    window.Init();
    EXPECT_EQ(window.ctlDisplaySetting1->EntryCount(), 7);
    EXPECT_FALSE(window.Lines().contains("Volumendurchfluss"));
    EXPECT_FALSE(window.Lines().contains("Ausgang Stat. Druck"));
}

TEST_F(EntryTableByDeviceVariant, HartRevision21BindsTheSuffixedNamesOnceAndRevision20ThePlainOnes)
{
    Open({kHart, kDifferentialModule, true, 8, 21});
    auto* scaleUnit = window.ctlDisplaySetting1->ItemControl(ctlDisplaySetting::appPtrbScaleInUnit);
    auto* staticUnit = window.ctlDisplaySetting1->ItemControl(ctlDisplaySetting::appPtrbStaticPressureScaleInUnit);
    EXPECT_EQ(scaleUnit->AppItemName(), "ptrbScaleInUnit_21");
    EXPECT_EQ(staticUnit->AppItemName(), "ptrbStaticPressureScaleInUnit_21");
    EXPECT_EQ(Entry(0).Unit, "ptrbScaleInUnit_21");
    EXPECT_EQ(Entry(0).Value, "ptrbSecondaryValue1_21");
    EXPECT_EQ(Entry(1).Value, "ptrbStaticPressureValue_21");
    EXPECT_EQ(Entry(3).Unit, "ttrbPrimaryValueUnit_21");
    EXPECT_EQ(Entry(3).Value, "ttrbPrimaryValue_21");
    EXPECT_EQ(Entry(4).Value, "aiDPoutValue") << "the outputs have one name for every revision";
    EXPECT_EQ(window.displayCtrl->ObjectNameValue(), "ptrbSecondaryValue1_21") << "the first line is bound";

    // Registered again: the suffix is applied to the base names, once.
    window.ctlDisplaySetting1->UnRegister();
    window.ctlDisplaySetting1->Register(device.applet.manager);
    EXPECT_EQ(scaleUnit->AppItemName(), "ptrbScaleInUnit_21");
    EXPECT_EQ(staticUnit->AppItemName(), "ptrbStaticPressureScaleInUnit_21");

    // Another device of revision 20 on the same control: the plain names.
    window.ctlDisplaySetting1->UnRegister();
    device.Put(QStringLiteral("pbSoftwareRevisionHART"), QStringLiteral("20"));
    window.ctlDisplaySetting1->Register(device.applet.manager);
    window.Init();
    EXPECT_EQ(scaleUnit->AppItemName(), "ptrbScaleInUnit");
    EXPECT_EQ(Entry(0).Unit, "ptrbScaleInUnit");
    EXPECT_EQ(Entry(0).Value, "ptrbSecondaryValue1");
    EXPECT_EQ(Entry(3).Value, "ttrbPrimaryValue");
    EXPECT_EQ(window.displayCtrl->ObjectNameValue(), "ptrbSecondaryValue1");
}

TEST_F(EntryTableByDeviceVariant, TheDefaultTemperatureInputBitRebuildsTheListWithThePlainDefaultItem)
{
    Open({kHart, kDifferentialModule, true, 8, 21});
    window.cmbMeasValue->setCurrentIndex(3);
    ASSERT_EQ(window.Lines().at(3), "Temperature");
    EXPECT_EQ(window.displayCtrl->ObjectNameValue(), "ttrbPrimaryValue_21");

    device.Put(QStringLiteral("mvDefaultInpSel"), QStringLiteral("5"));
    EXPECT_EQ(Entry(3).Value, "mvInTDefault");
    EXPECT_EQ(Entry(3).Unit, "ttrbPrimaryValueUnit");
    EXPECT_EQ(window.cmbMeasValue->currentIndex(), 3) << "the selection is kept";
    EXPECT_EQ(window.displayCtrl->ObjectNameValue(), "mvInTDefault") << "and the display bound anew";
    EXPECT_EQ(Entry(2).Value, "ptrbTemperatureValue_21") << "the sensor temperature keeps its rule";

    device.Put(QStringLiteral("mvDefaultInpSel"), QStringLiteral("3"));
    EXPECT_EQ(Entry(3).Value, "ttrbPrimaryValue_21");
}

TEST_F(EntryTableByDeviceVariant, AChangedLimitRebuildsButOneThatRepeatsItsLastTextDoesNot)
{
    Open({kHart, kDifferentialModule, false});
    const int before = window.selections;
    device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), 250);
    EXPECT_EQ(window.selections, before + 1) << "rebuilt and selected again";
    EXPECT_EQ(Entry(0).Max, "250");
    EXPECT_EQ(window.displayCtrl->ObjectNameMax(), "250");
    EXPECT_FLOAT_EQ(window.displayCtrl->LargeStep(), 25);

    emit Limit(1)->ValueChanged(Limit(1)->StringValue());
    EXPECT_EQ(window.selections, before + 1) << "the same text again rebuilds nothing";
}

TEST_F(EntryTableByDeviceVariant, LimitsThatSpanNothingKeepTheLinesDecimalPlaces)
{
    // Before the range values are read both ends read 0: the start value.
    device.PutDeviceValue(QStringLiteral("ptrbScaleIn0"), 0);
    device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), 0);
    Open({kHart, kDifferentialModule, false});
    EXPECT_EQ(window.ctlDisplaySetting1->EntryCount(), 4) << "the zero span does not stop the list";
    EXPECT_EQ(Entry(0).DecimalPlaces, ctlDisplaySetting::kFirstDecimalPlaces);

    device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), 10);
    EXPECT_EQ(Entry(0).DecimalPlaces, 3);
    device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), 0);
    EXPECT_EQ(Entry(0).DecimalPlaces, 3) << "kept from the last span";
    EXPECT_EQ(window.displayCtrl->DecimalPlaces(), 3);
}

TEST_F(EntryTableByDeviceVariant, TheFirstInitSelectsTheFirstLineAndBindsTheDisplay)
{
    Open({kHart, kDifferentialModule, false});
    EXPECT_EQ(window.cmbMeasValue->currentIndex(), 0);
    EXPECT_EQ(window.selections, 1) << "one selection, once the lines are there";
    EXPECT_EQ(window.displayCtrl->ObjectNameValue(), "ptrbSecondaryValue1");
    EXPECT_EQ(window.displayCtrl->ObjectNameUnit(), "ptrbScaleInUnit");
    EXPECT_TRUE(window.displayCtrl->IsRegistered());
    EXPECT_EQ(window.ctlDisplaySetting1->Label1()->text(), window.ctlDisplaySetting1->objectName());
}

TEST_F(EntryTableByDeviceVariant, WhenTheListShrinksBelowTheSelectedLineTheWindowCloses)
{
    Open({kHart, kDifferentialModule, true, 8, 20});
    window.form.show();
    ASSERT_EQ(window.ctlDisplaySetting1->EntryCount(), 8);
    window.cmbMeasValue->setCurrentIndex(7);
    window.Init();
    pioitemstest::Settle();
    EXPECT_TRUE(window.form.isVisible()) << "the line is still there";

    device.Put(QStringLiteral("pbMultivariableFunction"), QStringLiteral("0"));
    window.Init();
    EXPECT_EQ(window.ctlDisplaySetting1->EntryCount(), 4);
    pioitemstest::Settle();
    EXPECT_FALSE(window.form.isVisible());
}

TEST_F(EntryTableByDeviceVariant, InitBeforeRegistrationRaisesAndLimitChangesBeforeInitRebuildNothing)
{
    EXPECT_THROW(window.Init(), automation::ComError);
    window.ctlDisplaySetting1->Register(device.applet.manager);
    device.PutDeviceValue(QStringLiteral("ptrbScaleIn100"), 50);
    EXPECT_EQ(window.cmbMeasValue->count(), 0);
    window.ctlDisplaySetting1->UnRegister();
    EXPECT_FALSE(window.ctlDisplaySetting1->Registered());
}

} // namespace
