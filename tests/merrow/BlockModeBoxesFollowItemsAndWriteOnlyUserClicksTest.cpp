// The block-mode page of a FOUNDATION Fieldbus device: its mode check boxes
// follow the permitted and normal mode masks, a notification never writes a
// mask back, a user's click writes the one bit once, and the page's view
// leaves the item manager when the page unloads.
#include "MerrowTestSupport.h"
#include "merrow/shell/clsBlockModeView.h"
#include "merrow/shell/frmBlockmodes.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTabWidget>

using namespace merrowtest;

namespace {

constexpr const char* kFieldbus = "4607246";

// The mode masks the page's view writes, as "item old -> new".
class ModeWrites {
public:
    ModeWrites()
    {
        m_previous = applet::AppletTrace::SetSink([this](applet::AppletTrace::Level level, const QString& text) {
            if (level == applet::AppletTrace::Level::Info && text.startsWith(QLatin1String(kPrefix)))
                lines.append(text.mid(static_cast<int>(qstrlen(kPrefix))));
            else if (level == applet::AppletTrace::Level::Error)
                errors.append(text);
        });
    }
    ~ModeWrites() { applet::AppletTrace::SetSink(m_previous); }
    ModeWrites(const ModeWrites&) = delete;
    ModeWrites& operator=(const ModeWrites&) = delete;

    QStringList lines;
    QStringList errors;

private:
    static constexpr const char* kPrefix = "clsBlockModeView.WriteModeBit: ";
    applet::AppletTrace::Sink m_previous;
};

frmBlockmodes* OpenBlockModes(MerrowApplet& applet, frmMain*& window)
{
    applet.Variant(kFieldbus, 1, true, 8, 0);
    window = applet.Start();
    if (!window)
        return nullptr;
    EXPECT_TRUE(Shown(*window, "mnuOperate"));
    EXPECT_TRUE(Usable(*window, "mnuBlockmodes"));
    window->Menu(QStringLiteral("mnuBlockmodes"))->trigger();
    piotest::Settle(); // the first refresh of every registered item
    for (PioPage* page : window->ChildForms())
        if (auto* modes = qobject_cast<frmBlockmodes*>(page))
            return modes;
    return nullptr;
}

// The bits whose boxes of the array are ticked, as a mask.
int Ticked(const frmBlockmodes& page, const char* array)
{
    int mask = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (const QCheckBox* box = page.CheckBox(QLatin1String(array), bit); box && box->isChecked())
            mask |= 1 << bit;
    return mask;
}

int BlockModeViews(const applet::clsAppletItemManager& manager)
{
    int views = 0;
    for (const auto& view : manager.RegisteredViews())
        views += std::dynamic_pointer_cast<clsBlockModeView>(view) ? 1 : 0;
    return views;
}

} // namespace

TEST(BlockModePage, OperateMenuOpensOnePageWhoseBoxesFollowTheMasksWithoutWritingBack)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ModeWrites writes;
    frmMain* window = nullptr;
    frmBlockmodes* page = OpenBlockModes(applet, window);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(writes.errors.isEmpty()) << writes.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(page->windowTitle(), "Block Modes");
    ASSERT_EQ(page->tbsBlock()->count(), 8);
    EXPECT_EQ(page->tbsBlock()->tabText(0), "Resource Block");
    EXPECT_EQ(page->tbsBlock()->tabText(7), "PID Block");
    EXPECT_EQ(page->CheckBox(QStringLiteral("chkpidPermittedMode"), 0)->text(), "Remote-Output (Rout)");
    // Only the modes a block offers have boxes.
    EXPECT_EQ(page->CheckBox(QStringLiteral("chkptrbPermittedMode"), 4), nullptr);
    EXPECT_NE(page->CheckBox(QStringLiteral("chkaiDPNormalMode"), 4), nullptr);
    EXPECT_EQ(page->CheckBox(QStringLiteral("chkaiDPNormalMode"), 8), nullptr);

    // The first refresh ticks the description's defaults; a refresh leaves the labels as designed.
    EXPECT_EQ(Ticked(*page, "chkptrbPermittedMode"), 136);
    EXPECT_EQ(Ticked(*page, "chkpidPermittedMode"), 0);   // on the flow computer the totaliser selection, none by default
    EXPECT_EQ(Ticked(*page, "chkrbNormalMode"), 8);
    const QList<QLabel*> labels = page->Frame(QStringLiteral("fraaiPPermittedMode"))->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    for (const QLabel* label : labels)
        EXPECT_FALSE(label->isHidden());

    // A change from elsewhere sets every box of the mask and clears the rest; nothing is written back.
    applet.PutNumber(QStringLiteral("aiPModeBlkPermitted"), 255);
    EXPECT_EQ(Ticked(*page, "chkaiPPermittedMode"), 0x98);
    applet.PutNumber(QStringLiteral("aiPModeBlkPermitted"), 136);
    EXPECT_EQ(Ticked(*page, "chkaiPPermittedMode"), 136);
    applet.PutNumber(QStringLiteral("pidModeBlkNormal"), 7);
    EXPECT_EQ(Ticked(*page, "chkpidNormalMode"), 7);
    EXPECT_TRUE(writes.lines.isEmpty()) << writes.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(applet.Number(QStringLiteral("aiPModeBlkPermitted")), 136);
    EXPECT_EQ(applet.Number(QStringLiteral("pidModeBlkNormal")), 7);

    // The labels of a permitted frame follow the valid flag of a change; other names select nothing.
    page->ShowModeLabels(QStringLiteral("aiPPermittedMode"), 0);
    for (const QLabel* label : labels)
        EXPECT_TRUE(label->isHidden());
    page->ShowModeLabels(QStringLiteral("fraaiPPermittedMode"), 1);
    for (const QLabel* label : labels)
        EXPECT_TRUE(label->isHidden());
    applet.PutNumber(QStringLiteral("aiPModeBlkPermitted"), 8); // written, so valid
    for (const QLabel* label : labels)
        EXPECT_FALSE(label->isHidden());

    // The entry opens the same page again.
    window->Menu(QStringLiteral("mnuBlockmodes"))->trigger();
    EXPECT_EQ(window->ChildForms().size(), 1);
    EXPECT_EQ(BlockModeViews(*applet.manager), 1);
}

