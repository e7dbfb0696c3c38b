#pragma once
// What the three item controls share: the bound item's name on the face, the
// shadow switch that is set while designing, the registered flag, and the
// protocol's registration: an empty name registers nothing, a registered
// control first unregisters, and a failed registration is traced and leaves
// the control unregistered.
#include "pioitems/PioItemProtocol.h"
#include "pioitems/PioUserControl.h"

namespace pioitems {

class PioItemControl : public PioUserControl, public PioItemProtocol {
    Q_OBJECT
public:
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) final;
    void UnRegister() final;
    bool IsRegistered() const { return m_registered; }

    QString Typ() const override { return kPioItemTyp; }
    QString AppItemName() const { return m_AppItemName; }
    // Also sets the face's caption.
    void SetAppItemName(const QString& name);
    bool RegisterOnShadow() const { return m_RegisterOnShadow; }
    // Only while the form is designed (ComError 382 while it runs).
    void SetRegisterOnShadow(bool value);

protected:
    // facePrefix stands before the name on the face ("AppItem: ").
    PioItemControl(const QString& className, const QString& facePrefix, QWidget* parent);

    // The wrapped item's registration and unregistration; errors are the
    // control's to trace.
    virtual void RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager) = 0;
    virtual void UnRegisterItem() = 0;
    // After a successful registration.
    virtual void OnRegistered() {}
    // The face shows the name (after the name was read from a bag).
    void ShowName() { SetFaceCaption(m_facePrefix + m_AppItemName); }
    // "PioAppItem.Register(dummyFloat)": where a failure of the control's item is traced.
    QString Context(const char* member) const;

    QString m_AppItemName;
    bool m_RegisterOnShadow = false;

private:
    QString m_facePrefix;
    bool m_registered = false;
};

} // namespace pioitems
