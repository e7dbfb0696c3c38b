#include "platform/automation/ClassRegistry.h"
#include "platform/flowcalc/FlowcalcClasses.h"
#include "platform/flowcalc/IMvCalculationEngine.h"
#include "tests/platform/flowcalc/EngineTestSupport.h"
#include <cstring>
#include <gtest/gtest.h>

namespace {
using namespace flowcalc;

TEST(EngineRegistration, EveryCalculationGetsANewEngineByClassIdOrProgId)
{
    RegisterFlowcalcClasses();
    auto& registry = automation::ClassRegistry::instance();
    auto byClassId = registry.Create<IMvCalculationEngine>(QStringLiteral("{ab5a14df-501a-45f6-bb80-73abaae7e50c}"));
    auto byProgId = registry.Create<IMvCalculationEngine>(kMvCalculationEngineProgId);
    ASSERT_TRUE(byClassId);
    ASSERT_TRUE(byProgId);
    EXPECT_NE(byClassId.get(), byProgId.get());

    MvCalculationOutput out;
    int32_t status = -1;
    QString warning;
    byClassId->Calculate(WaterThroughOrifice(), QStringLiteral("21"), out, status, warning);
    EXPECT_EQ(status, kMvStatusOk);
    EXPECT_GT(out.mvKqm, 0);
}

TEST(RecordLayout, FieldsSitAtTheirByteOffsets)
{
    // A record image as bytes: a Long at 4, doubles at 16, 152 + 5 * 8 and 296 + 8 * 8.
    unsigned char image[sizeof(MvCalculationInput)] = {};
    const int32_t element = 3;
    const double diameter = 123.5, t6 = 99.25, z9 = 0.875;
    std::memcpy(image + 4, &element, 4);
    std::memcpy(image + 16, &diameter, 8);
    std::memcpy(image + 192, &t6, 8);
    std::memcpy(image + 360, &z9, 8);
    MvCalculationInput in;
    std::memcpy(&in, image, sizeof image);
    EXPECT_EQ(in.mvBlendeDuese, 3);
    EXPECT_DOUBLE_EQ(in.mvReserved5, 123.5);
    EXPECT_DOUBLE_EQ(in.mvT[5], 99.25);
    EXPECT_DOUBLE_EQ(in.mvZkb[8], 0.875);

    MvCalculationOutput out;
    out.mvInTHiLim = 12.5;
    out.MvInTLoLIm = -7.0;
    out.mvC[5] = 1e6;
    unsigned char outImage[sizeof(MvCalculationOutput)];
    std::memcpy(outImage, &out, sizeof out);
    double value = 0;
    std::memcpy(&value, outImage + 180, 8);
    EXPECT_EQ(value, 12.5);
    std::memcpy(&value, outImage + 188, 8);
    EXPECT_EQ(value, -7.0);
    std::memcpy(&value, outImage + 112, 8);
    EXPECT_EQ(value, 1e6);
}

} // namespace
