// The multivariable block rules on unit and material items: the enable masks
// by bus and medium, the forced units, the conversions of the dependent
// values (the first change after binding and after an upload included), and
// the materials by software revision.
#include "tests/corvane/MvRulesTestSupport.h"

namespace {

using namespace mvtest;

QString Ones(int count, int first, int enabled)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(i >= first && i < first + enabled ? QStringLiteral("1") : QStringLiteral("0"));
    return entries.join(QStringLiteral(", "));
}

const QString kFlowMask = QStringLiteral("&&ObjectLimit&&mvOutMassFlowUnit");

} // namespace

TEST(MvMasks, DensityAndVolumeFlowMasksArePinnedFromRegistrationOn)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("&&ObjectLimit&&mvDensityUnit"), Ones(20, 0, 3));
    rig.Start();
    EXPECT_EQ(rig.Text(QStringLiteral("&&ObjectLimit&&mvDensityUnit")), Ones(20, 0, 20));
    EXPECT_EQ(rig.Text(QStringLiteral("&&ObjectLimit&&mvOutVolFlowUnit")), Ones(26, 0, 26));
    rig.Put(QStringLiteral("&&ObjectLimit&&mvOutVolFlowUnit"), Ones(26, 0, 1));
    EXPECT_EQ(rig.Text(QStringLiteral("&&ObjectLimit&&mvOutVolFlowUnit")), Ones(26, 0, 26));
}

TEST(MvMasks, FlowOutputUnitsFollowTheMediumAndTheBus)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.Put(QStringLiteral("mvMediumType"), 4);
    EXPECT_EQ(rig.Text(kFlowMask), Ones(45, 0, 26)); // HART: the volume-flow units first
    rig.Put(QStringLiteral("mvMediumType"), 1);
    EXPECT_EQ(rig.Text(kFlowMask), Ones(45, 26, 19));

    rig.Put(QStringLiteral("pbSoftwareSpecifics"), kProfibusSpecifics);
    rig.Put(QStringLiteral("mvMediumType"), 4);
    EXPECT_EQ(rig.Text(kFlowMask), Ones(45, 19, 26)); // PROFIBUS: the mass-flow units first
    rig.Put(QStringLiteral("mvMediumType"), 2);
    EXPECT_EQ(rig.Text(kFlowMask), Ones(45, 0, 19));
}

TEST(MvMediumRule, AChangedMediumForcesItsFlowUnitAlsoWhileASequenceRuns)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("mvMediumType"), 1);
    rig.Put(QStringLiteral("mvOutMassFlowUnit"), kKgPerH);
    rig.Start();
    // The medium the control met is the one it compares with: its first
    // notification forces nothing.
    EXPECT_EQ(rig.Number(QStringLiteral("mvOutMassFlowUnit")), kKgPerH);

    rig.SetSequence(QStringLiteral("UploadAll"));
    rig.Put(QStringLiteral("mvMediumType"), 4); // the user's change: forced although a sequence runs
    EXPECT_EQ(rig.Number(QStringLiteral("mvOutMassFlowUnit")), kM3PerS);
    rig.SetSequence(QString());
    rig.Put(QStringLiteral("mvOutMassFlowUnit"), kM3PerH);
    rig.Put(QStringLiteral("mvMediumType"), 4); // the same medium again: nothing forced
    EXPECT_EQ(rig.Number(QStringLiteral("mvOutMassFlowUnit")), kM3PerH);
    rig.Put(QStringLiteral("mvMediumType"), 6);
    EXPECT_EQ(rig.Number(QStringLiteral("mvOutMassFlowUnit")), kKgPerS);
}

TEST(MvUnitConversion, TheFirstChangeAfterBindingConvertsFromTheBoundUnit)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    // A dataset in mbar: the values are in the unit the unit item holds.
    rig.Put(QStringLiteral("mvInPUnit"), kMbar);
    rig.Put(QStringLiteral("mvInPLoLim"), 100);
    rig.Put(QStringLiteral("mvInPHiLim"), 5000);
    rig.Put(QStringLiteral("mvInPDefault"), 1000);
    rig.Put(QStringLiteral("mvPr"), 1013.25); // revision 21: both in the user's unit
    rig.Put(QStringLiteral("mvPrGUI"), 1013.25);
    rig.Start();

    rig.Put(QStringLiteral("mvInPUnit"), kBar);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInPLoLim")), 0.1);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInPHiLim")), 5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInPDefault")), 1);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvPrGUI")), 1.01325, 1e-6);
    // Revision 21 keeps the reference pressure in the user's unit: a plain copy.
    EXPECT_NEAR(rig.Number(QStringLiteral("mvPr")), 1.01325, 1e-6);
    // The shown points were converted and passed on; each range end shows in its point.
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb1GUI")), 0.1);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb3GUI")), 5);
}

