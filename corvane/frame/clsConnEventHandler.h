#pragma once
// Follows the applet's connection: when the device becomes connected it starts
// the device-information sequence "GetDeviceInfo" once per connection; when
// the connection is lost it marks the dataset's verdict "connection lost"
// ("InCompatibleDataset" 5) and requests an abort of everything running.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>

class clsConnEventHandler : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kGetDeviceInfo = QStringLiteral("GetDeviceInfo");
    static inline const QString kInCompatibleDataset = QStringLiteral("InCompatibleDataset");
    static constexpr int kNoConnection = 9999;
    // The verdict a lost connection leaves.
    static inline const QString kConnectionLostVerdict = QStringLiteral("5");

    clsConnEventHandler();
    ~clsConnEventHandler() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;

    bool Registered() const { return m_registered; }
    int LastConnectionStatus() const { return m_LastConnectionStatus; }

public slots:
    // The connection reaction: every step runs even when an earlier one
    // failed; failures are traced.
    void m_ConnectionStatus_ValueChanged(const QString& appItemValue);

private:
    std::weak_ptr<IViewEx> m_view;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    std::shared_ptr<clsAppItem> m_ConnectionStatus;
    int m_LastConnectionStatus = kNoConnection;
    bool m_registered = false;
};
