// Help, read-me, clipboard and window arrangement of the main window: the
// shipped help pages and read-me open in the program's help window by language,
// no help file gives the information box, a page's focused field is copied
// and pasted, nothing happens without a page, and the pages are tiled.
#include "DeviceFunctionSupport.h"
#include "merrow/shell/frmHelp.h"
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace merrowtest;

namespace {

QUrl Shipped(const char* name)
{
    return QUrl::fromLocalFile(QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(name)));
}

// A page with one entry field.
class EntryPage : public PioPage {
public:
    explicit EntryPage(const QString& name) : PioPage(name, true, true)
    {
        field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("txtEntry"));
        (new QVBoxLayout(this))->addWidget(field);
        resize(200, 100);
    }
    QLineEdit* field;
};

// The files the open help windows show, in the order they opened.
QList<QUrl> HelpShown(const frmMain& window)
{
    QList<QUrl> files;
    for (QWidget* help : window.HelpWindows())
        if (auto* shown = qobject_cast<frmHelp*>(help))
            files.append(QUrl::fromLocalFile(shown->File()));
    return files;
}

} // namespace

TEST(HelpClipboardAndWindows, HelpPagesAndReadMeOpenInTheHelpWindowByLanguage)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->Menu(QStringLiteral("mnuHelpContents"))->trigger();
    window->Menu(QStringLiteral("mnuHelpSearchForHelpOn"))->trigger();
    window->Menu(QStringLiteral("mnuHelpReadme"))->trigger();
    EXPECT_EQ(HelpShown(*window), (QList<QUrl>{Shipped("TrivexHelp_en.html"), Shipped("TrivexHelp_en_search.html"),
                                               Shipped("Readme.txt")}));
    EXPECT_TRUE(applet.dialogs.Requests().empty());
    for (QWidget* help : window->HelpWindows())
        EXPECT_FALSE(qobject_cast<frmHelp*>(help)->Browser()->toPlainText().trimmed().isEmpty());
    // Each opens where the one before stays in sight; the same file again opens no second window.
    const QList<QWidget*> opened = window->HelpWindows();
    ASSERT_EQ(opened.size(), 3);
    for (qsizetype i = 1; i < opened.size(); ++i)
        EXPECT_NE(opened[i]->pos(), opened[i - 1]->pos()) << i;
    window->Menu(QStringLiteral("mnuHelpReadme"))->trigger();
    EXPECT_EQ(window->HelpWindows().size(), 3);

    // Find in the help: the typed text is found in the page shown, again from
    // the top after the last place; a text found nowhere leaves the page as it was.
    auto* contents = qobject_cast<frmHelp*>(window->HelpWindows().front());
    ASSERT_NE(contents, nullptr);
    QLineEdit* find = contents->FindField();
    ASSERT_NE(find, nullptr);
    EXPECT_FALSE(find->placeholderText().isEmpty());
    const QString page = contents->Browser()->toPlainText();
    const QString word = page.section(QLatin1Char(' '), 1, 1).trimmed();
    ASSERT_FALSE(word.isEmpty());
    QTest::keyClicks(find, word);
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(contents->Browser()->textCursor().selectedText().compare(word, Qt::CaseInsensitive), 0);
    for (int n = 0; n <= page.count(word, Qt::CaseInsensitive); ++n)
        EXPECT_TRUE(contents->FindNext()) << n;
    find->setText(QStringLiteral("xyzzy-nowhere"));
    EXPECT_FALSE(contents->FindNext());

    // Escape closes the help window it is typed in.
    ASSERT_TRUE(piotest::RunUntil([&] {
        contents->activateWindow();
        return QApplication::activeWindow() == contents;
    }));
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_TRUE(piotest::RunUntil([&] { return window->HelpWindows().size() == 2; }));
}

TEST(HelpClipboardAndWindows, GermanHelpAndReadMe)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.PutText(QStringLiteral("&&private&&countrycode"), QStringLiteral("49"));
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->Menu(QStringLiteral("mnuHelpSearchForHelpOn"))->trigger();
    window->Menu(QStringLiteral("mnuHelpReadme"))->trigger();
    EXPECT_EQ(HelpShown(*window), (QList<QUrl>{Shipped("TrivexHelp_de_search.html"), Shipped("Liesmich.txt")}));
}

TEST(HelpClipboardAndWindows, NoHelpFileGivesTheInformationBoxForContentsAndFind)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->SetHelpFile(QString());
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    window->Menu(QStringLiteral("mnuHelpContents"))->trigger();
    window->Menu(QStringLiteral("mnuHelpSearchForHelpOn"))->trigger();
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    for (const auto& box : applet.dialogs.Requests()) {
        EXPECT_EQ(box.text, "Help contents could not be displayed. No help file assigned to this application.");
        EXPECT_EQ(box.title, dialogs::DialogService::kMessageTitle);
        EXPECT_EQ(box.icon, dialogs::MessageIcon::Information);
    }
    EXPECT_TRUE(window->HelpWindows().isEmpty());
}

