// The channels the DTM hands to the frame: none for a HART device; for a
// PROFIBUS device with modules a frame collection of the data manager's own
// channel objects under their identifiers, and the hint about channel data
// that open applications may still change.
#include "DtmTestSupport.h"
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/dataset/frmChannelDataWarn.h"
#include <QCheckBox>
#include <QPushButton>
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/fdt/FdtChannelCollection.h"
#include "platform/frame/fdt/IDtmChannel.h"
#include "platform/frame/fdt/IFdtChannel.h"
#include "platform/frame/fdt/IFdtEvents.h"

namespace {

using namespace dtmtest;

class ChannelInterface : public DtmTest {
protected:
    std::shared_ptr<fdt::FdtChannelCollection> Channels() const
    {
        return frame->Dtm<fdt::IDtmChannel>(kTag)->GetChannels();
    }
    std::shared_ptr<clsDataManager> Data() const { return Dtm()->DataManager(); }
    // The PROFIBUS variant with the transmitter module in slot 1, as the
    // configuration dialog leaves it.
    void ModularInstance(const QString& userLevel = QStringLiteral("maintenance"))
    {
        ProfibusInstance(Publics::GetTdxDescriptionDir() + QStringLiteral("COM_DPV1/_0063/_0_00A6/TRVX00A6.gsd"),
                         userLevel);
        const auto module = Data()->DescribedModules()->Find(QStringLiteral("Transmitter"));
        ASSERT_NE(module, nullptr);
        Data()->TopologyModules()->Add(QStringLiteral("1"), module);
        module->SetSlot(1);
        ASSERT_TRUE(Data()->GetChannelCollection(own));
        traces.clear();
    }

    clsDataManager::ChannelList own;
};

TEST_F(ChannelInterface, HartDeviceHasNoChannels)
{
    ConfiguredInstance();
    traces.clear();
    EXPECT_EQ(Channels(), nullptr);
    EXPECT_EQ(Messages(traces), (QStringList{"Execute IDtmChannel::GetChannels"}));
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
}

TEST_F(ChannelInterface, ModularDeviceHandsOverItsOwnChannels)
{
    ProfibusInstance(Publics::GetTdxDescriptionDir() + QStringLiteral("COM_DPV1/_0063/_0_00A6/TRVX00A6.gsd"));
    EXPECT_EQ(Channels(), nullptr) << "no module placed yet";

    const auto module = Data()->DescribedModules()->Find(QStringLiteral("Transmitter"));
    ASSERT_NE(module, nullptr);
    Data()->TopologyModules()->Add(QStringLiteral("1"), module);
    module->SetSlot(1);
    ASSERT_TRUE(Data()->GetChannelCollection(own));
    ASSERT_EQ(own.size(), 5u);
    traces.clear();

    const auto channels = Channels();
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(Messages(traces), (QStringList{"Execute IDtmChannel::GetChannels"}));
    EXPECT_EQ(channels->Keys(),
              (QStringList{"M_1_C_1", "M_1_C_2", "M_1_C_3", "M_1_C_4", "M_1_C_5"}));
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        const auto& channel = own[static_cast<size_t>(i - 1)];
        // The very objects of the data manager, by position and by key.
        EXPECT_EQ(channels->Item(i).get(), static_cast<fdt::IFdtChannel*>(channel.get()));
        EXPECT_EQ(channels->Item(channel->GetChannelId()), channels->Item(i));
        EXPECT_EQ(channels->Item(i)->GetChannelPath(), kTag + QStringLiteral("/M_1_C_%1").arg(i));
    }
    // The frame reads the channel document through what it was given.
    EXPECT_EQ(channels->Item(2)->GetChannelParameters(QStringLiteral("FDT"), QString()),
              own[1]->IFdtChannel_GetChannelParameters(QString(), QString()));

    // Every call makes a new collection; a module moved to slot 3 renumbers.
    module->SetSlot(3);
    const auto again = Channels();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, channels);
    EXPECT_EQ(again->Keys().first(), QStringLiteral("M_3_C_1"));
    EXPECT_EQ(again->Item(1), channels->Item(1));
}

TEST_F(ChannelInterface, RefusedStatusIsOnlyTraced)
{
    ModularInstance();
    Dtm()->SetDtmStatus(DtmStatus::Up);
    traces.clear();
    const auto channels = Channels();
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(channels->Count(), 5);
    EXPECT_EQ(Messages(traces), (QStringList{"Execute IDtmChannel::GetChannels",
                                             "IDtmChannel::GetChannels Not allowed in Status:UP"}));
}

// A frame that offers no channel collection gets none, and the failure is traced.
TEST_F(ChannelInterface, WithoutTheFramesCollectionThereAreNone)
{
    ModularInstance();
    automation::ClassRegistry::instance().Unregister(fdt::kChannelCollectionProgId);
    EXPECT_EQ(Channels(), nullptr);
    frame::RegisterClasses();
    EXPECT_TRUE(traces.contains(QStringLiteral("Runtime error"))) << traces.lines().join('\n').toStdString();
    EXPECT_NE(Channels(), nullptr);
}

