#pragma once
// Connects and disconnects the device through the applet host and watches the
// applet's connection item "&&private&&connect". It is a view of the applet
// item manager; Done reports that the state asked for was reached or missed.
// The DTM object's own instance is made Active: its state changes move the
// DTM status (not connected 2, connecting 5, connected 10, disconnecting 6).
// Always held by a shared_ptr.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace applet { class clsAppletItemManager; }

class clsFunctionConnect : public automation::ComObject,
                           public applet::View,
                           public std::enable_shared_from_this<clsFunctionConnect> {
public:
    clsFunctionConnect();
    ~clsFunctionConnect() override;

    static inline const QString kConnectItem = QStringLiteral("&&private&&connect");

    // The host's result of the request, unchanged. Raise automation::ComError
    // while the object is registered with no item manager.
    int32_t Connect();
    // Calls the host only while connecting or connected; 0 otherwise.
    int32_t Disconnect();
    // The connect item's value; 0 when it cannot be read.
    int32_t GetConnectState();
    bool Active() const { return m_active; }
    void SetActive(bool active) { m_active = active; }
    // Ends the registration with the item manager.
    void Instance_Destroy();
    void ResetConnect();

    // Event: 0 the wanted state was reached; 1 a connection was wanted and the
    // device ended disconnected. The handler may drop this object.
    using DoneHandler = std::function<void(int32_t lastError)>;
    void SetDoneHandler(DoneHandler handler) { m_done = std::move(handler); }

    // The name of a connection state in the traces ("CONNECT_STATE_CONNECTED").
    static QString ConnectStateName(int32_t state);
    // The DTM status a connection state moves the DTM to; -1 for none.
    static int32_t DtmStatusOf(int32_t state);

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    void RaiseDone(int32_t lastError, const char* trace);
    std::shared_ptr<applet::clsAppletItemManager> RequireManager() const;

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    int32_t m_itemHandle = -1;
    bool m_active = false;
    int32_t m_targetState = -1;
    DoneHandler m_done;
};
