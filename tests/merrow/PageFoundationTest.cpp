// What every device page stands on: the close handshake with the main
// window, closing itself from inside a notification, the hooks around the
// registration and at each activation, tabs with their cover and Ctrl+Tab,
// localisation of tabs, field captions and list headers, and the main window
// given back when a requested sequence cannot run.
#include "MerrowTestSupport.h"
#include "merrow/pages/frmBusparameter.h"
#include "merrow/pages/frmIdentificationFF.h"
#include "merrow/pages/frmIdentificationPROFI.h"
#include "merrow/pages/frmStatus.h"
#include "merrow/shell/PageTabs.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioText.h"
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

using namespace merrowtest;

namespace {

// A page that records its hooks and the registered flag at each value of its item.
class ProbePage : public PioPage {
public:
    ProbePage() : PioPage(QStringLiteral("frmProbe"), false, false)
    {
        item = new pioitems::PioAppItem(this);
        item->SetAppItemName(QStringLiteral("pbTagDesc"));
        connect(item, &pioitems::PioAppItem::ValueChanged, this, [this] {
            log << (Registered() ? QStringLiteral("value registered") : QStringLiteral("value"));
            if (closeOnChange)
                CloseLater();
        });
    }
    bool Form_QueryUnload() override { return mayClose; }

    pioitems::PioAppItem* item = nullptr;
    QStringList log;
    bool mayClose = true;
    bool closeOnChange = false;

protected:
    void OnBeforeRegister() override { log << QStringLiteral("before"); }
    void OnFirstActivation() override { log << QStringLiteral("first"); }
    void OnActivate() override { log << QStringLiteral("activate"); }
};

} // namespace

TEST(PageFoundation, HooksRunAroundTheRegistrationAndPushedValuesArriveBeforeTheRegisteredFlag)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    auto* probe = new ProbePage;
    w->ShowChildForm(probe);
    // The registration pushes the current value before the page counts as registered.
    EXPECT_EQ(probe->log, (QStringList{"before", "value", "first", "activate"}));
    auto* other = new PioPage(QStringLiteral("frmOther"), false, false);
    w->ShowChildForm(other);
    w->ShowChildForm(probe);
    w->ShowChildForm(probe); // already the active page
    EXPECT_EQ(probe->log.count(QStringLiteral("activate")), 2);
    EXPECT_EQ(probe->log.count(QStringLiteral("before")), 1);
}

TEST(PageFoundation, RefusingPageKeepsTheMainWindowOpenAndAPageClosesItselfAfterItsNotification)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    QPointer<ProbePage> probe = new ProbePage;
    w->ShowChildForm(probe);
    probe->mayClose = false;
    EXPECT_FALSE(w->close());
    EXPECT_FALSE(w->Unloaded());
    ASSERT_TRUE(probe);
    EXPECT_TRUE(probe->Registered());
    // Nor does a new dataset replace the one the page keeps.
    ASSERT_TRUE(Usable(*w, "mnuFileNew"));
    w->Menu(QStringLiteral("mnuFileNew"))->trigger();
    EXPECT_TRUE(applet.dialogs.Requests().empty());

    probe->mayClose = true;
    probe->closeOnChange = true;
    applet.PutText(QStringLiteral("pbTagDesc"), QStringLiteral("CLOSING"));
    ASSERT_TRUE(probe); // still there while its notification runs
    piotest::Settle();
    EXPECT_TRUE(w->ChildForms().isEmpty());

    // When the host ends the view, a page that would rather stay still lets go of its items.
    QPointer<ProbePage> stubborn = new ProbePage;
    w->ShowChildForm(stubborn);
    stubborn->mayClose = false;
    int32_t result = -1;
    applet.View()->Destroy(result);
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(stubborn);
    EXPECT_FALSE(stubborn->Registered());
}

TEST(PageFoundation, RequestThatCannotRunGivesTheMainWindowBack)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    auto* page = new ProbePage;
    auto* sequence = new pioitems::PioSequenceItem(page);
    sequence->SetAppItemName(QStringLiteral("NoSuchSequence"));
    w->ShowChildForm(page);
    page->ForceSequence(*sequence);
    EXPECT_FALSE(w->isEnabled());
    ASSERT_TRUE(piotest::RunUntil([&] { return w->isEnabled(); }));
}

