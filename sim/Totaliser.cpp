#include "sim/Totaliser.h"

#include "platform/comm/hart/HartStatus.h"
#include <QJsonValue>
#include <algorithm>
#include <cmath>

namespace sim {

namespace {
namespace RC = comm::ResponseCode;
// The longest step of the integration: the process moves within an hour.
constexpr int64_t kStepMs = 10 * 1000;
// A wall clock that jumps far ahead is integrated in at most this many steps.
constexpr int64_t kMaxSteps = 20000;

double Held(double part)
{
    return std::clamp(part, -Totaliser::kMaxPart, Totaliser::kMaxPart);
}
} // namespace

void Totaliser::clear()
{
    m_elapsedMs = 0;
    m_days = m_hours = m_hour = 0;
}

void Totaliser::select(uint8_t selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    m_running = false;
    clear();
}

uint8_t Totaliser::act(int action)
{
    switch (action) {
    case Stop:
        m_running = false;
        return RC::Success;
    case Start:
        if (m_selection == None)
            return RC::InvalidSelection;   // nothing chosen to integrate
        m_running = true;
        return RC::Success;
    case DeleteLastHour:
        m_hour = 0;
        m_elapsedMs -= m_elapsedMs % kHourMs;
        return RC::Success;
    case DeleteAllHours:
        m_hour = m_hours = 0;
        m_elapsedMs -= m_elapsedMs % kDayMs;
        return RC::Success;
    case DeleteAllDays:
        m_days = 0;
        m_elapsedMs %= kDayMs;
        return RC::Success;
    case DeleteAll:
        clear();
        return RC::Success;
    default:
        return RC::InvalidSelection;
    }
}

void Totaliser::advance(int64_t nowMs, const std::function<double(int64_t)>& volumeFlowAt)
{
    const std::optional<int64_t> last = m_lastMs;
    m_lastMs = nowMs;
    if (!m_running || !last || nowMs <= *last)
        return;
    const int64_t step = std::max(kStepMs, (nowMs - *last) / kMaxSteps + 1);
    for (int64_t t = *last; t < nowMs;) {
        if (m_elapsedMs >= kMaxElapsedMs) {
            m_running = false;   // the longest integration time it keeps
            return;
        }
        // A piece ends at the end of the running hour of the integration time.
        const int64_t piece = std::min({step, nowMs - t, kHourMs - m_elapsedMs % kHourMs, kMaxElapsedMs - m_elapsedMs});
        const double flow = volumeFlowAt(t + piece / 2);
        if (std::isfinite(flow))
            m_hour = Held(m_hour + flow * static_cast<double>(piece) / kHourMs);
        m_elapsedMs += piece;
        t += piece;
        if (m_elapsedMs % kHourMs == 0) {
            m_hours = Held(m_hours + m_hour);
            m_hour = 0;
        }
        if (m_elapsedMs % kDayMs == 0) {
            m_days = Held(m_days + m_hours);
            m_hours = 0;
        }
    }
}

std::array<uint8_t, 4> Totaliser::elapsed() const
{
    const int64_t s = m_elapsedMs / 1000;
    return {static_cast<uint8_t>(std::min<int64_t>(s / 86400, 255)), static_cast<uint8_t>(s / 3600 % 24),
            static_cast<uint8_t>(s / 60 % 60), static_cast<uint8_t>(s % 60)};
}

QJsonObject Totaliser::save() const
{
    return {{QStringLiteral("selection"), m_selection},
            {QStringLiteral("running"), m_running},
            {QStringLiteral("elapsedMs"), static_cast<double>(m_elapsedMs)},
            {QStringLiteral("days"), m_days},
            {QStringLiteral("hours"), m_hours},
            {QStringLiteral("hour"), m_hour}};
}

bool Totaliser::restore(const QJsonObject& kept, QString& error)
{
    if (kept.isEmpty())
        return true;
    const QJsonValue selection = kept.value(QStringLiteral("selection"));
    const QJsonValue running = kept.value(QStringLiteral("running"));
    const QJsonValue elapsed = kept.value(QStringLiteral("elapsedMs"));
    std::array<double, 3> parts{};
    const char* names[] = {"days", "hours", "hour"};
    bool ok = selection.isDouble() && selection.toInt(-1) >= None && selection.toInt(-1) <= Mass && running.isBool()
           && elapsed.isDouble() && elapsed.toDouble() >= 0 && elapsed.toDouble() <= static_cast<double>(kMaxElapsedMs);
    for (int i = 0; ok && i < 3; ++i) {
        const QJsonValue v = kept.value(QLatin1String(names[i]));
        ok = v.isDouble() && std::fabs(v.toDouble()) <= kMaxPart;
        parts[i] = v.toDouble();
    }
    if (!ok) {
        error = QStringLiteral("\"totaliser\" is not a totaliser state");
        return false;
    }
    m_selection = static_cast<uint8_t>(selection.toInt());
    m_running = running.toBool();
    m_elapsedMs = static_cast<int64_t>(elapsed.toDouble());
    m_days = parts[0];
    m_hours = parts[1];
    m_hour = parts[2];
    m_lastMs.reset();   // the time the device was off is not integrated
    return true;
}

} // namespace sim
