#pragma once
// The control on the frame's host form that keeps a device's burn delay
// alive. Once a device that can be busy has reported a record writing, a
// 10-second timer of the event loop's timer service re-enables the delay on
// every tick while the device is connected and no sequence runs; switching the
// delay off ("SetDisableBurnDelay" ready) stops the timer. It takes part in
// the host form's item protocol and registers its own item controls.
#include "pioitems/PioItemProtocol.h"
#include <QWidget>
#include <memory>

class IDeviceInfo;
namespace loop {
class Timer;
}
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
}

class ctlBurnDelayHandler : public QWidget, public pioitems::PioItemProtocol {
    Q_OBJECT
public:
    static constexpr int kTimerIntervalMs = 10000;
    static inline const QString kObjectName = QStringLiteral("ctlBurnDelayHandler1");

    explicit ctlBurnDelayHandler(QWidget* parent = nullptr);
    ~ctlBurnDelayHandler() override;

    // PioItemProtocol
    QString Typ() const override { return pioitems::kPioItemTyp; }
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef) override;
    void UnRegister() override;

    bool Registered() const { return m_registered; }
    bool TimerEnabled() const;

public slots:
    void appCurrentRecordState_ValueChanged2(const QString& value, bool suppressRule);
    void seqDisableBurnDelay_StatusChanged(int32_t status);
    void seqSetEnableBurnDelayCyclic_StatusChanged(int32_t status);
    void Timer1_Timer();

private:
    // The item controls of this control, in the order they are registered.
    QList<pioitems::PioItemProtocol*> ChildControls() const;

    pioitems::PioSequenceItem* m_seqSetEnableBurnDelayCyclic;
    pioitems::PioSequenceItem* m_seqDisableBurnDelay;
    pioitems::PioAppItem* m_appCurrentRecordState;
    pioitems::PioAppItem* m_appCurrentSequence;
    pioitems::PioAppItem* m_appConnectionStatus;
    std::unique_ptr<loop::Timer> m_Timer1;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    bool m_registered = false;
};
