// The multivariable block's ranges, reference values and shown copies: the
// range ends clamped into the sensor limits with the minimum span, the
// substitute temperature and the middle table points pulled inside, the
// reference flow, and the "...GUI" copies both ways by software revision.
#include "tests/corvane/MvRulesTestSupport.h"

namespace {

using namespace mvtest;

// A rig with temperature and pressure sensor limits set.
class MvRangeRig : public MvRig {
public:
    MvRangeRig()
    {
        if (!Ready())
            return;
        Put(QStringLiteral("ttrbLowerSensorLimit"), -200);
        Put(QStringLiteral("ttrbUpperSensorLimit"), 850);
        Put(QStringLiteral("ttrbCalMinSpan"), 10);
        Put(QStringLiteral("ptrbLowerSensorLimit"), -1000);
        Put(QStringLiteral("ptrbUpperSensorLimit"), 1000);
        Put(QStringLiteral("ptrbMinSpan"), 10);
        Put(QStringLiteral("ptrbStaticPressureHiLim"), 160);
        Put(QStringLiteral("ptrbStaticPressureMinSpan"), 1);
        Put(QStringLiteral("ptrbCalUnit"), kBar);
        Put(QStringLiteral("ptrbSensorLimitUnit"), kMbar);
        Put(QStringLiteral("ptrbScaleInUnit"), kMbar);
    }
};

} // namespace

TEST(MvTemperatureRange, LimitsStayInsideTheSensorLimitsAndPullTheSubstituteAlong)
{
    MvRangeRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.Put(QStringLiteral("mvInTLoLim"), -300);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTLoLim")), -200);
    rig.Put(QStringLiteral("mvInTLoLim"), 145); // too close to the upper limit 150
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTLoLim")), 140);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTDefault")), 140); // raised with it
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvT1")), 140);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvTkb1GUI")), 140);

    rig.Put(QStringLiteral("mvInTHiLim"), 900);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTHiLim")), 850);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvT2")), 850);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvTkb3GUI")), 850);
    rig.Put(QStringLiteral("mvInTHiLim"), 100);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTHiLim")), 150); // a minimum span above the lower limit
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTDefault")), 140);
}

TEST(MvTemperatureRange, WhileASequenceRunsTheTableFollowsButNothingIsClamped)
{
    MvRangeRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.SetSequence(QStringLiteral("uploadMv"));
    rig.Put(QStringLiteral("mvInTLoLim"), -300);
    rig.Put(QStringLiteral("mvInTDefault"), -400);
    rig.Put(QStringLiteral("mvInDpLoLim"), -5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTLoLim")), -300);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTDefault")), -400);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpLoLim")), -5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvT1")), -300);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvTkb1GUI")), -300);
}

TEST(MvSubstituteTemperature, IsPulledInsideTheRange)
{
    MvRangeRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.Put(QStringLiteral("mvInTDefault"), 500);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTDefault")), 150);
    rig.Put(QStringLiteral("mvInTDefault"), -60);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInTDefault")), -50);
}

TEST(MvDifferentialPressureRange, LowerLimitStaysAboveZeroAndTheUpperOneASpanAboveIt)
{
    MvRangeRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.Put(QStringLiteral("mvInDpHiLim"), 500);
    rig.Put(QStringLiteral("mvInDpLoLim"), -5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpLoLim")), 0);
    rig.Put(QStringLiteral("mvInDpLoLim"), 600); // above the upper limit 500
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpLoLim")), 490);
    rig.Put(QStringLiteral("mvInDpHiLim"), 300); // below the lower limit: lifted, then a span above it
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 500);
    rig.Put(QStringLiteral("mvInDpHiLim"), 5000);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInDpHiLim")), 1000); // the upper sensor limit
}

