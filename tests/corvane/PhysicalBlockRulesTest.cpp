// The physical block's tag, descriptor and bus address follow the project,
// the device's tag and descriptor reach the project on a user's change only,
// an upload aligns them by bus kind, and the meter-option and write-lock
// masks follow bus kind, block mode and device type.
#include "ConnectedRuleSupport.h"
#include "corvane/rules/clsPbObjectMgr.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"

namespace {

using namespace corvanetest;

const QString kProjectTag = QStringLiteral("&&private_PM&&TagName");
const QString kProjectDescriptor = QStringLiteral("&&private_PM&&Descriptor");
const QString kProjectAddress = QStringLiteral("&&private_PM&&Address");
const QString kMeterOptionMask = QStringLiteral("&&ObjectLimit&&pbMeterOption");
const QString kProfibusSpecifics = QStringLiteral("xx4607221xxx");

class PhysicalBlockRules : public ::testing::Test {
protected:
    std::shared_ptr<clsPbObjectMgr> Manager() const { return applet.Find<clsPbObjectMgr>(QStringLiteral("clsPbObjectMgr")); }
    // The manager registered anew on a PROFIBUS device.
    void MakeProfibus()
    {
        Manager()->UnRegister();
        applet.PutText(QStringLiteral("pbSoftwareSpecifics"), kProfibusSpecifics);
        Manager()->Register(applet.View());
        ASSERT_TRUE(Manager()->Registered());
    }
    // The multivariable block's actual mode, which counts only with the multivariable function on.
    void Mode(int blockMode)
    {
        applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
        applet.PutNumber(QStringLiteral("mvModeBlkActual"), blockMode);
    }
    std::string Text(const QString& name) const { return applet.Text(name).trimmed().toStdString(); }

    HomeFolder home;
    CorvaneApplet applet;
};

TEST_F(PhysicalBlockRules, OnHartTheProjectTagAndDescriptorReachTheDeviceCutAndInUpperCase)
{
    PIO_REQUIRE_APPLET(applet);
    ErrorTraces traces;
    applet.PutText(kProjectTag, QStringLiteral("abcdefghij"));
    EXPECT_EQ(Text(QStringLiteral("_tagHart")), "ABCDEFGH");
    // The device's tag written by the rule is not taken back into the project.
    EXPECT_EQ(Text(kProjectTag), "abcdefghij");
    applet.PutText(kProjectDescriptor, QStringLiteral("flow line 7 north side"));
    EXPECT_EQ(Text(QStringLiteral("pbDescriptor")), "FLOW LINE 7 NORT");
    EXPECT_FALSE(Manager()->CouplingGuard());
    EXPECT_TRUE(traces.lines.isEmpty()) << traces.lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PhysicalBlockRules, OnProfibusTheProjectTagReachesTheDeviceWith32CharactersCaseKept)
{
    PIO_REQUIRE_APPLET(applet);
    MakeProfibus();
    const QString tag = QStringLiteral("Flow transmitter of the north line 7");
    applet.PutText(kProjectTag, tag);
    EXPECT_EQ(Text(QStringLiteral("pbTagDesc")), tag.left(32).toStdString());
}

TEST_F(PhysicalBlockRules, AUserChangeOfTheDeviceTagReachesTheProjectTrimmedButNotDuringASequenceOrARule)
{
    PIO_REQUIRE_APPLET(applet);
    MakeProfibus();
    applet.PutText(QStringLiteral("pbTagDesc"), QStringLiteral("  FT-101  "));
    EXPECT_EQ(Text(kProjectTag), "FT-101");
    // The project's change does not come back to the device.
    EXPECT_EQ(applet.Text(QStringLiteral("pbTagDesc")).toStdString(), "  FT-101  ");

    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("upload"));
    applet.PutText(QStringLiteral("pbTagDesc"), QStringLiteral("FT-102"));
    EXPECT_EQ(Text(kProjectTag), "FT-101");
    applet.PutText(QStringLiteral("currentSequence"), QString());

    // Written by another rule (inside a notification): marked rule-suppressed.
    clsAppItem trigger;
    trigger.Register(applet.manager, QStringLiteral("userCurveDirty"));
    QObject::connect(&trigger, &clsAppItem::ValueChanged,
                     [&] { applet.PutText(QStringLiteral("pbDescriptor"), QStringLiteral("RULE")); });
    applet.PutText(QStringLiteral("userCurveDirty"), QStringLiteral("1"));
    EXPECT_EQ(Text(QStringLiteral("pbDescriptor")), "RULE");
    EXPECT_NE(Text(kProjectDescriptor), "RULE");
    applet.PutText(QStringLiteral("pbDescriptor"), QStringLiteral("USER"));
    EXPECT_EQ(Text(kProjectDescriptor), "USER");
}

TEST_F(PhysicalBlockRules, TheProjectBusAddressAlwaysWins)
{
    PIO_REQUIRE_APPLET(applet);
    applet.PutText(kProjectAddress, QStringLiteral("17"));
    EXPECT_EQ(applet.Number(QStringLiteral("pbBusAddressProfi")), 17);
    applet.PutNumber(QStringLiteral("pbBusAddressProfi"), 23);
    EXPECT_EQ(applet.Number(QStringLiteral("pbBusAddressProfi")), 17);
    EXPECT_FALSE(Manager()->CouplingGuard());
}

