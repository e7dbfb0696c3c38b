#include "platform/frame/FrameContainer.h"
#include "platform/automation/ComError.h"
#include "platform/dialogs/DialogService.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/ReferenceFrame.h"
#include <stdexcept>

namespace frame {

namespace {
const QString kSource = QStringLiteral("ReferenceFrame");
} // namespace

QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

FrameContainer::FrameContainer(ReferenceFrame* frame, QString systemTag)
    : m_frame(frame), m_systemTag(std::move(systemTag))
{
}

void FrameContainer::Record(const QString& systemTag, const QString& name, const QStringList& arguments)
{
    if (m_frame)
        m_frame->Events().Record(systemTag, name, arguments);
}

void FrameContainer::RecordEvent(const QString& systemTag, const QString& name, const QStringList& arguments)
{
    Record(systemTag, name, arguments);
    if (m_eventsRaise)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("The frame failed %1").arg(name), kSource);
    FailForeign(name);
}

void FrameContainer::FailForeign(const QString& name) const
{
    if (m_eventsFailForeign)
        throw std::runtime_error(QStringLiteral("The frame broke down in %1").arg(name).toStdString());
}

// --- IFdtContainer ------------------------------------------------------------------

QString FrameContainer::GetXmlSchemaPath()
{
    Record(m_systemTag, QStringLiteral("GetXmlSchemaPath"));
    return m_frame ? m_frame->SchemaPath() : QString();
}

bool FrameContainer::AnswerLock(Answer answer, const char* call)
{
    if (answer == Answer::Raise)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("The frame failed %1").arg(QLatin1String(call)),
                                   kSource);
    return answer == Answer::Grant && m_frame != nullptr;
}

bool FrameContainer::LockDataSet(const QString& systemTag)
{
    Record(systemTag, QStringLiteral("LockDataSet"));
    if (!AnswerLock(m_lockAnswer, "LockDataSet") || systemTag != m_systemTag || !m_otherHolder.isEmpty())
        return false;
    m_lockedByDtm = true;
    return true;
}

bool FrameContainer::UnlockDataSet(const QString& systemTag)
{
    Record(systemTag, QStringLiteral("UnlockDataSet"));
    if (!AnswerLock(m_unlockAnswer, "UnlockDataSet") || systemTag != m_systemTag)
        return false;
    m_lockedByDtm = false;
    return true;
}

bool FrameContainer::SaveRequest(const QString& systemTag)
{
    Record(systemTag, QStringLiteral("SaveRequest"));
    switch (m_saveAnswer) {
    case SaveAnswer::Raise:
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("The frame failed SaveRequest"), kSource);
    case SaveAnswer::Refuse:
        return false;
    case SaveAnswer::AcceptOnly:
        return m_frame != nullptr;
    case SaveAnswer::Save:
        break;
    }
    if (!m_frame || systemTag != m_systemTag)
        return false;
    m_frame->ScheduleSave(systemTag);
    return true;
}

// --- IDtmEvents ---------------------------------------------------------------------

void FrameContainer::OnApplicationClosed(const QString& systemTag, const QString& invokeId)
{
    RecordEvent(systemTag, QStringLiteral("OnApplicationClosed"), {invokeId});
}

void FrameContainer::OnDownloadFinished(const QString& systemTag, const QString& invokeId, bool success)
{
    RecordEvent(systemTag, QStringLiteral("OnDownloadFinished"), {invokeId, BoolText(success)});
}

void FrameContainer::OnErrorMessage(const QString& systemTag, const QString& message)
{
    RecordEvent(systemTag, QStringLiteral("OnErrorMessage"), {message});
}

void FrameContainer::OnFunctionChanged(const QString& systemTag)
{
    RecordEvent(systemTag, QStringLiteral("OnFunctionChanged"));
}

void FrameContainer::OnInvokedFunctionFinished(const QString& systemTag, const QString& invokeId, bool success)
{
    RecordEvent(systemTag, QStringLiteral("OnInvokedFunctionFinished"), {invokeId, BoolText(success)});
}

void FrameContainer::OnOnlineStateChanged(const QString& systemTag, bool connected)
{
    RecordEvent(systemTag, QStringLiteral("OnOnlineStateChanged"), {BoolText(connected)});
}

void FrameContainer::OnParameterChanged(const QString& systemTag, const QString& parameter)
{
    RecordEvent(systemTag, QStringLiteral("OnParameterChanged"), {parameter});
}

void FrameContainer::OnPreparedToRelease(const QString& systemTag)
{
    // The frame lets go of the DTM inside this call; this container lives on
    // as long as the DTM still holds it.
    const std::shared_ptr<FrameContainer> keep = shared_from_this();
    RecordEvent(systemTag, QStringLiteral("OnPreparedToRelease"));
    if (m_frame && systemTag == m_systemTag)
        m_frame->OnPreparedToRelease(systemTag);
}

void FrameContainer::OnPreparedToReleaseCommunication(const QString& systemTag)
{
    RecordEvent(systemTag, QStringLiteral("OnPreparedToReleaseCommunication"));
}

void FrameContainer::OnProgress(const QString& systemTag, const QString& title, int32_t percent, bool show)
{
    RecordEvent(systemTag, QStringLiteral("OnProgress"), {title, QString::number(percent), BoolText(show)});
}

void FrameContainer::OnUploadFinished(const QString& systemTag, const QString& invokeId, bool success)
{
    RecordEvent(systemTag, QStringLiteral("OnUploadFinished"), {invokeId, BoolText(success)});
}

// --- IFdtDialog ---------------------------------------------------------------------

QString FrameContainer::UserDialog(const QString& systemTag, const QString& userDialog)
{
    Record(systemTag, QStringLiteral("UserDialog"));
    FailForeign(QStringLiteral("UserDialog"));
    FrameDocuments::UserMessage message;
    QString error;
    if (!FrameDocuments::ParseUserMessage(userDialog, message, &error))
        throw automation::ComError(automation::E_INVALIDARG_, error, kSource);
    dialogs::MessageBoxRequest request;
    request.title = message.title;
    request.text = message.text;
    request.icon = message.icon;
    request.buttons = message.buttons;
    const dialogs::DialogResult answer = dialogs::DialogService::instance().ShowMessage(request);
    return FrameDocuments::UserMessageAnswer(userDialog, answer);
}

// --- FrameBulkData ------------------------------------------------------------------

QString FrameContainer::GetBulkDataPath(const QString& systemTag)
{
    Record(systemTag, QStringLiteral("GetBulkDataPath"));
    if (!m_frame)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("The frame has closed"), kSource);
    if (systemTag != m_systemTag)
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("No bulk data of %1 in this container").arg(systemTag), kSource);
    QString folder;
    QString error;
    if (!m_frame->Project().BulkDataFolder(systemTag, folder, &error))
        throw automation::ComError(automation::E_FAIL_, error, kSource);
    return folder;
}

} // namespace frame
