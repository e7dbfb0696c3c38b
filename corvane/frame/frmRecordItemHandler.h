#pragma once
// The hidden host form of the frame: it carries the rule controls that pose
// as item controls and the control item handler that registers them with the
// item manager when the form loads and unregisters them when it unloads. The
// form is never shown, and refuses to be closed from its window menu: only
// Unload by the view closes it.
#include "pioextensions/IPioForm.h"
#include <QWidget>
#include <memory>

namespace pioitems {
class PioControlItemHandler;
}

class frmRecordItemHandler : public QWidget, public IPioForm {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Trivex StartAlways");

    frmRecordItemHandler();
    ~frmRecordItemHandler() override;

    // IPioForm
    std::shared_ptr<IViewEx> viewRef() const override { return m_viewRef.lock(); }
    void setViewRef(const std::shared_ptr<IViewEx>& view) override { m_viewRef = view; }
    QString GetTextFromResource(int16_t /*iTextID*/) const override { return QString(); }
    void UpdatePioControls() override {}

    // The load handler: unless registered, registers the form's item controls
    // with the view's manager and lets the pressure-rule control align itself
    // once. Raises ComError when there is no view or no manager.
    void Load();
    // The unload handler: if registered, unregisters the item controls.
    void Unload();
    bool Registered() const { return m_registered; }

    // Tells the multivariable-rule control that an upload ended.
    void HandleUploadCompleted();
    // Tells the pressure-rule and then the multivariable-rule control that
    // values entered the dataset.
    void HandleValuesEntered();

    pioitems::PioControlItemHandler* PioControlItemHandler1() const { return m_handler; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::weak_ptr<IViewEx> m_viewRef;
    pioitems::PioControlItemHandler* m_handler = nullptr; // a child of the form
    bool m_registered = false;
    bool m_unloading = false;
};