TEST(MvUnitConversion, TemperatureUnitConvertsRangeTableCopyAndTheSubstitute)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("ttrbLowerSensorLimit"), -200);
    rig.Put(QStringLiteral("ttrbUpperSensorLimit"), 850);
    rig.Start();
    rig.Put(QStringLiteral("mvT4"), 30);
    rig.Put(QStringLiteral("mvInTDefault"), 25);
    rig.Put(QStringLiteral("mvInTUnit"), kKelvin);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvInTLoLim")), 223.15, 1e-3);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvInTHiLim")), 423.15, 1e-3);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvT4")), 303.15, 1e-3);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvTkb2GUI")), 293.15, 1e-3);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvTrGUI")), 293.15, 1e-3);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvInTDefault")), 298.15, 1e-3);
}

TEST(MvUnitConversion, DifferentialPressureRangeIsConvertedWithoutBeingClamped)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("ptrbUpperSensorLimit"), 1000);
    rig.Put(QStringLiteral("ptrbMinSpan"), 10);
    rig.Put(QStringLiteral("mvDpr"), 250);
    rig.Start();
    rig.Put(QStringLiteral("mvInDPUnit"), kBar);
    // In bar the range is 0 .. 0.25, closer than the minimum span in the
    // range unit of the rules: a clamp during the conversion would move it.
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpLoLim")), 0);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 0.25);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvDpr")), 0.25);
}

TEST(MvUnitConversion, DensityUnitConvertsTheTableAndTheShownCopies)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.SetRevision(22);
    rig.Start();
    rig.Put(QStringLiteral("mvDensityUnit"), kGPerCm3);
    for (int i = 1; i <= 6; ++i)
        EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRho%1").arg(i)), 1) << i;
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhorGUI")), 1);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvRhoNormGUI")), 0.0012, 1e-9);
    // Revision 22 keeps the density in the user's unit: plain copies.
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhoR")), 1);

    rig.Put(QStringLiteral("mvDensityUnit"), 0);
    EXPECT_EQ(rig.Number(QStringLiteral("mvDensityUnit")), kKgPerM3);
    // The values were in g/cm3 and are in kg/m3 now.
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRho1")), 1000);
}

TEST(MvUnitConversion, FlowUnitsConvertTheirUpperRangeValues)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("mvOutMassFlowMaxValue"), 2);
    rig.Put(QStringLiteral("mvOutVolFlowUnit"), kM3PerS);
    rig.Put(QStringLiteral("mvOutVolFlowMaxValue"), 0.5);
    rig.Start();
    rig.Put(QStringLiteral("mvOutMassFlowUnit"), kKgPerH);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvOutMassFlowMaxValue")), 7200, 1e-3); // a float item
    rig.Put(QStringLiteral("mvOutVolFlowUnit"), kLPerS);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvOutVolFlowMaxValue")), 500);
}

TEST(MvUnitConversion, UnitsChangedWhileASequenceRunsAreFollowedWithoutConverting)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.SetSequence(QStringLiteral("UploadAll"));
    rig.Put(QStringLiteral("mvInDPUnit"), kBar);
    rig.Put(QStringLiteral("mvInDpHiLim"), 0.4); // uploaded in bar
    rig.SetSequence(QString());
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 0.4);
    rig.Put(QStringLiteral("mvInDPUnit"), kMbar);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 400);
}

TEST(MvUnitConversion, TubeDiameterFollowsItsUnitAndAnUnknownUnitBecomesMillimetres)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("mvReserved5"), 254);
    rig.Start();
    rig.Put(QStringLiteral("mvReserved6"), kIn);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvReserved5")), 10, 1e-9);
    rig.Put(QStringLiteral("mvReserved6"), 12);
    EXPECT_EQ(rig.Number(QStringLiteral("mvReserved6")), kMm);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvReserved5")), 10, 1e-9);
}

