#include "TransferProgress.h"
#include "fennick/fdt/global.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/comm/hart/HartStatus.h"

namespace {

const QString kCurrentSequence = QStringLiteral("currentSequence");
const QString kCurrentRecord = QStringLiteral("currentRecord");
const QString kCurrentRecordState = QStringLiteral("currentRecordState");
const QString kCurrentResponseCode = QStringLiteral("currentResponseCode");
const QString kTransferFailure = QStringLiteral("XXXTransferFailureXXX");
const QString kTransferNotice = QStringLiteral("XXXTransferNoticeXXX");

bool IsFailedState(int32_t state)
{
    return (state & (applet::RecordState::ReadFailed | applet::RecordState::WriteFailed)) != 0;
}

} // namespace

TransferProgress::TransferProgress(QTextStream& stream, bool terminal, const QString& what)
    : m_stream(stream), m_terminal(terminal), m_what(what)
{
}

TransferProgress::~TransferProgress() = default;

bool TransferProgress::Attach()
{
    if (m_manager)
        return true;
    const auto host = global::AppletHost();
    if (!host)
        return false;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    if (!manager)
        return false;
    int32_t result = -1;
    manager->RegisterView(shared_from_this(), result);
    return result == 0 && m_manager != nullptr;
}

void TransferProgress::Detach()
{
    if (!m_manager)
        return;
    const auto manager = std::move(m_manager);
    m_manager.reset();
    int32_t result = 0;
    manager->UnregisterView(this, result);
}

void TransferProgress::SetAppletItemManagRef(int32_t lViewHandle,
                                             const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                             int32_t& result)
{
    m_manager = manager;
    result = 0;
    for (const QString& name : {kCurrentSequence, kCurrentRecord, kCurrentRecordState, kCurrentResponseCode}) {
        int32_t handle = 0;
        int32_t failed = 0;
        manager->RegisterItem(name, false, lViewHandle, handle, 0, 0, failed);
        if (failed == 0)
            m_items[handle] = name;
    }
}

void TransferProgress::Destroy(int32_t& result)
{
    m_manager.reset();
    result = 0;
}

QString TransferProgress::Text(const QString& name) const
{
    QString value;
    int32_t failed = 0;
    m_manager->fncReadString(m_manager->HandleOf(name), value, false, failed);
    return failed == 0 ? value : QString();
}

void TransferProgress::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t, int32_t, int32_t& result)
{
    result = 0;
    const auto it = m_items.find(lAppletItemHandle);
    if (!m_manager || it == m_items.end())
        return;
    if (it->second == kCurrentRecordState) {
        // The record manager writes the state after the record's name was
        // published for it; a failed state keeps the record and its response.
        double state = 0;
        int32_t failed = 0;
        m_manager->fncGetUIntValue(lAppletItemHandle, state, failed);
        const auto value = static_cast<int32_t>(state);
        // A record sent again (a busy device's, one the user repeats) has
        // not failed unless its repeat fails.
        if (failed == 0 && !IsFailedState(value) && value != applet::RecordState::Ready
            && Text(kCurrentRecord) == m_failedRecord)
            m_failedRecord.clear();
        // The first record that failed is the reason; the ones after it follow from it.
        m_capturing = failed == 0 && IsFailedState(value) && m_failedRecord.isEmpty();
        if (m_capturing) {
            m_failedState = value;
            m_failedRecord = Text(kCurrentRecord);
            m_manager->fncGetOctetsValue(m_manager->HandleOf(kCurrentResponseCode), m_failedResponse, failed);
        }
        return;
    }
    if (it->second == kCurrentResponseCode && m_capturing) {
        int32_t failed = 0;
        m_manager->fncGetOctetsValue(lAppletItemHandle, m_failedResponse, failed);
        return;
    }
    const QString sequence = Text(kCurrentSequence);
    if (sequence.isEmpty())
        return;
    const QString record = Text(kCurrentRecord);
    if (record.isEmpty() && sequence == m_shownSequence)
        return; // between two records of the same sequence
    m_shownSequence = sequence;
    Show(QStringLiteral("%1: sequence %2%3").arg(m_what, sequence,
                                                 record.isEmpty() ? QString() : QStringLiteral(", record ") + record));
}

void TransferProgress::Show(const QString& line)
{
    if (line == m_shown)
        return;
    m_shown = line;
    if (m_terminal) {
        const int pad = qMax(0, m_shownWidth - static_cast<int>(line.size()));
        m_stream << '\r' << line << QString(pad, QLatin1Char(' '));
        m_stream.flush();
        m_shownWidth = static_cast<int>(line.size());
    } else {
        m_stream << "  " << line << Qt::endl;
    }
}

void TransferProgress::Finish()
{
    if (m_terminal && m_shownWidth > 0)
        m_stream << Qt::endl;
    m_shownWidth = 0;
    m_shown.clear();
}

QString TransferProgress::FailureReason(const QString& connectionFailure) const
{
    // No record failed: the device application tells why (a value it refused before writing).
    if (m_failedRecord.isEmpty())
        return m_manager ? Text(kTransferFailure) : QString();
    if ((m_failedState & (applet::RecordState::NoResponse | applet::RecordState::ShortResponse)) != 0
        || m_failedResponse.size() < 2)
        return connectionFailure.isEmpty()
                   ? QStringLiteral("record %1: no valid response from the device").arg(m_failedRecord)
                   : QStringLiteral("%1 (record %2)").arg(connectionFailure, m_failedRecord);
    const auto command = static_cast<uint8_t>(m_failedResponse[0]);
    const auto code = static_cast<uint8_t>(m_failedResponse[1]);
    // What the device application adds: what was written before, the lock.
    const QString transfer = m_manager ? Text(kTransferFailure) : QString();
    return QStringLiteral("record %1: response code %2 (%3)%4")
        .arg(m_failedRecord)
        .arg(code)
        .arg(comm::responseCodeName(code, command), transfer.isEmpty() ? QString() : QStringLiteral("; ") + transfer);
}

QStringList TransferProgress::Notices() const
{
    return m_manager ? Text(kTransferNotice).split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
}
