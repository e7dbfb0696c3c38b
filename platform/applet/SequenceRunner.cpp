#include "platform/applet/SequenceRunner.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsCommClient.h"
#include "platform/loop/EventLoop.h"
#include <QSet>

namespace applet {

SequenceRunner::SequenceRunner(clsAppletItemManager& manager, clsCommClient& comm,
                               std::shared_ptr<const Description> description)
    : m_manager(manager), m_comm(comm), m_description(std::move(description)), m_records(manager, comm),
      m_token(std::make_shared<int>(0))
{
}

SequenceRunner::~SequenceRunner() = default;

template <class F>
void SequenceRunner::Later(F work)
{
    std::weak_ptr<int> token = m_token;
    const int generation = m_generation;
    loop::PostToLoop(
        [this, token, generation, work = std::move(work)]() mutable {
            if (token.expired() || generation != m_generation || m_shutdown)
                return;
            work();
        },
        token);
}

int32_t SequenceRunner::Handle(int kind, const QString& owner) const
{
    return m_manager.HandleOf(SubItemName::Compose(static_cast<SubItemKind>(kind), owner));
}

void SequenceRunner::Set(int32_t handle, qint64 value, bool signedValue)
{
    const QVariant stored = signedValue ? QVariant::fromValue<qint64>(value)
                                        : QVariant::fromValue<quint64>(static_cast<quint64>(value));
    m_manager.Write(handle, stored, WriteOrigin::Host);
}

QString SequenceRunner::RunningSequence() const
{
    return m_sequence ? m_sequence->name : QString();
}

int32_t SequenceRunner::Startable(const QString& name, const DescSequence*& sequence) const
{
    if (m_shutdown)
        return kResultNotInitialised;
    sequence = m_description ? m_description->FindSequence(name) : nullptr;
    if (!sequence)
        return kResultUnknownSequence;
    return IsBusy() ? kResultBusy : kResultOk;
}

void SequenceRunner::LaterAdjust(const DescSequence* sequence)
{
    Later([this, sequence] {
        if (m_phase == Phase::Adjusting)
            Adjust(*sequence);
    });
}

int32_t SequenceRunner::Start(const QString& name)
{
    const DescSequence* sequence = nullptr;
    if (const int32_t refused = Startable(name, sequence))
        return refused;
    if (!sequence->records.isEmpty() && m_comm.State() != ConnectState::Connected)
        return kResultNotConnected;
    m_sequence = sequence;
    m_phase = Phase::Starting;
    m_next = 0;
    m_autoAdjust = false;
    m_stopRequested = false;
    m_stateHandle = Handle(static_cast<int>(SubItemKind::SequenceState), sequence->name);
    m_controlHandle = Handle(static_cast<int>(SubItemKind::SequenceControl), sequence->name);
    m_progressHandle = Handle(static_cast<int>(SubItemKind::SequenceProgress), sequence->name);
    ++m_generation;
    Later([this] { Begin(); });
    return kResultOk;
}

void SequenceRunner::Begin()
{
    if (m_phase != Phase::Starting)
        return;
    const bool write = m_sequence->kind == SequenceKind::Write;
    m_phase = Phase::Requesting;
    Set(m_controlHandle, SequenceAction::None);
    Set(m_progressHandle, 0, true);
    Set(m_stateHandle, write ? SequenceState::WriteRequest : SequenceState::ReadRequest);
    if (m_phase != Phase::Requesting)
        return; // stopped meanwhile
    if (m_manager.HasRegistrations(m_controlHandle))
        return; // the controller's action follows (OnControl)
    m_autoAdjust = !write;
    Run();
}

void SequenceRunner::OnControl()
{
    const AppletItem* control = m_manager.Item(m_controlHandle);
    if (!control || !m_sequence)
        return;
    const auto action = static_cast<int32_t>(ItemValue::ToNumber(control->Type(), control->Value()));
    if (action == SequenceAction::Run && m_phase == Phase::Requesting) {
        ++m_generation;
        Later([this] { Run(); });
    } else if (action == SequenceAction::Stop && (m_phase == Phase::Requesting || m_phase == Phase::Running)
               && !m_stopRequested) {
        // Whatever else is under way, the stop wins on the next turn.
        m_stopRequested = true;
        std::weak_ptr<int> token = m_token;
        const DescSequence* sequence = m_sequence;
        loop::PostToLoop(
            [this, token, sequence] {
                if (token.expired() || m_shutdown || m_sequence != sequence
                    || (m_phase != Phase::Requesting && m_phase != Phase::Running))
                    return;
                AppletTrace::Info(QStringLiteral("Sequence %1 stopped").arg(sequence->name));
                m_records.Stop();
                Finish(false);
            },
            token);
    }
}

void SequenceRunner::OnItemChanged(const AppletItem& item)
{
    if (m_shutdown)
        return;
    if (m_sequence && item.Handle() == m_controlHandle
        && (m_phase == Phase::Requesting || m_phase == Phase::Running)) {
        OnControl();
        return;
    }
    if (m_records.IsRunning() && item.Handle() == m_records.ControlHandle()) {
        std::weak_ptr<int> token = m_token;
        loop::PostToLoop(
            [this, token] {
                if (!token.expired() && !m_shutdown)
                    m_records.OnAction();
            },
            token);
    }
}

void SequenceRunner::Run()
{
    if (m_phase != Phase::Requesting || !m_sequence || m_stopRequested)
        return;
    m_phase = Phase::Running;
    Set(m_stateHandle, m_sequence->kind == SequenceKind::Write ? SequenceState::WriteActive
                                                               : SequenceState::ReadActive);
    if (m_phase != Phase::Running)
        return;
    NextRecord();
}

void SequenceRunner::NextRecord()
{
    if (m_phase != Phase::Running || m_stopRequested)
        return;
    if (m_next >= m_sequence->records.size()) {
        Finish(true);
        return;
    }
    if (m_comm.State() != ConnectState::Connected) {
        AppletTrace::Error(QStringLiteral("Sequence %1 ends: the device is not connected").arg(m_sequence->name));
        Finish(false);
        return;
    }
    const DescRecord* record = m_description->FindRecord(m_sequence->records[m_next]);
    if (!record) {
        Finish(false);
        return;
    }
    m_records.Run(*record, [this](RecordOutcome outcome) { OnRecordDone(outcome); });
}

void SequenceRunner::OnRecordDone(RecordOutcome outcome)
{
    if (m_phase != Phase::Running || m_stopRequested)
        return;
    if (outcome == RecordOutcome::Failed) {
        AppletTrace::Error(QStringLiteral("Sequence %1 failed at record %2")
                               .arg(m_sequence->name, m_sequence->records.value(m_next)));
        Finish(false);
        return;
    }
    ++m_next;
    const auto count = m_sequence->records.size();
    Set(m_progressHandle, count > 0 ? static_cast<qint64>(m_next) * 100 / count : 100, true);
    if (m_phase != Phase::Running)
        return;
    ++m_generation;
    Later([this] { NextRecord(); });
}

void SequenceRunner::Finish(bool success)
{
    const DescSequence* sequence = m_sequence;
    if (!sequence || m_phase == Phase::Idle || m_phase == Phase::Adjusting)
        return;
    ++m_generation;
    if (success) {
        Set(m_progressHandle, 100, true);
    } else {
        Set(m_controlHandle, SequenceAction::Stop);
    }
    const bool adjust = success && m_autoAdjust;
    m_phase = adjust ? Phase::Adjusting : Phase::Idle;
    if (!adjust)
        m_sequence = nullptr;
    // Idle before the state says so: a handler of the ready state may start
    // the next sequence or the adjust.
    Set(m_stateHandle, SequenceState::Ready);
    if (adjust)
        LaterAdjust(sequence);
}

int32_t SequenceRunner::StartAdjust(const QString& name)
{
    const DescSequence* sequence = nullptr;
    if (const int32_t refused = Startable(name, sequence))
        return refused;
    m_sequence = sequence;
    m_phase = Phase::Adjusting;
    m_stateHandle = Handle(static_cast<int>(SubItemKind::SequenceState), sequence->name);
    ++m_generation;
    LaterAdjust(sequence);
    return kResultOk;
}

void SequenceRunner::Adjust(const DescSequence& sequence)
{
    const int32_t stateHandle = Handle(static_cast<int>(SubItemKind::SequenceState), sequence.name);
    m_manager.Write(stateHandle, QVariant::fromValue<quint64>(SequenceState::AdjustActive), WriteOrigin::Host);
    QSet<int32_t> done;
    for (const QString& recordName : sequence.records) {
        const DescRecord* record = m_description->FindRecord(recordName);
        if (!record)
            continue;
        for (const FieldLayout& field : record->response) {
            const int32_t handle = field.item.isEmpty() ? 0 : m_manager.HandleOf(field.item);
            const AppletItem* item = m_manager.Item(handle);
            if (!item || done.contains(handle) || !item->IsDeviceParameter() || !item->IsShadowValid())
                continue;
            done.insert(handle);
            m_manager.Write(handle, item->Shadow(), WriteOrigin::Adjust);
        }
    }
    m_phase = Phase::Idle;
    m_sequence = nullptr;
    ++m_generation;
    m_manager.Write(stateHandle, QVariant::fromValue<quint64>(SequenceState::Ready), WriteOrigin::Host);
}

void SequenceRunner::OnResponse(const IoResponse& response)
{
    if (!m_shutdown)
        m_records.OnResponse(response);
}

void SequenceRunner::OnConnectionEnding()
{
    if (m_phase != Phase::Starting && m_phase != Phase::Requesting && m_phase != Phase::Running)
        return;
    if (m_sequence && m_sequence->records.isEmpty())
        return;
    AppletTrace::Info(QStringLiteral("Sequence %1 ends with the connection").arg(m_sequence->name));
    m_records.Stop();
    Finish(false);
}

void SequenceRunner::Shutdown()
{
    m_shutdown = true;
    m_records.Stop(true);
    m_phase = Phase::Idle;
    m_sequence = nullptr;
    ++m_generation;
}

} // namespace applet
