// The three signals of the device information: each fires on its item's first
// notification after binding and afterwards only when the value it reports
// really changed; the revision signal carries the extracted revision and
// stays quiet for changes that run no rules.
#include "DeviceInfoTestSupport.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/enmExeption.h"
#include "platform/automation/ComError.h"
#include "tests/pioextensions/ErrorTraces.h"
#include <QSignalSpy>

using namespace deviceinfotest;

namespace {

class DeviceInfoEventsTest : public ManagerFixture {
protected:
    DeviceInfoEventsTest()
    {
        info->Register(manager);
        EXPECT_TRUE(info->Registered());
    }
    std::shared_ptr<clsDeviceInfo> info = std::make_shared<clsDeviceInfo>();
    QSignalSpy mvFunction{info.get(), &clsDeviceInfo::MvFunctionChanged};
    QSignalSpy blockMode{info.get(), &clsDeviceInfo::MvActualBlockModeChanged};
    QSignalSpy revision{info.get(), &clsDeviceInfo::SoftwareRevisionChanged};
};

TEST_F(DeviceInfoEventsTest, MvFunctionFiresFirstThenOnlyOnARealChange)
{
    Pump(); // the refresh after binding is the first notification
    ASSERT_EQ(mvFunction.count(), 1);
    EXPECT_EQ(mvFunction.takeFirst().at(0).toBool(), false);

    manager->RefreshAll();
    EXPECT_EQ(mvFunction.count(), 0);

    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    ASSERT_EQ(mvFunction.count(), 1);
    EXPECT_EQ(mvFunction.takeFirst().at(0).toBool(), true);
    manager->RefreshAll();
    PutNumber(QStringLiteral("pbMultivariableFunction"), 0);
    ASSERT_EQ(mvFunction.count(), 1);
    EXPECT_EQ(mvFunction.takeFirst().at(0).toBool(), false);
}

TEST_F(DeviceInfoEventsTest, BlockModeFiresFirstThenOnlyWhenTheReportedModeChanges)
{
    Pump();
    ASSERT_EQ(blockMode.count(), 1);
    EXPECT_EQ(blockMode.takeFirst().at(0).toInt(), 0); // function off: no mode

    // The item changes, the reported mode (0 while off) does not.
    PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    EXPECT_EQ(blockMode.count(), 0);

    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    EXPECT_EQ(blockMode.count(), 0); // its own item did not change
    PutNumber(QStringLiteral("mvModeBlkActual"), 8);
    ASSERT_EQ(blockMode.count(), 1);
    EXPECT_EQ(blockMode.takeFirst().at(0).toInt(), 8);
    manager->RefreshAll();
    EXPECT_EQ(blockMode.count(), 0);
    PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    ASSERT_EQ(blockMode.count(), 1);
    EXPECT_EQ(blockMode.takeFirst().at(0).toInt(), 128);
}

TEST_F(DeviceInfoEventsTest, FirstChangeFiresEvenBeforeTheRefresh)
{
    PutNumber(QStringLiteral("mvModeBlkActual"), 128);
    EXPECT_EQ(blockMode.count(), 1);
    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    EXPECT_EQ(mvFunction.count(), 1);
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    ASSERT_EQ(revision.count(), 1);
    EXPECT_EQ(revision.takeFirst().at(0).toString(), QStringLiteral("19"));
}

TEST_F(DeviceInfoEventsTest, RevisionCarriesTheExtractedRevision)
{
    Pump();
    EXPECT_EQ(revision.count(), 0); // a refresh runs no rules

    PutOctets(QStringLiteral("pbSoftwareSpecHOLLEN"), QByteArray("\x05\x00\x01", 3));
    EXPECT_EQ(revision.count(), 0); // the extension alone raises nothing
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 22);
    ASSERT_EQ(revision.count(), 1);
    EXPECT_EQ(revision.takeFirst().at(0).toString(), QStringLiteral("65541"));
    manager->RefreshAll();
    EXPECT_EQ(revision.count(), 0);
    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 20);
    ASSERT_EQ(revision.count(), 1);
    EXPECT_EQ(revision.takeFirst().at(0).toString(), QStringLiteral("20"));
}

TEST_F(DeviceInfoEventsTest, RevisionChangedByARuleRaisesNothing)
{
    Pump();
    // A write made while another change is delivered runs no rules.
    QObject::connect(info.get(), &clsDeviceInfo::MvFunctionChanged, [this](bool) {
        PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    });
    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    EXPECT_EQ(revision.count(), 0);
    EXPECT_EQ(info->softwareRevision(), QStringLiteral("19"));

    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 18);
    ASSERT_EQ(revision.count(), 1);
    EXPECT_EQ(revision.takeFirst().at(0).toString(), QStringLiteral("18"));
}

// A device whose extended revision is no octet string: the revision cannot
// be extracted.
class DeviceInfoWithBadExtensionTest : public ManagerFixture {
protected:
    DeviceInfoWithBadExtensionTest()
        : ManagerFixture(DeviceInfoDescription().replace(R"(name="pbSoftwareSpecHOLLEN" type="octets" size="3")",
                                                         R"(name="pbSoftwareSpecHOLLEN" type="float")"))
    {
    }
};

TEST_F(DeviceInfoWithBadExtensionTest, ARevisionThatCannotBeExtractedIsTracedAndNotReported)
{
    auto info = std::make_shared<clsDeviceInfo>();
    info->Register(manager);
    ASSERT_TRUE(info->Registered());
    Pump();
    QSignalSpy revision{info.get(), &clsDeviceInfo::SoftwareRevisionChanged};
    QSignalSpy mvFunction{info.get(), &clsDeviceInfo::MvFunctionChanged};
    piotest::ErrorTraces traces;

    PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    EXPECT_EQ(revision.count(), 0);
    EXPECT_TRUE(traces.Contains(QStringLiteral("software revision 19 not reported")));
    try {
        info->softwareRevision();
        ADD_FAILURE() << "a revision was extracted";
    } catch (const automation::ComError& error) {
        EXPECT_EQ(error.number(), INVALID_DATATYPE);
    }
    // The other items still report.
    PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    EXPECT_EQ(mvFunction.count(), 1);
}

} // namespace
