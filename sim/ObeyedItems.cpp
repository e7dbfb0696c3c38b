#include "sim/ObeyedItems.h"

#include "platform/applet/ValueEncoding.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include <QDate>
#include <cmath>

namespace sim {

namespace {

namespace RC = comm::ResponseCode;

constexpr uint8_t kFlowComputerType = 0x8B;   // device type 139

const QString kWriteLock = QStringLiteral("pbWriteLock");
const QString kTotaliserAction = QStringLiteral("pidModeBlkNormal");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
constexpr int kMessageBytes = 24;        // the packed message of commands 12 and 17
// The damping of the differential pressure output, as command 34 takes it.
uint8_t takeDamping(DeviceState& d, double v)
{
    return setDamping(d.variables[Variable::DifferentialPressure], v);
}

struct ObeyedItem {
    const char* name;
    uint8_t (*take)(DeviceState& device, double value);
    bool kept;   // taken again from the memory at start
};

constexpr ObeyedItem kObeyed[] = {
    {"pbWriteLock", [](DeviceState& d, double v) { d.writeLock = v != 0; return RC::Success; }, true},
    {"alarmSelectCodeCurr", [](DeviceState& d, double v) { d.alarmSelection = static_cast<uint8_t>(v); return RC::Success; }, true},
    {"lowAlarmCurr", [](DeviceState& d, double v) { d.lowAlarmCurrent = static_cast<float>(v); return RC::Success; }, true},
    {"highAlarmCurr", [](DeviceState& d, double v) { d.highAlarmCurrent = static_cast<float>(v); return RC::Success; }, true},
    {"minOutputCurr", [](DeviceState& d, double v) { d.minOutputCurrent = static_cast<float>(v); return RC::Success; }, true},
    {"maxOutputCurr", [](DeviceState& d, double v) { d.maxOutputCurrent = static_cast<float>(v); return RC::Success; }, true},
    // Without the flow function the flow block has nothing to compute: it
    // stays out of service whatever mode is written.
    {"mvModeBlkTarget", [](DeviceState& d, double v) {
         d.multivariableBlockMode = d.multivariableFunction ? static_cast<uint8_t>(v) : BlockMode::OutOfService;
         return RC::Success;
     }, false},
    {"pidModeBlkPermitted", [](DeviceState& d, double v) { d.totaliser.select(static_cast<uint8_t>(v)); return RC::Success; }, false},
    {"pidModeBlkNormal", [](DeviceState& d, double v) {
         return totaliserAvailable(d) ? d.totaliser.act(static_cast<int>(v)) : RC::CommandNotImplemented;
     }, false},
    // Also written by command 34: the device takes each write as it comes.
    {"aiDPPvFtime", takeDamping, false},
};

// Texts the device keeps once although two commands carry them: the message
// (command 12 and the physical block) and the installation date (command 13
// and the physical block, there as text yyyy-MM-dd).
struct ObeyedText {
    const char* name;
    QString (*show)(const DeviceState& device);
    uint8_t (*take)(DeviceState& device, const QString& text);
};

const ObeyedText kObeyedTexts[] = {
    {"pbDeviceMessage", [](const DeviceState& d) { return d.message; },
     [](DeviceState& d, const QString& text) -> uint8_t {
         // The message must fit the packed form command 12 answers with.
         QByteArray packed;
         if (!comm::PackedAscii::pack(text, kMessageBytes, packed))
             return RC::InvalidSelection;
         d.message = text.trimmed();
         return RC::Success;
     }},
    {"pbDeviceInstalDate", [](const DeviceState& d) { return d.date.toQDate().toString(kDateFormat); },
     [](DeviceState& d, const QString& text) -> uint8_t {
         // A data set that never held a date writes an empty text: the
         // device keeps its own.
         if (text.trimmed().isEmpty())
             return RC::Success;
         comm::HartDate date;
         if (!comm::HartDate::fromQDate(QDate::fromString(text.trimmed(), kDateFormat), date))
             return RC::InvalidSelection;
         d.date = date;
         return RC::Success;
     }},
};

// The totals a unit of flow counts in: the part of the unit's text before
// "/" and how many of them one cubic metre (volume) or kilogram (mass) is.
struct TotalUnit {
    const char* text;
    bool mass;
    double perBase;
};
constexpr TotalUnit kTotalUnits[] = {
    {"m3", false, 1.0},           {"Nm3", false, 1.0},          {"l", false, 1000.0},
    {"Nl", false, 1000.0},        {"Ml", false, 1e-3},          {"ft3", false, 35.3146667},
    {"SCFM", false, 35.3146667},  {"gal", false, 264.172052},   {"Mgal", false, 264.172052e-6},
    {"ImpGal", false, 219.969248}, {"bbl", false, 6.28981077},  {"g", true, 1000.0},
    {"kg", true, 1.0},            {"t", true, 1e-3},            {"lb", true, 2.20462262},
    {"STon", true, 1.10231131e-3}, {"LTon", true, 9.84206528e-4},
};

// The text of an enumerated item's value, empty when it has none.
QString enumText(const DeviceParameters& parameters, const QString& item)
{
    const applet::Description& d = parameters.description();
    const applet::DescObject* object = d.FindObject(item);
    const applet::DescEnumeration* e = object ? d.FindEnumeration(object->enumeration) : nullptr;
    if (!e)
        return {};
    const double value = parameters.value(item).toDouble();
    for (const applet::DescEnumEntry& entry : e->entries)
        if (entry.value == value)
            return entry.text;
    return {};
}

// The running total in the unit of the chosen flow: a volume as it is, a
// mass as the volume at the operating density (kg/m3).
double totalInUnit(const DeviceState& device, const DeviceParameters& parameters)
{
    const Totaliser& t = device.totaliser;
    const bool mass = t.selection() == Totaliser::Mass;
    const QString text = enumText(parameters, mass ? QStringLiteral("mvOutMassFlowUnit") : QStringLiteral("mvOutVolFlowUnit"))
                             .section(QLatin1Char('/'), 0, 0);
    const double density = parameters.value(QStringLiteral("mvRho")).toDouble();
    const double kilograms = t.totalVolume() * density;
    for (const TotalUnit& u : kTotalUnits)
        if (text == QLatin1String(u.text))
            return (u.mass ? kilograms : t.totalVolume()) * u.perBase;
    return mass ? kilograms : t.totalVolume();
}

} // namespace

bool totaliserAvailable(const DeviceState& device)
{
    return (device.expandedDeviceType & 0xFF) == kFlowComputerType;
}

bool computesFlow(const DeviceState& device)
{
    return device.multivariableFunction && device.multivariableBlockMode == BlockMode::Automatic;
}

uint8_t takeObeyedItems(const DescribedCommand* command, DeviceState& device, const DeviceParameters& parameters)
{
    for (const ObeyedItem& item : kObeyed) {
        const QString name = QLatin1String(item.name);
        bool carried = false;
        if (command) {
            for (const applet::FieldLayout& f : command->request)
                carried = carried || f.item.compare(name, Qt::CaseInsensitive) == 0;
        } else {
            carried = item.kept;
        }
        if (!carried)
            continue;
        const QVariant value = parameters.value(name);
        if (!value.isValid())
            continue;
        if (const uint8_t code = item.take(device, value.toDouble()))
            return code;
    }
    if (!command)
        return RC::Success;
    for (const ObeyedText& item : kObeyedTexts) {
        const QString name = QLatin1String(item.name);
        for (const applet::FieldLayout& f : command->request) {
            if (f.item.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (const uint8_t code = item.take(device, parameters.value(name).toString()))
                return code;
            break;
        }
    }
    return RC::Success;
}

bool setToNearest(const DescribedCommand& command, const DeviceState& device, const DeviceParameters& parameters)
{
    const QString damping = QStringLiteral("aiDPPvFtime");
    for (const applet::FieldLayout& f : command.request)
        if (f.item.compare(damping, Qt::CaseInsensitive) == 0)
            return parameters.value(damping).toFloat() != device.variables[Variable::DifferentialPressure].damping;
    return false;
}

bool unlocksWriteLock(const DescribedCommand& command, const DeviceParameters& parameters, const QByteArray& request)
{
    const applet::DescObject* object = parameters.description().FindObject(kWriteLock);
    if (!object)
        return false;
    for (const applet::FieldLayout& f : command.request) {
        if (f.item.compare(kWriteLock, Qt::CaseInsensitive) != 0)
            continue;
        QVariant value;
        return applet::ValueEncoding::Decode(f, object->type, object->size, request, value) && value.toDouble() == 0;
    }
    return false;
}

void publishObeyedItems(const DeviceState& device, DeviceParameters& parameters)
{
    parameters.set(QStringLiteral("mvModeBlkTarget"), device.multivariableBlockMode);
    for (const ObeyedText& item : kObeyedTexts)
        parameters.set(QLatin1String(item.name), item.show(device));
    // The revision byte of command 0: the hardware revision in the upper five
    // bits, the physical signalling in the lower three.
    parameters.set(QStringLiteral("pbHardwareRev"),
                   static_cast<uint>(device.hardwareRevision << 3 | (device.physicalSignaling & 0x07)));
    parameters.set(QStringLiteral("aiDPPvFtime"), device.variables[Variable::DifferentialPressure].damping);
    const Totaliser& t = device.totaliser;
    parameters.set(QStringLiteral("pidModeBlkPermitted"), t.selection());
    parameters.set(kTotaliserAction, t.running() ? Totaliser::Start : Totaliser::Stop);
    parameters.set(QStringLiteral("pidLoLim"), static_cast<float>(totalInUnit(device, parameters)));
    const std::array<uint8_t, 4> elapsed = t.elapsed();
    parameters.set(QStringLiteral("pidInValue"), QByteArray(reinterpret_cast<const char*>(elapsed.data()), 4));
}

} // namespace sim