TEST(MvStaticPressureRange, UpperLimitStaysBelowItsBoundAndTheShownPointsFollow)
{
    MvRangeRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("mvInPUnit"), kBar);
    rig.Put(QStringLiteral("ptrbSensorLimitUnit"), kBar); // the unit of the upper bound
    rig.Start();
    rig.Put(QStringLiteral("mvInPHiLim"), 200);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInPHiLim")), 160);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb3GUI")), 160);
    rig.Put(QStringLiteral("mvInPLoLim"), 159.5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInPLoLim")), 159);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb1GUI")), 159);
    rig.Put(QStringLiteral("mvInPDefault"), 500); // not pulled into the range
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvInPDefault")), 500);
}

TEST(MvReferenceFlow, FollowsTheFlowOutputsUpperRangeValue)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Start();
    rig.Put(QStringLiteral("mvOutMassFlowMaxValue"), 12.5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvQmr")), 12.5);
}

TEST(MvTablePoints, TheMiddlePointStaysBetweenLowAndHighAndItsShownCopyFollows)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.SetRevision(20); // shown points in the user's unit, device points in bar
    rig.Put(QStringLiteral("mvInPUnit"), kMbar);
    rig.Put(QStringLiteral("mvPkb1"), 1);
    rig.Put(QStringLiteral("mvPkb2"), 2);
    rig.Put(QStringLiteral("mvPkb3"), 3);
    rig.Start();
    rig.Put(QStringLiteral("mvPkb1"), 2.5); // low above the middle
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb2")), 2.5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb1GUI")), 2500);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb2GUI")), 2500);
    rig.Put(QStringLiteral("mvPkb3"), 2); // high below the middle
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb2")), 2);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb2GUI")), 2000);

    // An edit of a shown point reaches the device point in bar.
    rig.Put(QStringLiteral("mvPkb3GUI"), 4000);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPkb3")), 4);
    rig.Put(QStringLiteral("mvTkb1GUI"), 15); // temperature points in "C": the same value
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvTkb1")), 15);
}

TEST(MvShownCopies, RevisionTwentyKeepsTheReferencePressureInBar)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.SetRevision(20);
    rig.Put(QStringLiteral("mvInPUnit"), kMbar);
    rig.Put(QStringLiteral("mvPrGUI"), 7);
    rig.Start();
    // The start shows the device value again (1.01325 bar) instead of taking the shown copy, which is not stored.
    EXPECT_NEAR(rig.Number(QStringLiteral("mvPrGUI")), 1013.25, 1e-3);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvPr")), 1.01325, 1e-6);
    rig.Put(QStringLiteral("mvPr"), 1.5);
    EXPECT_NEAR(rig.Number(QStringLiteral("mvPrGUI")), 1013.25, 1e-3); // not copied below revision 21
    rig.Put(QStringLiteral("mvPrGUI"), 2000);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPr")), 2);
    rig.Put(QStringLiteral("mvPr"), 3);
    rig.control->HandleUploadCompleted();
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPrGUI")), 3000);
}

TEST(MvShownCopies, RevisionTwentyOneCopiesThePressureButStillConvertsTheDensity)
{
    MvRig rig;
    MV_REQUIRE_RIG(rig);
    rig.Put(QStringLiteral("mvInPUnit"), kMbar);
    rig.Put(QStringLiteral("mvDensityUnit"), kGPerCm3);
    rig.Start();
    rig.Put(QStringLiteral("mvPr"), 1013);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPrGUI")), 1013);
    rig.Put(QStringLiteral("mvPrGUI"), 1020);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvPr")), 1020);

    rig.Put(QStringLiteral("mvRhorGUI"), 1.5);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhoR")), 1500); // kept in kg/m3
    rig.Put(QStringLiteral("mvRhoR"), 800);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhorGUI")), 1.5); // not copied below revision 22
    rig.control->HandleUploadCompleted();
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhorGUI")), 0.8);

    rig.SetRevision(22);
    rig.Put(QStringLiteral("mvRhoNormGUI"), 1.25);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhoNorm")), 1.25);
    rig.Put(QStringLiteral("mvRhoNorm"), 1.3);
    EXPECT_DOUBLE_EQ(rig.Number(QStringLiteral("mvRhoNormGUI")), 1.3);
}