TEST(BlockModePage, UserClickWritesItsOneBitOnce)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = nullptr;
    frmBlockmodes* page = OpenBlockModes(applet, window);
    ASSERT_NE(page, nullptr);
    applet.PutNumber(QStringLiteral("aiPModeBlkPermitted"), 136);
    ModeWrites writes;

    // Manual for the analog input P while Automatic and Out of Service are permitted.
    page->CheckBox(QStringLiteral("chkaiPPermittedMode"), 4)->click();
    EXPECT_EQ(applet.Number(QStringLiteral("aiPModeBlkPermitted")), 152);
    EXPECT_EQ(writes.lines, QStringList{QStringLiteral("aiPModeBlkPermitted 136 -> 152")});
    EXPECT_EQ(Ticked(*page, "chkaiPPermittedMode"), 152);

    // Clearing Out of Service leaves the other bits.
    page->CheckBox(QStringLiteral("chkaiPPermittedMode"), 7)->click();
    EXPECT_EQ(applet.Number(QStringLiteral("aiPModeBlkPermitted")), 24);

    // A normal-mode box of the resource block writes the physical block's item.
    page->CheckBox(QStringLiteral("chkrbNormalMode"), 7)->click();
    EXPECT_EQ(applet.Number(QStringLiteral("pbModeBlkNormal")), 136);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbModeBlkNormal")), 8);
    EXPECT_EQ(writes.lines.size(), 3);
    EXPECT_TRUE(writes.errors.isEmpty()) << writes.errors.join(QLatin1Char('\n')).toStdString();
}

TEST(BlockModePage, UnloadUnregistersTheViewAndReopeningRegistersOneNew)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = nullptr;
    frmBlockmodes* page = OpenBlockModes(applet, window);
    ASSERT_NE(page, nullptr);
    const std::shared_ptr<clsBlockModeView> view = page->BlockModeView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(applet.manager->IsRegistered(view.get()));

    qobject_cast<QMdiSubWindow*>(page->parentWidget())->close();
    piotest::Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed window ends
    EXPECT_TRUE(window->ChildForms().isEmpty());
    EXPECT_FALSE(applet.manager->IsRegistered(view.get()));
    EXPECT_EQ(BlockModeViews(*applet.manager), 0);
    // A change after the unload reaches no page, and a stray click writes nothing.
    applet.PutNumber(QStringLiteral("ptrbModeBlkPermitted"), 8);
    ModeWrites writes;
    view->WriteModeBit(QStringLiteral("chkptrbPermittedMode"), 7, 1);
    EXPECT_TRUE(writes.lines.isEmpty());
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbModeBlkPermitted")), 8);

    window->Menu(QStringLiteral("mnuBlockmodes"))->trigger();
    piotest::Settle();
    EXPECT_EQ(BlockModeViews(*applet.manager), 1);
    ASSERT_EQ(window->ChildForms().size(), 1);
    auto* reopened = qobject_cast<frmBlockmodes*>(window->ChildForms().first());
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Ticked(*reopened, "chkptrbPermittedMode"), 8);
    // Closing every page, as File, New does, releases the view too.
    window->CloseAllChildForms();
    piotest::Settle();
    EXPECT_EQ(BlockModeViews(*applet.manager), 0);
}
