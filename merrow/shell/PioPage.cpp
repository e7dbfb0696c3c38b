#include "merrow/shell/PioPage.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <utility>

PioPage::PioPage(const QString& name, bool restoreWidth, bool restoreHeight, QWidget* parent)
    : QWidget(parent), m_restoreWidth(restoreWidth), m_restoreHeight(restoreHeight)
{
    setObjectName(name);
    m_handler = new pioitems::PioControlItemHandler(this);
    m_handler->setObjectName(QStringLiteral("PioControlItemHandler1"));
    // Escape and Ctrl+F4 close the page (asking first where the page asks),
    // also a page whose controls are all off: the page itself takes the focus.
    setFocusPolicy(Qt::ClickFocus);
    // An open drop-down list sees the keys before the page's shortcuts (eventFilter).
    QCoreApplication::instance()->installEventFilter(this);
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_F4)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &PioPage::CloseLater);
    }
}

PioPage::~PioPage() = default;

QString PioPage::GetTextFromResource(int16_t iTextID) const
{
    try {
        return global::LoadLocalizedText(iTextID);
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1.GetTextFromResource(%2): %3")
                                       .arg(objectName())
                                       .arg(iTextID)
                                       .arg(QString::fromLocal8Bit(error.what())));
        return QString();
    }
}

void PioPage::ShowStatus(int16_t textId) const
{
    global::ShowStatus(GetTextFromResource(textId));
}

void PioPage::UpdatePioControls()
{
    m_handler->UpdatePioControls();
}

void PioPage::Form_Load()
{
    if (m_loaded)
        return;
    global::LocalizeForm(*this);
    // The window fits its localised content in the screen's fonts; a size the
    // user keeps is restored next, and the content's needs hold over it.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->adjustSize();
    global::RestoreFormPosition(*this, m_restoreWidth, m_restoreHeight);
    m_loaded = true;
    OnLoad();
    GrowToContent();
}

void PioPage::Form_Activate()
{
    if (m_unloaded || m_active)
        return;
    if (!m_registered) {
        const auto view = viewRef();
        const auto manager = view ? view->appletItemManagerRef() : nullptr;
        if (!manager) {
            applet::AppletTrace::Error(QStringLiteral("%1: no item manager at the first activation").arg(objectName()));
            return;
        }
        OnBeforeRegister();
        m_handler->Register1(this, manager);
        m_registered = true;
        for (auto* sequence : findChildren<pioitems::PioSequenceItem*>())
            connect(sequence, &pioitems::PioSequenceItem::ActionDropped, this,
                    [] { global::SetMainWindowEnabled(true); });
        if (m_tabs)
            m_tabs->SetCovered(false);
        OnFirstActivation();
    }
    m_active = true;
    OnActivate();
}

namespace {

bool RequestSequence(QObject& page, pioitems::PioSequenceItem& sequence, void (pioitems::PioSequenceItem::*request)(bool))
{
    bool droppedAtOnce = false;
    const auto watch = QObject::connect(&sequence, &pioitems::PioSequenceItem::ActionDropped, &page,
                                        [&droppedAtOnce] { droppedAtOnce = true; });
    (sequence.*request)(false);
    QObject::disconnect(watch);
    global::SetMainWindowEnabled(droppedAtOnce);
    return !droppedAtOnce;
}

} // namespace

bool PioPage::ForceSequence(pioitems::PioSequenceItem& sequence)
{
    return RequestSequence(*this, sequence, &pioitems::PioSequenceItem::Force);
}

bool PioPage::StartSequence(pioitems::PioSequenceItem& sequence)
{
    return RequestSequence(*this, sequence, &pioitems::PioSequenceItem::Start);
}

bool PioPage::SequenceFailed(const pioitems::PioSequenceItem& sequence) const
{
    return SequenceFailed(sequence.AppItemName());
}

SequenceOutcome PioPage::HowSequenceEnded(const QString& sequence) const
{
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager)
        applet::AppletTrace::Error(QStringLiteral("%1: no view to read the end of %2").arg(objectName(), sequence));
    return sequenceoutcome::Judge(manager.get(), sequence);
}

bool PioPage::SequenceFailed(const QString& sequence) const
{
    return HowSequenceEnded(sequence).Failed();
}

QString PioPage::FailureText(int16_t notDoneText, const pioitems::PioSequenceItem& sequence) const
{
    return sequenceoutcome::FailureText(GetTextFromResource(notDoneText), HowSequenceEnded(sequence.AppItemName()));
}

void PioPage::FollowForcedSequence(pioitems::PioSequenceItem& sequence, int32_t sequenceStatus)
{
    if (!m_registered)
        return;
    switch (sequenceStatus) {
    case applet::SequenceState::Ready:
        global::SetMainWindowEnabled(true);
        break;
    case applet::SequenceState::WriteRequest:
    case applet::SequenceState::ReadRequest:
        sequence.DoAction(applet::SequenceAction::Run);
        global::SetMainWindowEnabled(false);
        break;
    default:
        break;
    }
}

void PioPage::CloseLater()
{
    // Closing inside a notification would delete the controls whose
    // notification is still running; the event loop closes the page after it.
    QMetaObject::invokeMethod(
        this,
        [page = QPointer<PioPage>(this)] {
            if (!page)
                return;
            if (auto* frame = qobject_cast<QMdiSubWindow*>(page->parentWidget())) {
                frame->close();
            } else if (auto* dialog = qobject_cast<QDialog*>(page->parentWidget())) {
                // The page is the dialog's content: the dialog ends as with its
                // Cancel, not the content alone, which would leave an empty frame.
                if (page->Unloaded() || page->Form_QueryUnload())
                    dialog->reject();
            } else {
                page->close();
            }
        },
        Qt::QueuedConnection);
}

