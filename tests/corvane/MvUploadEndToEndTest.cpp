// The multivariable block rules in the frame: the host form carries them
// registered while the view runs, and an upload from the simulated
// transmitter brings no rule writes while it runs and leaves the dataset
// consistent once the frame reports its end.
#include "ConnectedRuleSupport.h"
#include "corvane/frame/clsUpDownloadMgr.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "corvane/rules/ctlMvObjectMgr.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/Description.h"
#include "platform/applet/SubItemName.h"
#include "tests/corvane/CorvaneTestSupport.h"
#include <QSet>

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

ctlMvObjectMgr* RuleControl(const CorvaneApplet& applet)
{
    const auto view = applet.View();
    frmRecordItemHandler* form = view ? view->HostForm() : nullptr;
    return form ? form->findChild<ctlMvObjectMgr*>(QStringLiteral("ctlMvObjectMgr1")) : nullptr;
}

// Runs a read sequence of the description to its end (adjust included).
bool RunRead(CorvaneApplet& applet, const QString& sequence)
{
    ItemLog state(applet.manager);
    state.Watch(Compose(SubItemKind::SequenceState, sequence), QStringLiteral("state"));
    int32_t code = -1;
    applet.host->StartSequence(sequence, code);
    if (code != 0)
        return false;
    const QString adjusted = QStringLiteral("state=%1").arg(applet::SequenceState::AdjustActive);
    return RunUntil([&] {
        return state.changes.contains(adjusted) && state.changes.last() == QLatin1String("state=0");
    });
}

} // namespace

TEST(MvInTheFrame, TheHostFormCarriesTheRulesRegisteredWhileTheViewRuns)
{
    HomeFolder home;
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ctlMvObjectMgr* rules = RuleControl(applet);
    ASSERT_TRUE(rules);
    EXPECT_TRUE(rules->Registered());
    EXPECT_EQ(applet.Text(QStringLiteral("&&ObjectLimit&&mvDensityUnit")).count(QLatin1Char('1')), 20);

    int32_t result = -1;
    applet.View()->Destroy(result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(RuleControl(applet)); // the form is gone with its controls
}

TEST(MvInTheFrame, AnUploadFromTheTransmitterRunsNoRulesAndEndsConsistent)
{
    HomeFolder home;
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ctlMvObjectMgr* rules = RuleControl(applet);
    ASSERT_TRUE(rules);
    ASSERT_TRUE(ConnectAndIdentify(applet));
    // A whole upload through the frame first: the dataset then holds the
    // device's identity, its software revision among it.
    {
        ItemLog transfer(applet.manager);
        transfer.Watch(QStringLiteral("XXXTransferCompletedXXX"), QStringLiteral("completed"));
        Settle();
        transfer.changes.clear();
        int32_t code = -1;
        applet.host->StartSequence(QStringLiteral("upload"), code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(RunUntil([&] {
            return transfer.changes.contains(QStringLiteral("completed=0"))
                   && applet.Text(QStringLiteral("XXXTransferCompletedXXX")) == QStringLiteral("1")
                   && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        })) << transfer.changes.join(QLatin1Char(' ')).toStdString();
        Settle();
    }
    // Then the block's reads alone, the end reported by the test: the
    // frame's transfer manager would chain its own steps onto them.
    const auto transfers = applet.Find<clsUpDownloadMgr>(QStringLiteral("clsUploadDownloadMgr"));
    ASSERT_TRUE(transfers);
    transfers->UnRegister();
    // A shown copy the device does not hold.
    applet.PutText(QStringLiteral("mvPrGUI"), QStringLiteral("-1"));

    // Every item the rules bind that the upload does not read, and that is
    // no copy following its value, changes only by a rule.
    const QStringList sequences = {QStringLiteral("uploadMv"), QStringLiteral("uploadMv_Revision21")};
    QSet<QString> read;
    const auto description = applet.manager->GetDescription();
    for (const QString& name : sequences)
        for (const QString& record : description->FindSequence(name)->records)
            for (const applet::FieldLayout& field : description->FindRecord(record)->response)
                read.insert(field.item.toLower());
    ItemLog ruleWrites(applet.manager);
    for (int control = 0; control < ctlMvObjectMgr::kCtlCount; ++control)
        for (int index = 0; index < ctlMvObjectMgr::ElementCount(ctlMvObjectMgr::Ctl(control)); ++index) {
            const QString name = rules->Item(ctlMvObjectMgr::Ctl(control), index).Name();
            const bool follows = name.endsWith(QLatin1String("GUI"), Qt::CaseInsensitive)
                                 || name.startsWith(QLatin1String("&&ObjectLimit&&"))
                                 || name.startsWith(QLatin1String("mvT"), Qt::CaseSensitive);
            if (!read.contains(name.toLower()) && !follows && name != QLatin1String("currentSequence"))
                ruleWrites.Watch(name, name);
        }

    Settle(); // the watches' first notifications are no changes
    ruleWrites.changes.clear();

    for (const QString& name : sequences)
        ASSERT_TRUE(RunRead(applet, name)) << name.toStdString();
    EXPECT_TRUE(ruleWrites.changes.isEmpty()) << ruleWrites.changes.join(QLatin1Char(' ')).toStdString();
    // Each uploaded value the rules bind is the device's value: nothing
    // converted or clamped it on its way in.
    int compared = 0;
    for (int control = 0; control < ctlMvObjectMgr::kCtlCount; ++control)
        for (int index = 0; index < ctlMvObjectMgr::ElementCount(ctlMvObjectMgr::Ctl(control)); ++index) {
            const QString name = rules->Item(ctlMvObjectMgr::Ctl(control), index).Name();
            if (!read.contains(name.toLower()))
                continue;
            QString device;
            int32_t failed = 0;
            applet.manager->fncReadString(applet.manager->HandleOf(name), device, true, failed);
            EXPECT_EQ(applet.Text(name), device) << name.toStdString();
            ++compared;
        }
    EXPECT_GT(compared, 30);

    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("uploadMv"));
    applet.View()->m_UploadDownloadMgr_UploadCompleted();
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QString());
    EXPECT_EQ(applet.Text(QStringLiteral("mvQmr")), applet.Text(QStringLiteral("mvOutMassFlowMaxValue")));
    const double low = applet.Text(QStringLiteral("mvInTLoLim")).toDouble();
    const double high = applet.Text(QStringLiteral("mvInTHiLim")).toDouble();
    const double substitute = applet.Text(QStringLiteral("mvInTDefault")).toDouble();
    EXPECT_LE(low, substitute);
    EXPECT_GE(high, substitute);
    // The transmitter keeps the reference pressure in the user's unit.
    ASSERT_GE(applet.Text(QStringLiteral("pbSoftwareRevisionHART")).toInt(), 21);
    EXPECT_EQ(applet.Text(QStringLiteral("mvPrGUI")), applet.Text(QStringLiteral("mvPr")));
}
