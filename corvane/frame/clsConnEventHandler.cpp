#include "corvane/frame/clsConnEventHandler.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/frame/ConnectionState.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/ItemViewBinding.h"
#include "platform/applet/StateInfo.h"

namespace {
const QString kSource = QStringLiteral("clsConnEventHandler.ConnectionChanged");
}

clsConnEventHandler::clsConnEventHandler() = default;

clsConnEventHandler::~clsConnEventHandler()
{
    if (m_ConnectionStatus)
        disconnect(m_ConnectionStatus.get(), nullptr, this, nullptr);
}

void clsConnEventHandler::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    m_view = myView;
    m_manager = myView ? myView->appletItemManagerRef() : nullptr;
    for (const QString& name : {corvane::kConnectItem, corvane::kAbortSequencesItem, kInCompatibleDataset})
        m_items.Add(name, false, 0);
    m_ConnectionStatus = m_items.Item(corvane::kConnectItem);
    // A refresh (as after a dataset load) repeats a connection already known
    // lost; acting on it again would request an abort of whatever runs then.
    disconnect(m_ConnectionStatus.get(), nullptr, this, nullptr);
    connect(m_ConnectionStatus.get(), &clsAppItem::ValueChanged3, this,
            [this](const QString& value, int32_t itemState) {
                const bool repeated = (itemState & applet::StateInfo::kRefresh) != 0
                                      && m_LastConnectionStatus == kNoConnection
                                      && m_ConnectionStatus->UIntValue() == corvane::kNotConnected;
                if (!repeated)
                    m_ConnectionStatus_ValueChanged(value);
            });
    m_sequences.Add(kGetDeviceInfo, false, 0);
    m_items.Register(m_manager);
    m_sequences.Register(m_manager);
    m_registered = true;
}

void clsConnEventHandler::UnRegister()
{
    if (!m_registered)
        return;
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_registered = false;
}

void clsConnEventHandler::m_ConnectionStatus_ValueChanged(const QString& /*appItemValue*/)
{
    if (!m_registered)
        return;
    const double state = m_ConnectionStatus->UIntValue();
    if (state == corvane::kConnected) {
        if (m_LastConnectionStatus != corvane::kConnected) {
            ItemViewBinding::RunStep(kSource, [this] { m_sequences.Item(kGetDeviceInfo)->Start(); });
            m_LastConnectionStatus = corvane::kConnected; // also when the start failed
        }
    } else if (state == corvane::kNotConnected) {
        ItemViewBinding::RunStep(kSource, [this] {
            m_items.Item(kInCompatibleDataset)->SetStringValue(kConnectionLostVerdict);
        });
        m_LastConnectionStatus = kNoConnection;
        ItemViewBinding::RunStep(kSource, [this] { corvane::RequestAbort(m_manager); });
    }
}