void PioPage::ResizeWindow(int width, int height)
{
    // The frame's inner area is what the page gets: the page's own size may
    // already be ahead of it, and the frame's title and border come on top.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->resize(QSize(width, height) + (frame->size() - frame->contentsRect().size()));
    else if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        dialog->resize(QSize(width, height) + (dialog->size() - dialog->contentsRect().size())); // the page fills it
    else
        resize(width, height);
}

QSize PioPage::ShownSize() const
{
    if (const auto* frame = qobject_cast<const QMdiSubWindow*>(parentWidget()))
        return frame->contentsRect().size();
    if (const auto* dialog = qobject_cast<const QDialog*>(parentWidget()))
        return dialog->contentsRect().size();
    return size();
}

void PioPage::GrowToContent()
{
    // A text changed on a frame that is not shown tells no layout of it: every
    // layout of the page measures anew.
    for (QWidget* each : findChildren<QWidget*>()) {
        each->ensurePolished(); // the style's sizes of controls not shown yet
        each->updateGeometry();
    }
    for (QLayout* each : findChildren<QLayout*>())
        each->invalidate();
    if (layout())
        layout()->activate();
    GrowToHint();
    // The layout requests this measuring posted are its own, not a change of content.
    m_remeasuring = true;
    QMetaObject::invokeMethod(
        this,
        [page = QPointer<PioPage>(this)] {
            if (page)
                page->m_remeasuring = false;
        },
        Qt::QueuedConnection);
}

void PioPage::GrowToHint()
{
    const bool userSized = m_restoreWidth || m_restoreHeight;
    const QSize shown = ShownSize();
    // A size the page took itself and its content no longer fills gives way to the content.
    const QSize keep = !userSized && shown == m_sizeTaken ? QSize(0, 0) : shown;
    // A tab not shown may prefer less than its controls need at the least: the least counts.
    QSize wanted = keep.expandedTo(userSized ? minimumSizeHint() : sizeHint().expandedTo(minimumSizeHint()))
                       .expandedTo(minimumSize());
    // Beyond the largest work area the main window can give, a page would only
    // add empty space below its content; what the content itself needs stays
    // and is reached by scrolling.
    const auto* frame = qobject_cast<const QMdiSubWindow*>(parentWidget());
    const QWidget* main = global::MainWindow();
    if (frame && frame->mdiArea() && main && main->screen()) {
        const QSize growth =
            (main->screen()->availableGeometry().size() - main->frameGeometry().size()).expandedTo(QSize(0, 0));
        const QSize room =
            frame->mdiArea()->viewport()->size() + growth - (frame->size() - frame->contentsRect().size());
        wanted = wanted.boundedTo(room.expandedTo(minimumSizeHint()).expandedTo(minimumSize()));
    }
    if (wanted != shown)
        ResizeWindow(wanted.width(), wanted.height());
    m_sizeTaken = wanted;
    if (auto* shownIn = qobject_cast<QMdiSubWindow*>(parentWidget()); shownIn && global::MainWindow())
        global::MainWindow()->MakeRoomFor(*shownIn);
}

bool PioPage::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // A frame lays out its title and border only once shown: the size taken
    // before may leave the page short of its frame's inner area.
    if (event->type() == QEvent::Show && m_loaded && !m_unloaded)
        QMetaObject::invokeMethod(
            this,
            [page = QPointer<PioPage>(this)] {
                if (page && !page->m_unloaded)
                    page->GrowToHint();
            },
            Qt::QueuedConnection);
    if (event->type() == QEvent::LayoutRequest && m_loaded && !m_unloaded && !m_growPending && !m_remeasuring) {
        m_growPending = true;
        QMetaObject::invokeMethod(
            this,
            [page = QPointer<PioPage>(this)] {
                if (!page)
                    return;
                page->m_growPending = false;
                // A control that changed while hidden told no layout: all measure anew.
                if (!page->m_unloaded)
                    page->GrowToContent();
            },
            Qt::QueuedConnection);
    }
    return handled;
}

PageTabs* PioPage::CreateTabs()
{
    if (!m_tabs) {
        m_tabs = new PageTabs(this);
    }
    return m_tabs;
}

namespace {
bool IsCtrlTab(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Tab && key.modifiers() == Qt::ControlModifier;
}
} // namespace

bool PioPage::eventFilter(QObject* watched, QEvent* event)
{
    // Escape in an open drop-down list of the page closes the list, not the page:
    // the list claims the key before the page's shortcut sees it.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        const QWidget* popup = QApplication::activePopupWidget();
        const auto* widget = qobject_cast<QWidget*>(watched);
        // The list is a window of its own; its owner (the drop-down box) is on the page.
        if (popup && widget && (popup == widget || popup->isAncestorOf(widget)) && popup->parentWidget()
            && isAncestorOf(popup->parentWidget())) {
            event->accept();
            return false;
        }
    }
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (!key || !m_tabs || !IsCtrlTab(*static_cast<QKeyEvent*>(event)))
        return QWidget::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != this && !isAncestorOf(widget)))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        m_tabs->SelectNext();
    event->accept();
    return true;
}

void PioPage::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    global::SaveFormPosition(*this, m_restoreWidth, m_restoreHeight);
    OnUnload();
    if (m_tabs)
        m_tabs->SetCovered(true);
    if (m_registered) {
        m_handler->UnRegister();
        m_registered = false;
    }
}

bool PioPage::QueryClose()
{
    m_closeGranted = m_unloaded || Form_QueryUnload();
    return m_closeGranted;
}

void PioPage::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded && !std::exchange(m_closeGranted, false) && !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    QWidget::closeEvent(event);
}
