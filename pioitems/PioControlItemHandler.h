#pragma once
// The control every form carries once: with one call it registers every
// control of the form that takes part in the item protocol (PioItemProtocol,
// Typ "PioItem") with the item manager, and with one call it unregisters
// them again. Unless StandAlone is set it also drives the item-handler
// control of the platform (controls::PioCtrlItemHandler), which serves the
// form's item-bound display controls and gets the form first.
//
// The form's controls are walked in their order, depth first; a control that
// takes part registers the controls inside it itself, so the walk does not
// enter it. While the form is designed the control shows
// "PioControlItemHandler".
#include "pioitems/PersistedProperty.h"
#include "pioitems/PioUserControl.h"
#include <QPointer>
#include <array>
#include <memory>

namespace applet {
class clsAppletItemManager;
}
namespace controls {
class PioCtrlItemHandler;
}

namespace pioitems {

class PioControlItemHandler : public PioUserControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioItems.PioControlItemHandler");

    explicit PioControlItemHandler(QWidget* parent = nullptr);
    ~PioControlItemHandler() override;

    // Registers the form's item controls with the manager. No form, or a
    // refusal of the embedded handler, raises ComError before any item
    // control is registered. A control whose registration fails is traced
    // and skipped.
    void Register1(QWidget* parentForm, const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef);
    void Register(QWidget* parentForm, const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef);
    // Unregisters the embedded handler, then every item control of the form
    // of the last registration, and forgets the form; failures are traced.
    void UnRegister();
    // Lets the embedded handler show its controls' values again; nothing when
    // StandAlone.
    void UpdatePioControls();
    bool StandAlone() const { return m_StandAlone; }
    // Only while the form is designed (ComError 382 while it runs).
    void SetStandAlone(bool value);

    // The form of the last registration; none before and after UnRegister.
    QWidget* ParentForm() const { return m_parentForm; }

    void ReadProperties(const automation::PropertyBag& bag) override;
    void WriteProperties(automation::PropertyBag& bag) const override;

signals:
    // Relays the first event of the embedded handler; the platform's handler
    // raises none, so it is not raised.
    void Deactivated();

protected:
    // The control takes the label's width and height.
    void FitFace() override;

private:
    static const std::array<PersistedProperty<PioControlItemHandler>, 1> kPersisted;

    bool m_StandAlone = false;
    QPointer<QWidget> m_parentForm;
    std::shared_ptr<controls::PioCtrlItemHandler> m_embedded;
};

} // namespace pioitems