TEST_F(PhysicalBlockRules, AfterAnUploadHartTakesTheProjectsValuesAndProfibusTheDevicesValues)
{
    PIO_REQUIRE_APPLET(applet);
    // The device's own tag and descriptor, changed at the device before the connection.
    applet.device.transmitter().device().tag = QStringLiteral("SIMTAG");
    applet.device.transmitter().device().descriptor = QStringLiteral("SIM DESCRIPTOR");
    ASSERT_TRUE(ConnectAndIdentify(applet));
    applet.PutText(kProjectTag, QStringLiteral("Plant 1"));
    applet.PutText(kProjectDescriptor, QStringLiteral("Line 7"));
    // The upload reads the device's own tag and descriptor; the project keeps its values.
    clsSequenceItem upload;
    upload.Register(applet.manager, QStringLiteral("upload"), false, 0, REGISTER_STATE);
    ItemLog read(applet.manager);
    read.Watch(QStringLiteral("_tagHart"), QStringLiteral("tag"));
    read.Watch(QStringLiteral("pbDescriptor"), QStringLiteral("descriptor"));
    read.Watch(QStringLiteral("XXXTransferCompletedXXX"), QStringLiteral("transfer"));
    Settle();
    read.changes.clear();
    upload.Start();
    // The whole chain: its end fans out to the rules, which run once more below.
    ASSERT_TRUE(RunUntil([&] {
        return read.changes.contains(QStringLiteral("transfer=0"))
               && applet.Text(QStringLiteral("XXXTransferCompletedXXX")) == QStringLiteral("1")
               && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    })) << read.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    EXPECT_TRUE(read.changes.contains(QStringLiteral("tag=SIMTAG"))) << read.changes.join(' ').toStdString();
    EXPECT_TRUE(read.changes.contains(QStringLiteral("descriptor=SIM DESCRIPTOR")));
    EXPECT_EQ(Text(kProjectTag), "Plant 1");
    Manager()->HandleUploadCompleted();
    EXPECT_EQ(Text(QStringLiteral("_tagHart")), "PLANT 1");
    EXPECT_EQ(Text(QStringLiteral("pbDescriptor")), "LINE 7");
    EXPECT_EQ(Text(kProjectTag), "Plant 1");

    MakeProfibus();
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("upload"));
    applet.PutText(QStringLiteral("pbTagDesc"), QStringLiteral(" Device tag "));
    applet.PutText(QStringLiteral("pbDescriptor"), QStringLiteral("DEVICE DESC"));
    EXPECT_EQ(Text(kProjectTag), "Plant 1");
    applet.PutText(QStringLiteral("currentSequence"), QString());
    Manager()->HandleUploadCompleted();
    EXPECT_EQ(applet.Text(kProjectTag).toStdString(), "Device tag");
    EXPECT_EQ(Text(kProjectDescriptor), "DEVICE DESC");
}

// HART: head by device type, middle by block mode, tail by device type.
TEST_F(PhysicalBlockRules, TheHartMeterOptionMaskFollowsDeviceTypeAndBlockModeAndResetsWhatItForbids)
{
    PIO_REQUIRE_APPLET(applet);
    applet.PutNumber(QStringLiteral("_mfrDeviceTypeHART"), 137);
    Mode(8);
    applet.PutNumber(QStringLiteral("pbMeterOption"), 5);
    EXPECT_EQ(Text(kMeterOptionMask), "1, 1, 1, 1, 1, 0");
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 5);
    applet.PutNumber(QStringLiteral("pbMeterOption"), 6);
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 2);

    applet.PutNumber(QStringLiteral("_mfrDeviceTypeHART"), 139);
    applet.PutNumber(QStringLiteral("pbMeterOption"), 5);
    EXPECT_EQ(Text(kMeterOptionMask), "1, 1, 0, 1, 1, 1");
    Mode(128); // out of service: flow and mass flow are not offered
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 2);
    EXPECT_EQ(Text(kMeterOptionMask), "1, 1, 0, 0, 0, 1");
    applet.PutNumber(QStringLiteral("pbMeterOption"), 3);
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 2);
    applet.PutNumber(QStringLiteral("pbMeterOption"), 6);
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 6);

    Mode(16); // any other mode: nothing offered in the middle, nothing reset there
    applet.PutNumber(QStringLiteral("_mfrDeviceTypeHART"), 137);
    applet.PutNumber(QStringLiteral("pbMeterOption"), 4);
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 4);
    EXPECT_EQ(Text(kMeterOptionMask), "1, 1, 1, 0, 0, 0");
}

TEST_F(PhysicalBlockRules, TheProfibusMeterOptionMaskResetsAboveLevelOutOfServiceOnly)
{
    PIO_REQUIRE_APPLET(applet);
    MakeProfibus();
    Mode(8);
    applet.PutNumber(QStringLiteral("pbMeterOption"), 4);
    EXPECT_EQ(Text(kMeterOptionMask), "1, 1, 1, 1");
    Mode(128);
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 2);
    EXPECT_EQ(Text(kMeterOptionMask), "1, 1, 0, 0");
    applet.PutNumber(QStringLiteral("pbMeterOption"), 3);
    EXPECT_EQ(applet.Number(QStringLiteral("pbMeterOption")), 3);
    // Another mode writes no mask.
    applet.PutText(kMeterOptionMask, QStringLiteral("0 0 0 0"));
    Mode(16);
    EXPECT_EQ(Text(kMeterOptionMask), "0, 0, 0, 0");
}

TEST_F(PhysicalBlockRules, TheWriteLockMaskOffersTheDebugEntriesOnlyWithTheDebugSwitch)
{
    PIO_REQUIRE_APPLET(applet);
    EXPECT_EQ(Text(QStringLiteral("&&ObjectLimit&&pbWriteLock")), "1, 1, 0, 0");
    home.SwitchDebugOn();
    Manager()->UnRegister();
    Manager()->Register(applet.View());
    EXPECT_EQ(Text(QStringLiteral("&&ObjectLimit&&pbWriteLock")), "1, 1, 1, 1");
}

} // namespace
