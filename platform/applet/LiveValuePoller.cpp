#include "platform/applet/LiveValuePoller.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/RecordRunner.h"
#include "platform/applet/SequenceRunner.h"
#include "platform/applet/ValueEncoding.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/clsCommClient.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/loop/TimerService.h"
#include <algorithm>
#include <limits>

namespace applet {

namespace {

// Longer intervals are read once a day; an interval is a 16-bit count of
// seconds in the item controls, so nothing real comes near this.
constexpr qint64 kLongestIntervalMs = 24LL * 3600 * 1000;

} // namespace

LiveValuePoller::LiveValuePoller(clsAppletItemManager& manager, clsCommClient& comm, const SequenceRunner& sequences,
                                 std::shared_ptr<const Description> description)
    : m_manager(manager), m_comm(comm), m_sequences(sequences), m_description(std::move(description)),
      m_token(std::make_shared<int>(0))
{
    IndexRecords();
    m_currentSequenceHandle = m_manager.HandleOf(QStringLiteral("currentSequence"));
}

LiveValuePoller::~LiveValuePoller()
{
    m_timer.Cancel();
    m_timeout.Cancel();
}

void LiveValuePoller::IndexRecords()
{
    if (!m_description)
        return;
    for (const DescRecord& record : m_description->records) {
        if (record.kind != RecordKind::Read)
            continue;
        for (const FieldLayout& field : record.response) {
            const int32_t handle = field.item.isEmpty() ? 0 : m_manager.HandleOf(field.item);
            if (handle == 0)
                continue;
            const auto known = m_recordOf.constFind(handle);
            if (known == m_recordOf.constEnd() || record.responseLength < (*known)->responseLength)
                m_recordOf.insert(handle, &record);
        }
    }
}

std::map<const DescRecord*, LiveValuePoller::Polled> LiveValuePoller::Plan()
{
    std::map<const DescRecord*, Polled> plan;
    for (const auto& [handle, interval] : m_manager.UpdateIntervals()) {
        const DescRecord* record = m_recordOf.value(handle);
        if (!record) {
            if (!m_unreadable.contains(handle)) {
                m_unreadable.insert(handle);
                const AppletItem* item = m_manager.Item(handle);
                AppletTrace::Error(QStringLiteral("%1 is registered with an update interval, but no read record "
                                                  "carries it: it is not read cyclically")
                                       .arg(item ? item->Name() : QString::number(handle)));
            }
            continue;
        }
        Polled& polled = plan[record];
        const auto ms = static_cast<int32_t>(std::min<qint64>(qint64(interval) * kIntervalUnitMs, kLongestIntervalMs));
        if (polled.intervalMs == 0 || ms < polled.intervalMs)
            polled.intervalMs = ms;
        polled.items.insert(handle);
    }
    return plan;
}

void LiveValuePoller::Reschedule()
{
    if (m_shutdown)
        return;
    m_timer.Cancel();
    if (m_manager.UpdateIntervals().empty())
        return; // nothing live: no timer at all
    std::weak_ptr<int> token = m_token;
    m_timer = loop::TimerService::instance().SingleShot(
        0,
        [this, token] {
            if (!token.expired())
                OnTimer();
        },
        token);
}

void LiveValuePoller::OnItemChanged(const AppletItem& item)
{
    if (item.Handle() != 0 && item.Handle() == m_comm.ConnectHandle())
        Reschedule();
}

void LiveValuePoller::OnTimer()
{
    if (m_shutdown || m_reading)
        return; // the end of the read under way plans the next one
    if (m_comm.State() != ConnectState::Connected) {
        m_lastReadMs.clear(); // a new connection reads everything at once
        return;
    }
    const std::map<const DescRecord*, Polled> plan = Plan();
    const qint64 now = loop::TimerService::instance().NowMs();
    const DescRecord* next = nullptr;
    qint64 nextDue = std::numeric_limits<qint64>::max();
    for (const auto& [record, polled] : plan) {
        const auto last = m_lastReadMs.find(record);
        qint64 due = last == m_lastReadMs.end() ? now : last->second + polled.intervalMs;
        if (due <= now && DeviceInUse()) {
            // A sequence or a transfer has the device: this round is left out.
            m_lastReadMs[record] = now;
            due = now + polled.intervalMs;
        }
        if (due < nextDue) {
            nextDue = due;
            next = record;
        }
    }
    if (!next)
        return; // nothing is live: the reads stop
    if (nextDue <= now) {
        Send(*next, plan.at(next));
        return;
    }
    std::weak_ptr<int> token = m_token;
    m_timer = loop::TimerService::instance().SingleShot(
        static_cast<int>(nextDue - now),
        [this, token] {
            if (!token.expired())
                OnTimer();
        },
        token);
}

void LiveValuePoller::Send(const DescRecord& record, const Polled& polled)
{
    m_lastReadMs[&record] = loop::TimerService::instance().NowMs();
    QByteArray request;
    int32_t transaction = -1;
    int32_t result = kResultOk;
    if (!RecordRunner::BuildRequest(m_manager, record, request)
        || (result = m_comm.Send(record.kind, request, transaction)) != kResultOk) {
        if (result != kResultOk)
            AppletTrace::Error(QStringLiteral("Live values: record %1 not read: %2").arg(record.name, ResultText(result)));
        Reschedule();
        return;
    }
    ++m_readsSent;
    m_reading = &record;
    m_readingItems = polled.items;
    m_transaction = transaction;
    std::weak_ptr<int> token = m_token;
    m_timeout = loop::TimerService::instance().SingleShot(
        RecordRunner::kResponseTimeoutMs,
        [this, token] {
            if (token.expired() || !m_reading)
                return;
            AppletTrace::Error(QStringLiteral("Live values: record %1 not answered within %2 ms")
                                   .arg(m_reading->name)
                                   .arg(RecordRunner::kResponseTimeoutMs));
            m_comm.Cancel(m_transaction);
            EndRead();
            Reschedule();
        },
        token);
}

bool LiveValuePoller::OnResponse(const IoResponse& response)
{
    if (!m_reading || response.transaction != m_transaction)
        return false;
    const DescRecord& record = *m_reading;
    const QSet<int32_t> items = m_readingItems;
    EndRead();
    const auto code = response.respData.size() >= 2 ? static_cast<uint8_t>(response.respData[1]) : uint8_t(0);
    if (!RecordRunner::IsValidAnswer(response)) {
        AppletTrace::Error(QStringLiteral("Live values: record %1 got no valid response (hResult 0x%2)")
                               .arg(record.name)
                               .arg(static_cast<uint32_t>(response.hResult), 8, 16, QLatin1Char('0')));
    } else if (code != 0 && comm::responseCodeClass(code) != comm::ResponseCodeClass::Warning) {
        AppletTrace::Info(QStringLiteral("Live values: record %1 answered with response code %2").arg(record.name).arg(code));
    } else if (response.data.size() < record.responseLength) {
        AppletTrace::Error(QStringLiteral("Live values: record %1 answered %2 data bytes, the layout needs %3")
                               .arg(record.name)
                               .arg(response.data.size())
                               .arg(record.responseLength));
    } else {
        Take(record, items, response.data);
    }
    Reschedule();
    return true;
}

void LiveValuePoller::Take(const DescRecord& record, const QSet<int32_t>& items, const QByteArray& data)
{
    for (const FieldLayout& field : record.response) {
        const int32_t handle = field.item.isEmpty() ? 0 : m_manager.HandleOf(field.item);
        const AppletItem* item = m_manager.Item(handle);
        if (!item || !items.contains(handle))
            continue;
        QVariant value;
        QString why;
        if (!ValueEncoding::Decode(field, item->Type(), item->Size(), data, value, &why)) {
            AppletTrace::Error(QStringLiteral("Live values: record %1: %2 not taken: %3").arg(record.name, field.item, why));
            continue;
        }
        m_manager.WriteShadow(handle, value);
        if (m_shutdown)
            return; // a view ended the applet
    }
}

bool LiveValuePoller::DeviceInUse() const
{
    if (m_sequences.IsBusy())
        return true;
    const AppletItem* transfer = m_manager.Item(m_currentSequenceHandle);
    return transfer && !ItemValue::ToText(transfer->Type(), transfer->Value()).isEmpty();
}

void LiveValuePoller::EndRead()
{
    m_timeout.Cancel();
    m_reading = nullptr;
    m_readingItems.clear();
    m_transaction = -1;
}

void LiveValuePoller::Stop()
{
    m_timer.Cancel();
    if (m_reading)
        m_comm.Cancel(m_transaction);
    EndRead();
    m_lastReadMs.clear();
}

void LiveValuePoller::Shutdown()
{
    Stop();
    m_shutdown = true;
}

} // namespace applet
