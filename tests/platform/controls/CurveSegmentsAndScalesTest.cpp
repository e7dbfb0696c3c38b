// What the display controls compute: the points of curve segments from their
// formulas (the square-root curves of a page among them), the place of a
// value on a scale, the number formats, and creation of every control by
// its ProgID.
#include "platform/automation/ComError.h"
#include "platform/controls/ControlClasses.h"
#include "platform/controls/CurveDefinitions.h"
#include "platform/controls/CurveFormula.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/controls/PioDisplayControl.h"
#include "platform/controls/PioScale.h"
#include <gtest/gtest.h>

using namespace controls;

namespace {

double Value(const QString& formula, double x)
{
    double result = 0;
    QString error;
    EXPECT_TRUE(CurveFormula::Evaluate(formula, x, result, error)) << error.toStdString();
    return result;
}

} // namespace

TEST(CurveFormula, PowerBindsTighterThanProductsAndFromTheRight)
{
    EXPECT_DOUBLE_EQ(Value("10*x^(1/2)", 16), 40);
    EXPECT_DOUBLE_EQ(Value("x^(3/2)/10", 100), 100);
    EXPECT_DOUBLE_EQ(Value("x^(5/2)/1000", 100), 100);
    EXPECT_NEAR(Value("0.4*x+0.0181*x^2-0.000121*x^3", 100), 100, 1e-9);
    EXPECT_NEAR(Value("0.03*x^2-0.0002*x^3", 100), 100, 1e-9);
    EXPECT_DOUBLE_EQ(Value("2^3^2", 0), 512);
    EXPECT_DOUBLE_EQ(Value("-x^2", 3), -9);
    EXPECT_DOUBLE_EQ(Value("2^-1", 0), 0.5);
    EXPECT_DOUBLE_EQ(Value(" ( 1 + x ) * 2 ", 1), 4);
}

TEST(CurveFormula, TextsThatAreNoFormulaAreRefusedWithTheirPlace)
{
    for (const char* bad : {"", "x+", "2*(x", "x y", "sin(x)", "1..2", "x/0"}) {
        double result = 0;
        QString error;
        EXPECT_FALSE(CurveFormula::Evaluate(bad, 1, result, error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    double result = 0;
    QString error;
    EXPECT_FALSE(CurveFormula::Evaluate(QString(500, '(') + "x" + QString(500, ')'), 1, result, error));
}

TEST(CurveDefinitions, SquareRootSegmentsGiveThePointsOfEachStepWithoutRepeatingJoints)
{
    // Cut-off 5 %, transition 20 %: c = 0.25, t = 4.
    CurveDefinitions curves;
    curves.DefineCurve(1);
    curves.AddCurveSegment(1, "0", 0, 0.25f, 0.25f);
    curves.AddCurveSegment(1, "10*x^(1/2)", 0.25f, 4, 3.75f);
    curves.AddCurveSegment(1, "10*x^(1/2)", 4, 100, 2);
    const QList<QPointF> points = curves.Points(1);
    ASSERT_EQ(points.size(), 2 + 1 + 48);
    EXPECT_EQ(points[1], QPointF(0.25, 0));
    EXPECT_DOUBLE_EQ(points[2].y(), 20);
    EXPECT_DOUBLE_EQ(points.last().x(), 100);
    EXPECT_DOUBLE_EQ(points.last().y(), 100);

    // A formula that fails leaves the curve as it was; removing twice is no error.
    EXPECT_THROW(curves.AddCurveSegment(1, "x+", 0, 1, 1), automation::ComError);
    EXPECT_THROW(curves.AddCurveSegment(1, "x", 0, 100, 0), automation::ComError);
    EXPECT_THROW(curves.AddCurveSegment(1, "x", 0, 100, 1e-6f), automation::ComError);
    EXPECT_THROW(curves.AddCurveSegment(7, "x", 0, 100, 5), automation::ComError);
    EXPECT_EQ(curves.Points(1).size(), points.size());
    curves.RemoveCurve(1);
    curves.RemoveCurve(1);
    EXPECT_FALSE(curves.IsDefined(1));
}

TEST(PioScale, ValuesSitOnTheScaleWithinItsEnds)
{
    PioScale scale{PioScale::ParseNumber("-50", 0), PioScale::ParseNumber("150", 100)};
    EXPECT_DOUBLE_EQ(scale.Fraction(50), 0.5);
    EXPECT_DOUBLE_EQ(scale.Fraction(-80), 0);
    EXPECT_DOUBLE_EQ(scale.Fraction(1e9), 1);
    EXPECT_EQ(scale.Ticks(true).size(), 11u);
    EXPECT_EQ(scale.Ticks(false).size(), 51u);
    EXPECT_DOUBLE_EQ(PioScale::ParseNumber("not a number", 7), 7);
    PioScale empty{5, 5};
    EXPECT_DOUBLE_EQ(empty.Fraction(5), 0);
    EXPECT_TRUE(empty.Ticks(true).empty());
    PioScale dense{0, 1e9, 1e-3};
    EXPECT_TRUE(dense.Ticks(true).empty()) << "no scale of a billion divisions";
}

TEST(PioDisplayControl, NumbersShowWithTheirDecimalsAndLongOnesInExponentForm)
{
    EXPECT_EQ(PioDisplayControl::FormatNumber(21.0, 8, 2), "21.00");
    EXPECT_EQ(PioDisplayControl::FormatNumber(3.25, 8, -1), "3.25");
    EXPECT_EQ(PioDisplayControl::FormatNumber(123456789.0, 8, 1), "123456789") << "whole, never an exponent";
    EXPECT_EQ(PioDisplayControl::FormatNumber(3.25, 8, -1, 49), "3,25");
    EXPECT_EQ(PioDisplayControl::FormatNumber(-2.25, 8, 1), "-2.3") << "rounded as the field shows it";
}

TEST(ControlClasses, EveryControlIsCreatedByItsProgId)
{
    RegisterClasses();
    for (const char* progId : {"Piotxt.PioText", "Piocmb.PioCombo", "PioLbl.PioLabel",
                               "PioLblTextUnit.PioLabelTextUnit", "PioLblComboUnit.PioLabelComboUnit",
                               "PioBarGrph.PioBarGraph", "PioPlot.PioPlotter", "PioUsrCrv.PioUserCurve"}) {
        const auto object = automation::ClassRegistry::instance().CreateObject(progId);
        EXPECT_NE(dynamic_cast<PioDisplayControl*>(object.get()), nullptr) << progId;
    }
    EXPECT_NE(automation::ClassRegistry::instance().Create<PioCtrlItemHandler>(
                  "PioCtrItemHandler.PioCtrlItemHandler"),
              nullptr);
}