TEST(MvMaterials, AcceptedCodesDependOnTheRevisionAndAUserEditIsCorrectedSilently)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.Put(QStringLiteral("mvh0"), 3);
    EXPECT_EQ(rig.Text(QStringLiteral("mvh0")), QStringLiteral("250")); // revision 21: only "Not used"
    rig.SetRevision(22);
    rig.Put(QStringLiteral("mvh0"), 3);
    EXPECT_EQ(rig.Text(QStringLiteral("mvh0")), QStringLiteral("3"));
    rig.Put(QStringLiteral("mvMolCO2"), 1);
    EXPECT_EQ(rig.Text(QStringLiteral("mvMolCO2")), QStringLiteral("250"));
    EXPECT_EQ(rig.Text(QStringLiteral("ChangesByRevision")), QString());
}

TEST(MvMaterials, EveryMaterialTheDescriptionOffersIsKeptFromRevision22On)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.SetRevision(22);
    // The entries of the description's element-material enumeration.
    for (int code : {0, 3, 26, 145, 146, 147, 148, 250}) {
        rig.Put(QStringLiteral("mvh0"), code);
        rig.Put(QStringLiteral("mvMolCO2"), code);
        EXPECT_EQ(rig.Text(QStringLiteral("mvh0")), QString::number(code));
        EXPECT_EQ(rig.Text(QStringLiteral("mvMolCO2")), QString::number(code));
    }
}

TEST(MvUploadCompleted, ReRunsTheRulesOverTheUploadedValuesAndReportsForcedMaterials)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("pbMultivariableFunction"), 1);
    rig.Start();
    // The upload: units and values arrive while the sequence runs.
    rig.SetSequence(QStringLiteral("uploadMv"));
    rig.Put(QStringLiteral("mvReserved6"), kIn);
    rig.Put(QStringLiteral("mvReserved5"), 4); // inches
    rig.Put(QStringLiteral("mvh0"), 3);
    rig.Put(QStringLiteral("mvOutMassFlowMaxValue"), 20);
    rig.Put(QStringLiteral("mvInTDefault"), 900);
    EXPECT_EQ(rig.Text(QStringLiteral("mvh0")), QStringLiteral("3")); // no rule during the upload
    EXPECT_NE(rig.Number(QStringLiteral("mvQmr")), 20);
    rig.SetSequence(QString());
    rig.control->HandleUploadCompleted();

    // The diameter arrived in the uploaded unit: nothing to convert.
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvReserved5")), 4);
    EXPECT_EQ(rig.Text(QStringLiteral("mvh0")), QStringLiteral("250"));
    EXPECT_EQ(rig.Text(QStringLiteral("ChangesByRevision")),
              QStringLiteral("Setting primary element material to \"Not used\"."));
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvQmr")), 20);
    // The temperature range pulled the substitute in.
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTDefault")), 150);

    // Later user edits are corrected without a message, and convert from the uploaded unit.
    rig.Put(QStringLiteral("ChangesByRevision"), QString());
    rig.Put(QStringLiteral("mvMolCO2"), 7);
    EXPECT_EQ(rig.Text(QStringLiteral("ChangesByRevision")), QString());
    rig.Put(QStringLiteral("mvReserved6"), kMm);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvReserved5")), 101.6, 1e-4);
}

TEST(MvDeviceInfoEvents, BlockModeAndFunctionChangesReachThePressureRulesWhileRegistered)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    const int before = rig.ptrb->calls;
    rig.Put(QStringLiteral("pbMultivariableFunction"), 1);
    EXPECT_EQ(rig.ptrb->calls, before + 1);
    rig.Put(QStringLiteral("mvModeBlkActual"), 16);
    EXPECT_EQ(rig.ptrb->calls, before + 2);

    rig.control->UnRegister();
    rig.Put(QStringLiteral("mvModeBlkActual"), 8);
    EXPECT_EQ(rig.ptrb->calls, before + 2);
    // Unregistered, only the masks would answer, and their items are let go.
    rig.Put(QStringLiteral("mvInDpLoLim"), -5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpLoLim")), -5);
}
