#pragma once
// What every page of the device user interface does: it carries one control
// item handler, localises itself and takes its stored position when it loads,
// registers its item controls at its first activation and releases them when
// it unloads, storing its position. A page may refuse to close
// (Form_QueryUnload), and may close itself later, safely from inside an item
// or sequence notification. A sequence request of one of its sequence item
// controls that fails, at once or deferred, enables the main window again,
// which the page disabled when it asked for the sequence.
#include "merrow/shell/SequenceOutcome.h"
#include "pioextensions/IPioForm.h"
#include <QWidget>
#include <memory>

namespace pioitems {
class PioControlItemHandler;
class PioSequenceItem;
} // namespace pioitems

class PageTabs;

class PioPage : public QWidget, public IPioForm {
    Q_OBJECT
public:
    // name: the form's name (its settings keys); restoreWidth/Height: whether
    // the user sizes the window, so its size is stored too.
    PioPage(const QString& name, bool restoreWidth, bool restoreHeight, QWidget* parent = nullptr);
    ~PioPage() override;

    // IPioForm
    std::shared_ptr<IViewEx> viewRef() const override { return m_viewRef.lock(); }
    void setViewRef(const std::shared_ptr<IViewEx>& view) override { m_viewRef = view; }
    QString GetTextFromResource(int16_t iTextID) const override;
    void UpdatePioControls() override;

    // Localises the page and places it; once, before the page is first shown.
    void Form_Load();
    // Registers the item controls at the first activation, then runs the
    // page's step of every activation; a page already active does nothing.
    void Form_Activate();
    // Another page became the active one: the next Form_Activate is a new activation.
    void Form_Deactivate() { m_active = false; }
    // Whether the page lets itself be closed now; the default lets it.
    virtual bool Form_QueryUnload() { return true; }
    // The page refused to close only to end what it runs first, and closes
    // itself once that has ended; the default never does.
    virtual bool ClosingItself() const { return false; }
    // Asks the page whether it may close, ahead of closing it: a page that
    // lets itself be closed is not asked again when it then closes, until
    // ForgetCloseQuery. An unloaded page may always close.
    bool QueryClose();
    void ForgetCloseQuery() { m_closeGranted = false; }
    // Stores the position and releases the item controls (once).
    void Form_Unload();
    // Closes the page from the event loop, after the running notification has returned.
    void CloseLater();
    // Forces (or starts) a sequence without the immediate flag and, unless
    // the request failed at once, disables the main window until the
    // sequence is done; false when the request failed at once.
    bool ForceSequence(pioitems::PioSequenceItem& sequence);
    bool StartSequence(pioitems::PioSequenceItem& sequence);
    // How the sequence, now ready, ended: done, stopped or failed (the
    // applet leaves its control sub-item at Stop then; an end that cannot be
    // read counts as failed), or refused by the device in a record that the
    // record rules let pass.
    SequenceOutcome HowSequenceEnded(const QString& sequence) const;
    bool SequenceFailed(const pioitems::PioSequenceItem& sequence) const;
    bool SequenceFailed(const QString& sequence) const;
    // The message of a function of the page that did not end well: the text
    // of notDoneText and, when the device refused, why.
    QString FailureText(int16_t notDoneText, const pioitems::PioSequenceItem& sequence) const;
    // A sequence the page forced reports its state (while the page is
    // registered): asking to run, it is let run and the main window stays
    // disabled; ready again, the main window is the user's again.
    void FollowForcedSequence(pioitems::PioSequenceItem& sequence, int32_t sequenceStatus);
    // A function of the page ended well: its text, in the user's language, in the main window's status bar.
    void ShowStatus(int16_t textId) const;

    bool Loaded() const { return m_loaded; }
    bool Registered() const { return m_registered; }
    bool Unloaded() const { return m_unloaded; }
    pioitems::PioControlItemHandler* PioControlItemHandler1() const { return m_handler; }

    PageTabs* Tabs() const { return m_tabs; }

    // Gives the page this size, through its window frame when it has one.
    void ResizeWindow(int width, int height);
    // The size the page is shown at: its frame's inner area.
    QSize ShownSize() const;
    // Grows the page to what its content needs now (texts that arrived after
    // the load, the style's final sizes, the screen's fonts); a larger size
    // the user gave it stays, one the page took itself follows the content
    // back when it needs less. A page whose size the user sets grows only to
    // its minimum. The main window then makes room for the page.
    void GrowToContent();
    // The same without measuring anew: what the layouts ask for now.
    void GrowToHint();

protected:
    // Before the item controls register at the first activation: the page
    // sets the item names that depend on the device (revision variants).
    virtual void OnBeforeRegister() {}
    // The page's own first-activation steps, after its controls registered.
    virtual void OnFirstActivation() {}
    // The page's own step of every activation, the first included, after the first-activation steps.
    virtual void OnActivate() {}
    // The page's own load steps, after its localisation and placement.
    virtual void OnLoad() {}
    // The page's own unload steps, before its item controls are released.
    virtual void OnUnload() {}
    void closeEvent(QCloseEvent* event) override;
    // A layout of the page that asks for more room than the page has grows the
    // page (deferred, once per change).
    bool event(QEvent* event) override;
    // Ctrl+Tab selects the next tab of a page with tabs: the page takes the
    // key before its controls and before the main window's window switching.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Gives the page its tab strip and frames; the page lays it out.
    PageTabs* CreateTabs();

private:
    std::weak_ptr<IViewEx> m_viewRef;
    pioitems::PioControlItemHandler* m_handler = nullptr; // a child of the page
    bool m_restoreWidth;
    bool m_restoreHeight;
    bool m_loaded = false;
    bool m_registered = false;
    bool m_unloaded = false;
    bool m_closeGranted = false; // QueryClose let the page close
    bool m_active = false;
    bool m_growPending = false;
    QSize m_sizeTaken; // the size the page last gave itself; another one is the user's
    bool m_remeasuring = false;
    PageTabs* m_tabs = nullptr;
};
