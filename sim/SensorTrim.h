#pragma once
// The sensor trim of the transmitter: per measured variable a lower and an
// upper calibration point, each the value applied to the sensor when it was
// taken and the reference value the user entered for it. One point shifts
// every reading by the offset between them; two points give the line through
// both (gain and offset). Values are in base units (kPa, degrees Celsius).
#include <QJsonObject>
#include <QString>
#include <array>
#include <cstdint>

namespace sim {

// The variables the device measures: its first three device variables and
// the temperature of the pressure sensor itself.
namespace Measured {
constexpr int DifferentialPressure = 0;
constexpr int StaticPressure = 1;
constexpr int ProcessTemperature = 2;
constexpr int SensorTemperature = 3;
constexpr int Count = 4;
} // namespace Measured

using MeasuredValues = std::array<double, Measured::Count>;

// Response codes of a calibration that is refused.
namespace TrimCode {
constexpr uint8_t TooHigh = 9;            // applied value or reference above the upper sensor limit
constexpr uint8_t TooLow = 10;            // below the lower sensor limit
constexpr uint8_t ExcessCorrection = 11;  // the points would turn or flatten the characteristic
constexpr uint8_t SpanTooSmall = 29;      // the two points lie closer than the minimum span
} // namespace TrimCode

enum class TrimPoint { Lower, Upper };

struct TrimLimits {
    double lower = 0;
    double upper = 0;
    double minimumSpan = 0;
};

class SensorTrim {
public:
    // The reading of a measured variable from the value applied to its sensor.
    double corrected(int measured, double applied) const;
    // Takes a point: applied is the value the sensor sees now, reference the
    // value it is to read. The device's response code; nothing changes on a refusal.
    uint8_t take(int measured, TrimPoint point, double applied, double reference, const TrimLimits& limits);
    // The reference of a point taken, or NaN when none was taken.
    double reference(int measured, TrimPoint point) const;

    QJsonObject save() const;
    // Refuses (false, error set, nothing changed) a text that is no trim of this device.
    bool restore(const QJsonObject& kept, QString& error);

private:
    struct Point {
        bool taken = false;
        double applied = 0;
        double reference = 0;
    };
    struct Line {
        Point lower;
        Point upper;
        double gain = 1;
        double offset = 0;
    };
    static uint8_t check(const Line& line, TrimPoint point, double applied, double reference, const TrimLimits& limits);
    static void fit(Line& line);

    std::array<Line, Measured::Count> m_lines{};
};

} // namespace sim
