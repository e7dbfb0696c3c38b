#pragma once
// The flow totaliser of the flow computer (device type 139): it integrates the
// volume flow while it runs and keeps the total in three parts, the completed
// days, the completed hours of the running day and the running hour, so that
// the delete actions can drop each part with the integration time it covers.
// The total is kept as a volume (m3); a mass total is that volume times the
// operating density, shown in the unit the device reports.
#include <QJsonObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace sim {

class Totaliser {
public:
    // The flow integrated ("pidModeBlkPermitted").
    enum Selection : uint8_t { None = 0, Volume = 1, Mass = 2 };
    // The actions ("pidModeBlkNormal"): the value written is the action.
    enum Action : uint8_t { Stop = 0, Start = 1, DeleteLastHour = 2, DeleteAllHours = 3, DeleteAllDays = 4, DeleteAll = 5 };

    static constexpr int64_t kHourMs = 3600 * 1000;
    static constexpr int64_t kDayMs = 24 * kHourMs;
    // What the memory keeps, and so what a running totaliser holds to: the
    // integration time stops the totaliser when it reaches its limit (some
    // 31,000 years), and each part of the total saturates at its limit (m3;
    // in every unit shown still a finite float).
    static constexpr int64_t kMaxElapsedMs = 999'999'999'999'999;
    static constexpr double kMaxPart = 1e30;

    uint8_t selection() const { return m_selection; }
    bool running() const { return m_running; }
    // A new selection stops the integration and deletes the totals: a total
    // of one flow must not go on with another.
    void select(uint8_t selection);
    // The HART response code of an action; a refused action changes nothing.
    uint8_t act(int action);

    // Integrates the volume flow (m3/h at a process time) from the time of the
    // last call to now; the first call after a start or restart only takes the time.
    void advance(int64_t nowMs, const std::function<double(int64_t)>& volumeFlowAt);

    double totalVolume() const { return m_days + m_hours + m_hour; }   // m3
    int64_t elapsedMs() const { return m_elapsedMs; }
    // The integration time as days (at most 255), hours, minutes and seconds.
    std::array<uint8_t, 4> elapsed() const;

    QJsonObject save() const;
    // Refuses (and leaves the totaliser as it was) a memory that does not fit.
    bool restore(const QJsonObject& kept, QString& error);

private:
    void clear();

    uint8_t m_selection = None;
    bool m_running = false;
    int64_t m_elapsedMs = 0;
    double m_days = 0;      // m3 of the completed days
    double m_hours = 0;     // m3 of the completed hours of the running day
    double m_hour = 0;      // m3 of the running hour
    std::optional<int64_t> m_lastMs;
};

} // namespace sim
