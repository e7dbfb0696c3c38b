#include "platform/applet/RecordRunner.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/CServerResponseClass.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsCommClient.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/TimerService.h"

namespace applet {

namespace {

QVariant Number(int32_t value)
{
    return QVariant::fromValue<quint64>(static_cast<quint64>(value));
}

} // namespace

RecordRunner::RecordRunner(clsAppletItemManager& manager, clsCommClient& comm)
    : m_manager(manager), m_comm(comm), m_token(std::make_shared<int>(0))
{
}

RecordRunner::~RecordRunner()
{
    m_timer.Cancel();
}

template <class F>
void RecordRunner::Later(int delayMs, F work)
{
    std::weak_ptr<int> token = m_token;
    const int generation = m_generation;
    auto call = [this, token, generation, work = std::move(work)]() mutable {
        if (token.expired() || generation != m_generation)
            return;
        work();
    };
    if (delayMs <= 0)
        loop::PostToLoop(std::move(call), token);
    else
        m_timer = loop::TimerService::instance().SingleShot(delayMs, std::move(call), token);
}

void RecordRunner::SetState(int32_t state)
{
    m_manager.Write(m_stateHandle, Number(state), WriteOrigin::Host);
}

void RecordRunner::SetControl(int32_t value)
{
    m_manager.Write(m_controlHandle, Number(value), WriteOrigin::Host);
}

int32_t RecordRunner::ControlValue() const
{
    const AppletItem* item = m_manager.Item(m_controlHandle);
    return item ? static_cast<int32_t>(ItemValue::ToNumber(item->Type(), item->Value())) : 0;
}

void RecordRunner::Run(const DescRecord& record, std::function<void(RecordOutcome)> done)
{
    Stop(true);
    m_record = &record;
    m_done = std::move(done);
    m_repeats = 0;
    m_stateHandle = m_manager.HandleOf(SubItemName::Compose(SubItemKind::RecordState, record.name));
    m_responseHandle = m_manager.HandleOf(SubItemName::Compose(SubItemKind::RecordResponse, record.name));
    m_controlHandle = m_manager.HandleOf(SubItemName::Compose(SubItemKind::RecordResponseControl, record.name));
    Later(0, [this] { Send(); });
}

void RecordRunner::Send()
{
    if (!m_record)
        return;
    ++m_generation;
    m_waitingForAction = false;
    m_lastData.clear();
    m_lastAnswered = false;
    const DescRecord& record = *m_record;
    SetControl(RecordAction::None);
    if (m_record)
        SetState(record.kind == RecordKind::Write ? RecordState::WriteActive : RecordState::ReadActive);
    if (!m_record)
        return; // stopped by a handler of the change

    QByteArray request;
    if (!BuildRequest(m_manager, record, request)) {
        SetState(RecordState::Ready);
        Finish(RecordOutcome::Failed);
        return;
    }

    int32_t transaction = -1;
    const int32_t result = m_comm.Send(record.kind, request, transaction);
    if (result != 0) {
        AppletTrace::Error(QStringLiteral("Record %1: request refused: %2").arg(record.name, ResultText(result)));
        Fail(RecordState::NoResponse);
        return;
    }
    m_transaction = transaction;
    m_waitingForResponse = true;
    Later(kResponseTimeoutMs, [this] {
        if (!m_waitingForResponse)
            return;
        m_waitingForResponse = false;
        AppletTrace::Error(QStringLiteral("Record %1: no response within %2 ms").arg(m_record->name).arg(kResponseTimeoutMs));
        m_comm.Cancel(m_transaction);
        Fail(RecordState::NoResponse);
    });
}

bool RecordRunner::BuildRequest(const clsAppletItemManager& manager, const DescRecord& record, QByteArray& request)
{
    QByteArray data(record.requestLength, '\0');
    for (const FieldLayout& field : record.request) {
        if (field.item.isEmpty()) {
            ValueEncoding::EncodeFixed(field, data);
            continue;
        }
        const AppletItem* item = manager.Item(manager.HandleOf(field.item));
        QString why;
        if (!item || !ValueEncoding::Encode(field, item->Type(), item->Value(), data, &why)) {
            AppletTrace::Error(QStringLiteral("Record %1: the value of %2 cannot be sent: %3")
                                   .arg(record.name, field.item, why));
            return false;
        }
    }
    request.clear();
    request.append(static_cast<char>(record.command));
    request.append(static_cast<char>(data.size()));
    request.append(data);
    return true;
}

bool RecordRunner::IsValidAnswer(const IoResponse& response)
{
    return IsResponseSuccess(response.hResult) && response.respData.size() >= 2
        && !comm::isCommunicationError(static_cast<uint8_t>(response.respData[1]));
}

void RecordRunner::OnResponse(const IoResponse& response)
{
    if (!m_record || !m_waitingForResponse || response.transaction != m_transaction) {
        AppletTrace::Info(QStringLiteral("Response to transaction %1 dropped: no record waits for it")
                              .arg(response.transaction));
        return;
    }
    m_waitingForResponse = false;
    m_timer.Cancel();
    const DescRecord& record = *m_record;
    QByteArray octets = response.respData;
    octets.append(response.data);
    m_manager.Write(m_responseHandle, octets, WriteOrigin::Host);
    if (!m_record)
        return;

    if (!IsValidAnswer(response)) {
        AppletTrace::Error(QStringLiteral("Record %1: no valid response (hResult 0x%2)")
                               .arg(record.name)
                               .arg(static_cast<uint32_t>(response.hResult), 8, 16, QLatin1Char('0')));
        Fail(RecordState::NoResponse);
        return;
    }
    m_lastAnswered = true;
    m_lastData = response.data;
    const auto code = static_cast<uint8_t>(response.respData[1]);
    const bool watched = m_manager.HasRegistrations(m_controlHandle);
    // Unwatched, a warning counts as success; a watcher decides on it itself.
    if (code != 0 && (watched || comm::responseCodeClass(code) != comm::ResponseCodeClass::Warning)) {
        AppletTrace::Info(QStringLiteral("Record %1: response code %2").arg(record.name).arg(code));
        Fail(0);
        return;
    }
    if (response.data.size() < record.responseLength) {
        AppletTrace::Error(QStringLiteral("Record %1: response of %2 data bytes, the layout needs %3")
                               .arg(record.name)
                               .arg(response.data.size())
                               .arg(record.responseLength));
        Fail(RecordState::ShortResponse);
        return;
    }
    DecodeInto(response.data, true);
    if (!m_record)
        return;
    SetState(RecordState::Ready);
    Finish(RecordOutcome::Done);
}

void RecordRunner::DecodeInto(const QByteArray& data, bool wholeLayout)
{
    const DescRecord* record = m_record;
    for (const FieldLayout& field : record->response) {
        if (field.item.isEmpty())
            continue;
        if (!wholeLayout && field.offset + field.length > data.size())
            continue;
        const int32_t handle = m_manager.HandleOf(field.item);
        const AppletItem* item = m_manager.Item(handle);
        if (!item)
            continue;
        QVariant value;
        QString why;
        if (!ValueEncoding::Decode(field, item->Type(), item->Size(), data, value, &why)) {
            AppletTrace::Error(QStringLiteral("Record %1: %2 not taken: %3").arg(record->name, field.item, why));
            continue;
        }
        m_manager.WriteShadow(handle, value);
        if (m_record != record)
            return; // a handler ended the record
    }
}

void RecordRunner::Fail(int32_t variant)
{
    const DescRecord& record = *m_record;
    m_failedVariant = variant;
    const int32_t state = (record.kind == RecordKind::Write ? RecordState::WriteFailed : RecordState::ReadFailed) + variant;
    const int limit = variant != 0 ? kMaxRepeatsNoAnswer : kMaxRepeatsErrorCode;
    if (m_manager.HasRegistrations(m_controlHandle) && m_repeats < limit) {
        // The watcher may answer from inside the state notification, so the
        // control item is cleared before the state goes up.
        m_waitingForAction = true;
        SetControl(RecordAction::None);
        if (m_record)
            SetState(state);
        return;
    }
    if (m_repeats >= limit)
        AppletTrace::Error(QStringLiteral("Record %1 failed after %2 repeats").arg(record.name).arg(m_repeats));
    SetState(state);
    if (!m_record)
        return;
    SetState(RecordState::Ready);
    Finish(RecordOutcome::Failed);
}

void RecordRunner::OnAction()
{
    if (!m_record || !m_waitingForAction)
        return;
    const int32_t action = ControlValue();
    switch (action) {
    case RecordAction::Repeat:
        m_waitingForAction = false;
        ++m_repeats;
        ++m_generation;
        Later(kRepeatDelayMs, [this] { Send(); });
        break;
    case RecordAction::Accept:
        m_waitingForAction = false;
        if (m_lastAnswered)
            DecodeInto(m_lastData, false);
        if (!m_record)
            return;
        SetState(RecordState::Ready);
        Finish(RecordOutcome::Done);
        break;
    case RecordAction::Ignore:
        m_waitingForAction = false;
        SetState(RecordState::Ready);
        Finish(RecordOutcome::Done);
        break;
    default:
        break;
    }
}

void RecordRunner::Finish(RecordOutcome outcome)
{
    if (!m_record)
        return;
    m_record = nullptr;
    m_waitingForResponse = false;
    m_waitingForAction = false;
    ++m_generation;
    m_timer.Cancel();
    auto done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(outcome);
}

void RecordRunner::Stop(bool quiet)
{
    if (!m_record)
        return;
    if (m_waitingForResponse)
        m_comm.Cancel(m_transaction);
    const int32_t stateHandle = m_stateHandle;
    m_record = nullptr;
    m_done = nullptr;
    m_waitingForResponse = false;
    m_waitingForAction = false;
    ++m_generation;
    m_timer.Cancel();
    if (!quiet)
        m_manager.Write(stateHandle, Number(RecordState::Ready), WriteOrigin::Host);
}

} // namespace applet
