// The bus category of the device type: only the first category element
// counts, and one that lacks its identifier is a traced fault rather than a
// silently empty answer.
#include "fennick/dataset/clsDataManager.h"
#include "tests/common/TraceCapture.h"
#include <gtest/gtest.h>

namespace {

const QString kProfibus = QStringLiteral("036D1497-387B-11D4-86E1-00E0987270B9");
const QString kHart = QStringLiteral("036D1498-387B-11D4-86E1-00E0987270B9");

QString DeviceTypeWith(const QString& categories)
{
    return QStringLiteral("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType>"
                          "<fdt:BusCategories>%1</fdt:BusCategories></fdt:DtmDeviceType></FDT>")
        .arg(categories);
}

QString Category(const QString& identifier)
{
    return QStringLiteral("<fdt:BusCategory busCategory=\"%1\"/>").arg(identifier);
}

TEST(BusCategoryOfTheDeviceType, OnlyTheFirstCountsAndAMissingIdentifierIsTraced)
{
    TraceCapture traces;
    const auto data = std::make_shared<clsDataManager>();

    ASSERT_TRUE(data->Instance_SetupDataCache(DeviceTypeWith(Category(kProfibus) + Category(kHart))));
    traces.clear();
    EXPECT_EQ(data->GetBusCategory(), kProfibus);
    EXPECT_TRUE(data->IsProfibus());
    EXPECT_FALSE(traces.contains(QStringLiteral("Runtime error")));

    // The first element names no bus: the second is not consulted.
    ASSERT_TRUE(data->Instance_SetupDataCache(
        DeviceTypeWith(QStringLiteral("<fdt:BusCategory/>") + Category(kHart))));
    traces.clear();
    EXPECT_EQ(data->GetBusCategory(), QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("nodeBusCategories.Item(0) does not exist!")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Runtime error")));
    EXPECT_TRUE(traces.contains(QStringLiteral("ErrSource...:clsDataManager.GetBusCategory")));
    EXPECT_FALSE(data->IsProfibus());

    // No category element at all, and no list of them.
    ASSERT_TRUE(data->Instance_SetupDataCache(DeviceTypeWith(QString())));
    traces.clear();
    EXPECT_EQ(data->GetBusCategory(), QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("Length of list fdt:BusCategory = 0")));
    ASSERT_TRUE(data->Instance_SetupDataCache(QStringLiteral("<FDT/>")));
    traces.clear();
    EXPECT_EQ(data->GetBusCategory(), QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("Selecting element fdt:BusCategories failed!")));
}

} // namespace