TEST(PageFoundation, FieldbusIdentificationHidesWhatTheVariantLacksAndCtrlTabWraps)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.Variant("4607221", 35, false, 8, 137); // PROFIBUS, absolute module, no flow
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    auto* profi = new frmIdentificationPROFI;
    EXPECT_TRUE(profi->Tabs()->Covered());
    w->ShowChildForm(profi);
    EXPECT_FALSE(profi->Tabs()->Covered());
    EXPECT_TRUE(profi->findChild<controls::PioText*>(QStringLiteral("PioText2(5)"))->isHidden());
    EXPECT_TRUE(profi->findChild<QLabel*>(QStringLiteral("Label3(5)"))->isHidden());
    EXPECT_TRUE(profi->fraMVTagDesc()->isHidden());
    EXPECT_FALSE(profi->findChild<controls::PioText*>(QStringLiteral("PioText2(4)"))->isHidden());
    applet.PutNumber(QStringLiteral("ptrbSensorSerialNumber"), 4711);
    EXPECT_EQ(profi->lblSensorNumber()->text(), "4711");

    applet.Variant("4607246", 1, true, 8, 137); // FOUNDATION Fieldbus with flow
    auto* ff = new frmIdentificationFF;
    w->ShowChildForm(ff);
    EXPECT_FALSE(ff->fraMVTagDesc()->isHidden());
    EXPECT_FALSE(ff->findChild<controls::PioText*>(QStringLiteral("PioText2(5)"))->isHidden());
    EXPECT_EQ(ff->findChild<controls::PioText*>(QStringLiteral("PioText2(1)"))->ObjectNameText(), "pbManufacIdFF");
    PageTabs* tabs = ff->Tabs();
    tabs->SelectKey(QStringLiteral("2t"));
    EXPECT_TRUE(tabs->picOptions(2)->isEnabled());
    QTest::keyClick(ff, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->SelectedKey(), "0t");
    EXPECT_TRUE(tabs->picOptions(0)->isEnabled());
    EXPECT_FALSE(tabs->picOptions(2)->isEnabled());
    QTest::keyClick(ff, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->SelectedKey(), "0t");
    // A tab removed and put back by its key keeps its frame.
    EXPECT_TRUE(tabs->RemoveTab(QStringLiteral("1t")));
    EXPECT_EQ(tabs->tbsOptions()->count(), 2);
    EXPECT_TRUE(tabs->InsertTab(1, QStringLiteral("1t"), 2156));
    tabs->SelectKey(QStringLiteral("1t"));
    EXPECT_TRUE(tabs->picOptions(1)->isEnabled());
    ff->parentWidget()->close();
    piotest::Settle();
}

TEST(PageFoundation, BusParametersStayCoveredUntilRegisteredAndOfferTheModbusBaudRates)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    auto* page = new frmBusparameter;
    EXPECT_TRUE(page->Covered());
    w->ShowChildForm(page);
    EXPECT_FALSE(page->Covered());
    auto* baud = page->findChild<controls::PioLabelComboUnit*>(QStringLiteral("PioLabelComboUnit1"));
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(baud->EntryList()->count(), 8);
    EXPECT_EQ(baud->ShownText(), "19200 Bd");
    auto* delay = page->findChild<controls::PioLabelTextUnit*>(QStringLiteral("PioLabelTextUnit1(0)"));
    EXPECT_EQ(delay->UnitLabel()->text(), "ms");
}

TEST(PageFoundation, LocalizeFormSetsTabsFieldCaptionsAndListHeadersInTheUsersLanguage)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    PioPage page(QStringLiteral("frmTexts"), false, false);
    PageTabs* tabs = new PageTabs(&page);
    tabs->AddTab(QStringLiteral("0t"), 2155, new QWidget);
    auto* field = new controls::PioLabelTextUnit(&page);
    field->setProperty("Tag", QStringLiteral("2609"));
    auto* list = new QTreeWidget(&page);
    list->setColumnCount(2);
    list->headerItem()->setData(1, Qt::UserRole, QStringLiteral("2255"));
    global::LocalizeForm(page);
    EXPECT_EQ(tabs->tbsOptions()->tabText(0), global::LoadLocalizedText(2155));
    EXPECT_TRUE(global::HasText(12155));
    EXPECT_EQ(field->Caption(), global::LoadLocalizedText(2609));
    EXPECT_EQ(list->headerItem()->text(1), global::LoadLocalizedText(2255));
    EXPECT_FALSE(field->Caption().isEmpty());
}

TEST(StatusPage, MessagesFollowTheExtensionWhileTheDiagnosisSaysItIsValid)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* w = applet.Start();
    ASSERT_NE(w, nullptr);
    auto* page = new frmStatus;
    w->ShowChildForm(page);
    const QByteArray extension("\x01\x00\x00\x10\x00\x80", 6);
    applet.PutShadow(QStringLiteral("Diagnosis"), QByteArray("\x11\x80\x00\x00", 4));
    applet.PutShadow(QStringLiteral("DiagnosisExtension"), extension);
    EXPECT_TRUE(page->MessageIds().isEmpty()); // octet 3 without bit 7
    EXPECT_EQ(page->PictureFault(0), true);
    EXPECT_EQ(page->PictureFault(1), true);
    EXPECT_EQ(page->PictureFault(6), true);
    EXPECT_EQ(page->PictureFault(3), false);
    // The diagnosis alone does not rebuild the list; the next extension does.
    applet.PutShadow(QStringLiteral("Diagnosis"), QByteArray("\x00\x00\x00\x80", 4));
    EXPECT_TRUE(page->MessageIds().isEmpty());
    applet.PutShadow(QStringLiteral("DiagnosisExtension"), QByteArray("\x01\x00\x00\x10\x00\x81", 6));
    EXPECT_EQ(page->MessageIds(), (QList<int>{2500, 2521, 2532}));
    // A device that reports no main diagnosis is taken at its extension.
    applet.PutShadow(QStringLiteral("Diagnosis"), QByteArray());
    applet.PutShadow(QStringLiteral("DiagnosisExtension"), extension);
    EXPECT_EQ(page->MessageIds(), (QList<int>{2500, 2521, 2532}));
    // Without a connection the self-test is off; the read at activation is still asked for.
    EXPECT_FALSE(page->cmdSelftest()->isEnabled());
}
