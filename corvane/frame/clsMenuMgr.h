#pragma once
// The menu states of the device's functions: one item per menu entry, named
// by the menu-state marker and the entry; "3" offered and enabled, "0" not
// offered. Connect is offered while the device is not connected, disconnect
// and set-slave-address while it is, and the debugging entries only while the
// debug switch is on.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include <QObject>

class clsMenuMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kOffered = QStringLiteral("3");
    static inline const QString kNotOffered = QStringLiteral("0");

    clsMenuMgr();
    ~clsMenuMgr() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;

    bool Registered() const { return m_registered; }
    bool DebugMode() const { return m_debugMode; }

public slots:
    void m_ConnectionStatus_ValueChanged(const QString& appItemValue);

private:
    void UpdateDebugMenus();
    void UpdateConnectionMenus();
    void Write(const QString& key, const QString& value);

    std::shared_ptr<clsAppItem> m_ConnectionStatus;
    clsAppItemCollection m_menus;
    bool m_debugMode = false;
    bool m_registered = false;
};
