#pragma once
// A sequence of the applet bound through its state and control sub-items,
// chosen by a registration mask (enmRegMask). A change of the state raises
// StatusChanged and calls the handler method (name, status). Start, Force and
// Adjust ask the applet host to run the sequence; they need one earlier
// registration for the manager, not a current one.
#include "pioextensions/IAppItem.h"
#include "pioextensions/ItemViewBinding.h"
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {
class AppletHost;
class clsAppletItemManager;
}

class clsSequenceItem : public QObject, public IAppItem {
    Q_OBJECT
public:
    clsSequenceItem();
    ~clsSequenceItem() override;
    clsSequenceItem(const clsSequenceItem&) = delete;
    clsSequenceItem& operator=(const clsSequenceItem&) = delete;

    void DoAction(int32_t action);
    void Init(const QString& name, bool RegisterOnShadow = false, int16_t UpdateInterval = 0, int16_t regMask = 0,
              QObject* eventHandler = nullptr, const QString& methodName = QString());
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef, const QString& name,
                  bool RegisterOnShadow = false, int16_t UpdateInterval = 0, int16_t regMask = 0,
                  QObject* eventHandler = nullptr, const QString& methodName = QString());
    void Register1(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef);
    void UnRegister();
    // Raise SEQUENCE_BUSY while another sequence runs, UNKNOWN_SEQUENCE when
    // the host refuses otherwise.
    void Start();
    void Force();
    // Raises UNKNOWN_SEQUENCE when the host refuses.
    void Adjust();
    double SequenceState() const;

    const QString& Name() const { return m_name; }
    bool IsRegistered() const { return m_registered; }
    // The state word of the latest notification (0 before the first).
    int32_t NotifiedState() const { return m_notifiedState; }
    int16_t RegMask() const { return m_regMask; }
    int32_t StateHandle() const { return m_stateHandle; }
    int32_t ControlHandle() const { return m_controlHandle; }
    const std::shared_ptr<applet::clsAppletItemManager>& Manager() const { return m_binding.Manager(); }

    void OnNotifyChanged(int32_t& itemHandle, bool bShadow, int32_t lState, int32_t lUserLong) override;

signals:
    void StatusChanged(int32_t sequenceStatus);

private:
    QString OperationSource(const char* operation) const;
    std::shared_ptr<applet::AppletHost> Host(const char* operation) const;
    // Raises the refusal of the host (result not 0) as the operation's error.
    void Refused(const char* operation, int32_t result) const;

    ItemViewBinding m_binding;
    int32_t m_stateHandle = 0;
    int32_t m_controlHandle = 0;
    QString m_name;
    int16_t m_updateInterval = 0;
    int16_t m_regMask = 0;
    bool m_registerOnShadow = false;
    QPointer<QObject> m_eventHandler;
    QString m_methodName;
    bool m_registered = false;
    int32_t m_notifiedState = 0;
};