TEST(HelpClipboardAndWindows, HelpThatCannotBeOpenedIsReportedAndHelpNeedsNoBrowser)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("missing.html"));
    window->SetHelpFile(missing);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    window->Menu(QStringLiteral("mnuHelpContents"))->trigger();
    EXPECT_TRUE(window->HelpWindows().isEmpty());
    EXPECT_EQ(LastMessage(applet.dialogs), QDir::toNativeSeparators(missing) + " could not be opened.");
    EXPECT_EQ(applet.dialogs.Requests().back().icon, dialogs::MessageIcon::Critical);

    // The shipped help shows in the program's own window, whatever the desktop
    // has installed, and goes when the main window closes.
    window->SetHelpFile(Shipped("TrivexHelp_en.html").toLocalFile());
    window->Menu(QStringLiteral("mnuHelpContents"))->trigger();
    ASSERT_EQ(window->HelpWindows().size(), 1);
    EXPECT_EQ(applet.dialogs.Requests().size(), 1u);
    QPointer<QWidget> help = window->HelpWindows().front();
    window->close();
    piotest::Settle();
    EXPECT_TRUE(!help || !help->isVisible());
}

TEST(HelpClipboardAndWindows, CopyAndPasteUseTheFocusedFieldOfTheActivePageOnly)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    // No page open: nothing happens.
    window->Menu(QStringLiteral("mnuEditPaste"))->trigger();
    window->Menu(QStringLiteral("mnuEditCopy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "kept");

    auto* page = new EntryPage(QStringLiteral("frmEntry"));
    window->ShowChildForm(page);
    page->field->setText(QStringLiteral("FT-101"));
    page->field->setFocus();
    ASSERT_EQ(page->focusWidget(), page->field);
    // A toolbar button is usable exactly when its menu entry is.
    const auto buttonsFollowEntries = [&] {
        for (const char* pair : {"tbCopy:mnuEditCopy", "tbPaste:mnuEditPaste"}) {
            const QStringList names = QString::fromLatin1(pair).split(QLatin1Char(':'));
            EXPECT_EQ(window->Button(names[0])->isEnabled(), window->Menu(names[1])->isEnabled()) << pair;
        }
    };
    buttonsFollowEntries();
    EXPECT_TRUE(window->Menu(QStringLiteral("mnuEditCopy"))->isEnabled());
    window->Menu(QStringLiteral("mnuEdit"))->setEnabled(false);
    EXPECT_FALSE(window->Button(QStringLiteral("tbCopy"))->isEnabled());
    EXPECT_FALSE(window->Button(QStringLiteral("tbPaste"))->isEnabled());
    window->Menu(QStringLiteral("mnuEdit"))->setEnabled(true);
    buttonsFollowEntries();
    window->Button(QStringLiteral("tbCopy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "FT-101");
    QApplication::clipboard()->setText(QStringLiteral("PT-7"));
    window->Menu(QStringLiteral("mnuEditPaste"))->trigger();
    EXPECT_EQ(page->field->text(), "PT-7");
    page->field->clearFocus();
    piotest::Settle();
    buttonsFollowEntries();
}

TEST(HelpClipboardAndWindows, TilingPutsPagesBelowOrBesideEachOther)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    window->resize(900, 700);
    window->ShowChildForm(new EntryPage(QStringLiteral("frmFirst")));
    window->ShowChildForm(new EntryPage(QStringLiteral("frmSecond")));
    const auto windows = window->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 2);
    const QRect area = window->MdiArea()->viewport()->rect();

    window->Menu(QStringLiteral("mnuWindowTileHorizontal"))->trigger();
    EXPECT_EQ(windows[0]->geometry().width(), area.width());
    EXPECT_EQ(windows[1]->geometry().width(), area.width());
    EXPECT_EQ(windows[1]->geometry().top(), windows[0]->geometry().bottom() + 1);

    window->Menu(QStringLiteral("mnuWindowTileVertical"))->trigger();
    EXPECT_EQ(windows[0]->geometry().height(), area.height());
    EXPECT_EQ(windows[1]->geometry().left(), windows[0]->geometry().right() + 1);

    window->Menu(QStringLiteral("mnuWindowCascade"))->trigger();
    EXPECT_LT(windows[0]->geometry().top(), windows[1]->geometry().top());
    EXPECT_LT(windows[0]->geometry().left(), windows[1]->geometry().left());
}
