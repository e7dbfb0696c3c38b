#pragma once
// A record of the applet (one device command transfer) bound through its
// sub-items: the state, the response and the response control, chosen by a
// registration mask (enmRegMask). A change of the state raises StatusChanged
// and calls the handler method (name, status); a new response raises
// ResponseCatched. DoAction writes an action code into the response control.
#include "pioextensions/IAppItem.h"
#include "pioextensions/ItemViewBinding.h"
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {
class clsAppletItemManager;
}

class clsRecordItem : public QObject, public IAppItem {
    Q_OBJECT
public:
    clsRecordItem();
    ~clsRecordItem() override;
    clsRecordItem(const clsRecordItem&) = delete;
    clsRecordItem& operator=(const clsRecordItem&) = delete;

    void DoAction(int32_t action);
    QByteArray ResponseCode() const;
    void Init(const QString& name, bool RegisterOnShadow = false, int16_t UpdateInterval = 0, int16_t regMask = 0,
              QObject* eventHandler = nullptr, const QString& methodName = QString());
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef, const QString& name,
                  bool RegisterOnShadow = false, int16_t UpdateInterval = 0, int16_t regMask = 0,
                  QObject* eventHandler = nullptr, const QString& methodName = QString());
    // Registers the sub-items the mask selects; a sub-item the manager does
    // not know is reported and skipped, the others still work.
    void Register1(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef);
    void UnRegister();

    const QString& Name() const { return m_name; }
    bool IsRegistered() const { return m_registered; }
    // The state word of the latest notification (0 before the first).
    int32_t NotifiedState() const { return m_notifiedState; }
    int16_t RegMask() const { return m_regMask; }
    int32_t StateHandle() const { return m_stateHandle; }
    int32_t ResponseHandle() const { return m_responseHandle; }
    int32_t ResponseControlHandle() const { return m_responseControlHandle; }
    const std::shared_ptr<applet::clsAppletItemManager>& Manager() const { return m_binding.Manager(); }

    void OnNotifyChanged(int32_t& itemHandle, bool bShadow, int32_t lState, int32_t lUserLong) override;

signals:
    void ResponseCatched(const QByteArray& ResponseCode);
    void StatusChanged(int32_t recordStatus);

private:
    ItemViewBinding m_binding;
    int32_t m_stateHandle = 0;
    int32_t m_responseControlHandle = 0;
    int32_t m_responseHandle = 0;
    QString m_name;
    int16_t m_updateInterval = 0;
    int16_t m_regMask = 0;
    bool m_registerOnShadow = false;
    QPointer<QObject> m_eventHandler;
    QString m_methodName;
    bool m_registered = false;
    int32_t m_notifiedState = 0;
};
