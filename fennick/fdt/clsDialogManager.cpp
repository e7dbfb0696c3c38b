#include "fennick/fdt/clsDialogManager.h"
#include "platform/automation/CheckedFile.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <QFile>
#include <QFileInfo>

namespace {

// Notifications the bridge does not act on: shadow-only, refresh, no-rules.
constexpr int32_t kIgnoredStateBits =
    applet::StateInfo::kShadowOnly | applet::StateInfo::kRefresh | applet::StateInfo::kNoRules;

const QString kSource = QStringLiteral("clsDialogManager");

} // namespace

clsDialogManager::clsDialogManager() = default;

clsDialogManager::~clsDialogManager() = default;

void clsDialogManager::RegisterView(const QString& schemaPath)
{
    m_manager.reset();
    m_hdlPrivateDialogEnabled = -1;
    m_hdlErrorMessage = -1;
    m_hdlUserMessage = -1;
    m_hdlSchemaPath = -1;
    m_ownWrite = false;
    m_schemaPath = schemaPath;
    const auto manager = global::AppletItemManager();
    if (!manager) {
        Debugging::TraceError(QStringLiteral("clsDialogManager: no applet item manager to register with"));
        return;
    }
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
    if (result != 0)
        Debugging::TraceError(QStringLiteral("clsDialogManager: RegisterView failed, result = %1").arg(result));
}

void clsDialogManager::UnregisterView()
{
    if (const auto manager = m_manager) {
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
}

void clsDialogManager::Register(const QString& name, int32_t& handle)
{
    handle = -1;
    int32_t failed = 0;
    m_manager->RegisterItem(name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        handle = -1;
        Debugging::TraceRegistrationFailed(name);
    }
}

void clsDialogManager::SetAppletItemManagRef(int32_t lViewHandle,
                                             const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                             int32_t& result)
{
    result = 0;
    m_manager = manager;
    m_viewHandle = lViewHandle;
    if (!m_manager)
        return;
    Register(kPrivateDialogEnabledItem, m_hdlPrivateDialogEnabled);
    Register(kErrorMessageItem, m_hdlErrorMessage);
    Register(kUserMessageItem, m_hdlUserMessage);
    Register(kSchemaPathItem, m_hdlSchemaPath);
    int32_t failed = 1;
    if (m_hdlSchemaPath > 0)
        m_manager->PutStringValue(m_hdlSchemaPath, m_schemaPath, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(kSchemaPathItem);
}

void clsDialogManager::Destroy(int32_t& result)
{
    m_manager.reset();
    result = 0;
}

int16_t clsDialogManager::PrivateDialogEnabled()
{
    int16_t value = 0;
    int32_t failed = 1;
    if (m_manager && m_hdlPrivateDialogEnabled > 0)
        m_manager->GetBoolValue(m_hdlPrivateDialogEnabled, value, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(kPrivateDialogEnabledItem);
        return 0;
    }
    return value;
}

void clsDialogManager::SetPrivateDialogEnabled(int16_t enabled)
{
    int32_t failed = 1;
    if (m_manager && m_hdlPrivateDialogEnabled > 0)
        m_manager->PutBoolValue(m_hdlPrivateDialogEnabled, enabled, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(kPrivateDialogEnabledItem);
}

void clsDialogManager::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                     int32_t& result)
{
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    if ((lStateInfo & kIgnoredStateBits) != 0)
        return;
    // A handler may end this view (the frame's dialog runs inside the call).
    const auto keep = shared_from_this();
    if (lAppletItemHandle == m_hdlErrorMessage && m_hdlErrorMessage > 0)
        ForwardErrorMessage();
    else if (lAppletItemHandle == m_hdlUserMessage && m_hdlUserMessage > 0)
        HandleUserMessage();
}

QString clsDialogManager::ReadChangedText(int32_t handle, const QString& itemName)
{
    if (!m_manager)
        return QString();
    QString current;
    QString previous;
    int32_t failed = 0;
    m_manager->GetStringValue(handle, current, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(itemName);
        return QString();
    }
    m_manager->GetPreviousStringValue(handle, previous, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(itemName);
        return QString();
    }
    Publics::RemoveNullChars(current);
    Publics::RemoveNullChars(previous);
    current = current.trimmed();
    previous = previous.trimmed();
    return current != previous ? current : QString();
}

void clsDialogManager::ForwardErrorMessage()
{
    const QString text = ReadChangedText(m_hdlErrorMessage, kErrorMessageItem);
    if (text.isEmpty())
        return;
    if (const auto dtm = global::CurrentDtm())
        dtm->SendErrorMessage(text);
    else
        Debugging::TraceError(QStringLiteral("clsDialogManager: no DTM object to send the error message: ") + text);
}

void clsDialogManager::HandleUserMessage()
{
    const QString path = ReadChangedText(m_hdlUserMessage, kUserMessageItem);
    if (m_ownWrite) {
        m_ownWrite = false;
        if (path.contains(kResponseSuffix))
            return;
    }
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        WriteUserMessage(QString());
        Debugging::TraceError(QStringLiteral("Document containing the user message not found: ") + path);
        return;
    }
    QByteArray content;
    QString reason;
    if (info.size() > kMaxRequestFileBytes) {
        Debugging::TraceError(QStringLiteral("Document containing the user message is too large (%1 bytes): ")
                                  .arg(info.size())
                              + path);
        WriteUserMessage(QString());
        return;
    }
    if (!automation::CheckedFile::Read(path, kMaxRequestFileBytes, content, &reason)) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, reason, kSource);
        WriteUserMessage(QString());
        return;
    }

    XMLHelper::DocumentPtr document;
    if (!XMLHelper::LoadXmlString(QString::fromUtf8(content), document)) {
        WriteUserMessage(QString());
        Debugging::TraceError(QStringLiteral("Loading document >>") + path + QStringLiteral("<< failed!"));
        return;
    }
    QString response;
    const auto dtm = global::CurrentDtm();
    if (!dtm) {
        Debugging::TraceError(QStringLiteral("clsDialogManager: no DTM object to show the user message"));
        WriteUserMessage(QString());
        return;
    }
    if (!dtm->FdtDialog_UserDialog(document->Xml(), response)) {
        WriteUserMessage(QString());
        return;
    }
    if (!document->LoadXml(response)) {
        Debugging::TraceError(QStringLiteral("Dialog response failed!"));
        WriteUserMessage(QString());
        return;
    }
    const QString responsePath = path + kResponseSuffix;
    QString error;
    if (!document->Save(responsePath, &error)) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, error, kSource);
        Debugging::TraceInfo(QStringLiteral("Unable to save: ") + responsePath);
    }
    WriteUserMessage(responsePath);
}

void clsDialogManager::WriteUserMessage(const QString& text)
{
    m_ownWrite = true;
    int32_t failed = 1;
    if (m_manager && m_hdlUserMessage > 0)
        m_manager->PutStringValue(m_hdlUserMessage, text, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(kUserMessageItem);
    m_ownWrite = false;
}
