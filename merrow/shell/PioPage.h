#pragma once
// What every page of the device user interface does: it carries one control
// item handler, localises itself and takes its stored position when it loads,
// registers its item controls at its first activation and releases them when
// it unloads, storing its position. A deferred sequence request of one of its
// sequence item controls that fails for good enables the main window again,
// which the page disabled when it asked for the sequence.
#include "pioextensions/IPioForm.h"
#include <QWidget>
#include <memory>

namespace pioitems {
class PioControlItemHandler;
}

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
    // Registers the item controls at the first activation; later ones do nothing.
    void Form_Activate();
    // Stores the position and releases the item controls (once).
    void Form_Unload();

    bool Loaded() const { return m_loaded; }
    bool Registered() const { return m_registered; }
    pioitems::PioControlItemHandler* PioControlItemHandler1() const { return m_handler; }

protected:
    // The page's own first-activation steps, after its controls registered.
    virtual void OnFirstActivation() {}
    // The page's own load steps, after its localisation and placement.
    virtual void OnLoad() {}
    // The page's own unload steps, before its item controls are released.
    virtual void OnUnload() {}
    void closeEvent(QCloseEvent* event) override;

private:
    std::weak_ptr<IViewEx> m_viewRef;
    pioitems::PioControlItemHandler* m_handler = nullptr; // a child of the page
    bool m_restoreWidth;
    bool m_restoreHeight;
    bool m_loaded = false;
    bool m_registered = false;
    bool m_unloaded = false;
};