// With no application open the channel data cannot be changed meanwhile: a
// hint still open from an earlier read goes away.
TEST_F(ChannelInterface, HintWithoutOpenApplicationsIsReleased)
{
    ModularInstance();
    ASSERT_FALSE(Dtm()->ShouldWarnChannelData());
    Dtm()->ShowChannelDataWarning();
    ASSERT_NE(Dtm()->ChannelDataWarning(), nullptr);
    ASSERT_NE(Channels(), nullptr);
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
    EXPECT_FALSE(Dtm()->ChannelWarningSuppressed());
}

// What the DTM saved reaches the frame as changed data; the frame's changed
// data from another party come back into the dataset and into the channels
// the frame reads.
TEST_F(ChannelInterface, ChangedDataRoundTripThroughTheFrame)
{
    ModularInstance();
    frame->Events().Clear();
    ASSERT_TRUE(frame->SaveInstance(kTag)) << frame->LastError().toStdString();
    clock.Advance(100);
    QString changed;
    for (const frame::FrameEvent& event : frame->Events().Events())
        if (event.name == QLatin1String("OnParameterChanged") && !event.arguments.isEmpty())
            changed = event.arguments.first();
    ASSERT_EQ(changed.count(QStringLiteral("<ChangedChannel>")), 5) << changed.toStdString();

    // Another party retags the device and protects the fourth channel.
    changed.replace(QStringLiteral("fdt:tag=\"XI XXX\""), QStringLiteral("fdt:tag=\"FT-7\""));
    const QString unprotected = QStringLiteral("protectedByChannelAssignment=\"0\"");
    qsizetype at = -1;
    for (int i = 0; i < 4; ++i)
        at = changed.indexOf(unprotected, at + 1);
    ASSERT_GE(at, 0);
    changed.replace(at, unprotected.size(), QStringLiteral("protectedByChannelAssignment=\"1\""));

    frame->Dtm<fdt::IFdtEvents>(kTag)->OnParameterChanged(kTag, changed);
    EXPECT_EQ(Data()->GetDeviceTag(), QStringLiteral("FT-7"));
    EXPECT_EQ(Data()->GetModulesState(), -1);
    const auto channels = Channels();
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(channels->Count(), 5);
    EXPECT_TRUE(channels->Item(QStringLiteral("M_1_C_4"))
                    ->GetChannelParameters(QStringLiteral("FDT"), QString())
                    .contains(QStringLiteral("protectedByChannelAssignment=\"1\"")));
    EXPECT_FALSE(channels->Item(QStringLiteral("M_1_C_3"))
                     ->GetChannelParameters(QStringLiteral("FDT"), QString())
                     .contains(QStringLiteral("protectedByChannelAssignment=\"1\"")));
}

// While an application is open the frame is told once that channel data may
// still change, unless a channel is protected by its assignment or the user
// asked not to be told again.
TEST_F(ChannelInterface, HintWhileAnApplicationIsOpen)
{
    ModularInstance(QStringLiteral("planningEngineer"));
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("cfg-1"),
                                        frame::FrameDocuments::FunctionCallDocument(4, QStringLiteral("engineering")),
                                        QString()));
    ASSERT_TRUE(Dtm()->ShouldWarnChannelData());
    ASSERT_NE(Channels(), nullptr);
    frmChannelDataWarn* hint = Dtm()->ChannelDataWarning();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_FALSE(hint->isModal());
    ASSERT_NE(Channels(), nullptr);
    EXPECT_EQ(Dtm()->ChannelDataWarning(), hint) << "no second window";

    // The frame protects a channel: its data cannot change, the hint goes.
    QString document = own[3]->IFdtChannel_GetChannelParameters({}, {});
    const QString unprotected = document;
    document.replace(QStringLiteral("protectedByChannelAssignment=\"0\""),
                     QStringLiteral("protectedByChannelAssignment=\"1\""));
    ASSERT_TRUE(own[3]->IFdtChannelExt_SetChannelParameters({}, {}, document, false));
    ASSERT_NE(Channels(), nullptr);
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
    ASSERT_TRUE(own[3]->IFdtChannelExt_SetChannelParameters({}, {}, unprotected, false));

    // Not again once the user said so.
    ASSERT_NE(Channels(), nullptr);
    hint = Dtm()->ChannelDataWarning();
    ASSERT_NE(hint, nullptr);
    hint->chkSuppress()->setChecked(true);
    hint->OKButton()->click();
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
    EXPECT_TRUE(Dtm()->ChannelWarningSuppressed());
    ASSERT_NE(Channels(), nullptr);
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
    dialogService.AnswerMessage(dialogs::DialogResult::No); // keep no changes
    EXPECT_TRUE(Dtm()->ExitApplication(QStringLiteral("cfg-1")));
}

} // namespace
