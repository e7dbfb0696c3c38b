// Universal commands: every HART device answers them the same way.
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include "sim/CommandTable.h"
#include "sim/SimUnits.h"
#include <algorithm>

namespace sim {

namespace {

using comm::HartDataReader;
namespace RC = comm::ResponseCode;

constexpr uint8_t kExpansionCode = 254;
constexpr int kTagBytes = 6;
constexpr int kDescriptorBytes = 12;
constexpr int kMessageBytes = 24;
constexpr int kLongTagBytes = 32;
constexpr int kMaxSlots = 8;
constexpr uint8_t kModeInvalid = 12;               // command 6: invalid loop current mode
constexpr uint8_t kCounterMismatch = 9;            // command 38
constexpr uint8_t kUpdateFailure = 8;              // command 9: a slot could not be read
constexpr int64_t kHartTimeTicksPerDay = 86400000LL * 32;
constexpr uint8_t kWriteProtectNo = 0;
constexpr uint8_t kWriteProtectYes = 1;
constexpr uint8_t kNotUsed = 250;
constexpr uint8_t kAnalogChannelIsOutput = 0x00;

QString unpackTrimmed(QByteArrayView bytes)
{
    QString text = comm::PackedAscii::unpack(bytes);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QByteArray latin1Field(const QString& text, int size)
{
    QByteArray bytes = text.toLatin1().left(size);
    bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

QString fromLatin1Field(QByteArrayView bytes)
{
    QByteArray raw = bytes.toByteArray();
    while (!raw.isEmpty() && (raw.endsWith('\0') || raw.endsWith(' ')))
        raw.chop(1);
    return QString::fromLatin1(raw);
}

constexpr CommandEntry kUniversal[] = {
    // 0 Read Unique Identifier
    //   request : none
    //   response: identity block (see writeIdentity), 22 bytes
    {0, "Read Unique Identifier", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        writeIdentity(c);
        return RC::Success;
    }},

    // 1 Read Primary Variable
    //   request : none
    //   response: 0 PV units | 1-4 PV
    {1, "Read Primary Variable", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.u8(c.device.pv().units).f32(c.device.pvValue(c.values));
        return RC::Success;
    }},

    // 2 Read Loop Current And Percent Of Range
    //   request : none
    //   response: 0-3 loop current (mA) | 4-7 percent of range
    {2, "Read Loop Current And Percent Of Range", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.f32(c.device.loopCurrent(c.values)).f32(c.device.percentOfRange(c.values));
        return RC::Success;
    }},

    // 3 Read Dynamic Variables And Loop Current
    //   request : none
    //   response: 0-3 loop current | 4 PV units | 5-8 PV | 9 SV units | 10-13 SV
    //             | 14 TV units | 15-18 TV | 19 QV units | 20-23 QV
    {3, "Read Dynamic Variables And Loop Current", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.f32(c.device.loopCurrent(c.values));
        for (uint8_t slot = 0; slot < 4; ++slot) {
            const auto r = c.device.read(static_cast<uint8_t>(SpecialVariable::Primary + slot), c.values);
            c.response.u8(r->units).f32(r->value);
        }
        return RC::Success;
    }},

    // 6 Write Polling Address
    //   request : 0 polling address (0-63) | 1 loop current mode (0 disabled, 1 enabled; optional)
    //   response: 0 polling address | 1 loop current mode
    //   A request without the mode byte enables the loop current at address 0 only.
    {6, "Write Polling Address", 1, Access::Write, [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        const uint8_t address = r.u8();
        if (address > comm::kMaxPollingAddress)
            return RC::InvalidSelection;
        bool enabled = address == 0;
        if (r.remaining() >= 1) {
            const uint8_t mode = r.u8();
            if (mode > 1)
                return kModeInvalid;
            enabled = mode == 1;
        }
        c.device.pollingAddress = address;
        c.device.loopCurrentEnabled = enabled;
        if (!enabled)
            c.device.fixedCurrent.reset();
        c.device.markConfigurationChanged();
        c.response.u8(address).u8(enabled ? 1 : 0);
        return RC::Success;
    }},

    // 7 Read Loop Configuration
    //   request : none
    //   response: 0 polling address | 1 loop current mode
    {7, "Read Loop Configuration", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.u8(c.device.pollingAddress).u8(c.device.loopCurrentEnabled ? 1 : 0);
        return RC::Success;
    }},

    // 8 Read Dynamic Variable Classifications
    //   request : none
    //   response: 0 PV | 1 SV | 2 TV | 3 QV classification
    {8, "Read Dynamic Variable Classifications", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        for (uint8_t slot = 0; slot < 4; ++slot)
            c.response.u8(c.device.variable(static_cast<uint8_t>(SpecialVariable::Primary + slot))->classification);
        return RC::Success;
    }},

    // 9 Read Device Variables With Status
    //   request : 0..7 device variable codes, one to eight
    //   response: 0 extended device status | per slot: code, classification,
    //             units, value (4), status | then the slot-0 time stamp (4, 1/32 ms)
    //   A code the device does not have fills its slot with NaN, units "not used"
    //   and status bad/constant, and the answer warns "update failure".
    {9, "Read Device Variables With Status", 1, Access::Read, [](CommandContext& c) -> uint8_t {
        uint8_t code = RC::Success;
        c.response.u8(c.device.extendedDeviceStatus(c.values));
        const qsizetype slotCount = std::min<qsizetype>(c.request.size(), kMaxSlots);
        for (qsizetype i = 0; i < slotCount; ++i) {
            const uint8_t variable = static_cast<uint8_t>(c.request[i]);
            if (const auto r = c.device.read(variable, c.values)) {
                c.response.u8(r->code).u8(r->classification).u8(r->units).f32(r->value).u8(r->status);
            } else {
                c.response.u8(variable).u8(Classification::NotClassified).u8(UnitCode::NotUsed)
                    .f32(comm::hartNaN()).u8(VariableStatus::Bad | VariableStatus::Constant);
                code = kUpdateFailure;
            }
        }
        c.response.u32(static_cast<uint32_t>((c.processTimeMs * 32) % kHartTimeTicksPerDay));
        return code;
    }},

    // 11 Read Unique Identifier Associated With Tag
    //   request : 0-5 tag (packed ASCII)
    //   response: the identity block of command 0; no answer when the tag differs
    {11, "Read Unique Identifier Associated With Tag", kTagBytes, Access::Read, [](CommandContext& c) -> uint8_t {
        if (unpackTrimmed(c.request.first(kTagBytes)) != c.device.tag.toUpper()) {
            c.silent = true;
            return RC::Success;
        }
        writeIdentity(c);
        return RC::Success;
    }},

    // 12 Read Message
    //   request : none
    //   response: 0-23 message (packed ASCII, 32 characters)
    {12, "Read Message", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        writePacked(c, c.device.message, kMessageBytes);
        return RC::Success;
    }},

    // 13 Read Tag, Descriptor, Date
    //   request : none
    //   response: 0-5 tag (packed) | 6-17 descriptor (packed) | 18 day | 19 month | 20 year - 1900
    {13, "Read Tag, Descriptor, Date", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        writePacked(c, c.device.tag, kTagBytes);
        writePacked(c, c.device.descriptor, kDescriptorBytes);
        c.response.date(c.device.date);
        return RC::Success;
    }},

    // 14 Read Primary Variable Transducer Information
    //   request : none
    //   response: 0-2 transducer serial number | 3 units of limits and span
    //             | 4-7 upper transducer limit | 8-11 lower transducer limit | 12-15 minimum span
    {14, "Read Primary Variable Transducer Information", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        const DeviceVariable& pv = c.device.pv();
        c.response.u24(pv.transducerSerial).u8(pv.units)
            .f32(static_cast<float>(fromBase(pv.upperLimit, pv.units)))
            .f32(static_cast<float>(fromBase(pv.lowerLimit, pv.units)))
            .f32(static_cast<float>(fromBase(pv.minimumSpan, pv.units) - fromBase(0, pv.units)));
        return RC::Success;
    }},

    // 15 Read Device Information
    //   request : none
    //   response: 0 alarm selection | 1 transfer function | 2 range units
    //             | 3-6 upper range value | 7-10 lower range value | 11-14 damping (s)
    //             | 15 write protect | 16 250 | 17 analog channel flags
    {15, "Read Device Information", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        const DeviceVariable& pv = c.device.pv();
        c.response.u8(c.device.alarmSelection).u8(c.device.transferFunction).u8(pv.units)
            .f32(static_cast<float>(fromBase(c.device.pvUpperRange, pv.units)))
            .f32(static_cast<float>(fromBase(c.device.pvLowerRange, pv.units)))
            .f32(pv.damping)
            .u8(c.device.writeLocked() ? kWriteProtectYes : kWriteProtectNo)
            .u8(kNotUsed)
            .u8(kAnalogChannelIsOutput);
        return RC::Success;
    }},

    // 16 Read Final Assembly Number
    //   request : none
    //   response: 0-2 final assembly number
    {16, "Read Final Assembly Number", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.u24(c.device.finalAssemblyNumber);
        return RC::Success;
    }},

    // 17 Write Message
    //   request : 0-23 message (packed ASCII)
    //   response: as the request
    {17, "Write Message", kMessageBytes, Access::Write, [](CommandContext& c) -> uint8_t {
        const QByteArrayView packed = c.request.first(kMessageBytes);
        c.device.message = unpackTrimmed(packed);
        c.device.markConfigurationChanged();
        c.response.bytes(packed);
        return RC::Success;
    }},

    // 18 Write Tag, Descriptor, Date
    //   request : 0-5 tag (packed) | 6-17 descriptor (packed) | 18-20 date
    //   response: as the request
    {18, "Write Tag, Descriptor, Date", kTagBytes + kDescriptorBytes + 3, Access::Write,
     [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        const QByteArray tag = r.bytes(kTagBytes);
        const QByteArray descriptor = r.bytes(kDescriptorBytes);
        const comm::HartDate date = r.date();
        c.device.tag = unpackTrimmed(tag);
        c.device.descriptor = unpackTrimmed(descriptor);
        c.device.date = date;
        c.device.markConfigurationChanged();
        c.response.bytes(tag).bytes(descriptor).date(date);
        return RC::Success;
    }},

    // 19 Write Final Assembly Number
    //   request : 0-2 final assembly number
    //   response: as the request
    {19, "Write Final Assembly Number", 3, Access::Write, [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        c.device.finalAssemblyNumber = r.u24();
        c.device.markConfigurationChanged();
        c.response.u24(c.device.finalAssemblyNumber);
        return RC::Success;
    }},

    // 20 Read Long Tag
    //   request : none
    //   response: 0-31 long tag (ISO Latin-1, padded with NUL)
    {20, "Read Long Tag", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.bytes(latin1Field(c.device.longTag, kLongTagBytes));
        return RC::Success;
    }},

    // 22 Write Long Tag
    //   request : 0-31 long tag (ISO Latin-1)
    //   response: as the request
    {22, "Write Long Tag", kLongTagBytes, Access::Write, [](CommandContext& c) -> uint8_t {
        const QByteArrayView field = c.request.first(kLongTagBytes);
        c.device.longTag = fromLatin1Field(field);
        c.device.markConfigurationChanged();
        c.response.bytes(field);
        return RC::Success;
    }},

    // 38 Reset Configuration Changed Flag
    //   request : 0-1 configuration change counter (optional; older masters send none)
    //   response: 0-1 configuration change counter
    //   Resets the flag of the asking master only; a counter that does not
    //   match the device's means the master missed a change: refused.
    {38, "Reset Configuration Changed Flag", 0, Access::Action, [](CommandContext& c) -> uint8_t {
        if (c.request.size() >= 2) {
            HartDataReader r(c.request);
            if (r.u16() != c.device.configChangeCounter)
                return kCounterMismatch;
        }
        c.device.configChanged[c.master] = false;
        c.response.u16(c.device.configChangeCounter);
        return RC::Success;
    }},

    // 48 Read Additional Device Status
    //   request : none (bytes sent are ignored)
    //   response: 0-5 device-specific status (the extended diagnosis,
    //             DeviceSpecificStatus) | 6 extended device status
    //             | 7 operating mode | 8-9 standardized status 0, 1
    //             | 10 analog channel saturated | 11-12 standardized status 2, 3
    //             | 13 analog channel fixed | 14-17 device diagnosis (Diagnosis)
    //   Clears "more status available" for the asking master.
    {48, "Read Additional Device Status", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        const QByteArray status = c.device.additionalStatus(c.values);
        c.device.lastStatusRead[c.master] = status;
        c.response.bytes(status);
        return RC::Success;
    }},
};

} // namespace

void writePacked(CommandContext& c, const QString& text, int bytes)
{
    QByteArray packed;
    // Texts in the device were unpacked from packed ASCII or set by the
    // simulator's own options, which check them; a text that does not pack is
    // sent as blanks rather than cut.
    if (!comm::PackedAscii::pack(text, bytes, packed))
        comm::PackedAscii::pack(QString(), bytes, packed);
    c.response.bytes(packed);
}

void writeIdentity(CommandContext& c)
{
    const DeviceState& d = c.device;
    c.response.u8(kExpansionCode)
        .u16(d.expandedDeviceType)
        .u8(d.requestPreambles)
        .u8(d.universalRevision)
        .u8(d.deviceRevision)
        .u8(d.softwareRevision)
        .u8(static_cast<uint8_t>(d.hardwareRevision << 3 | (d.physicalSignaling & 0x07)))
        .u8(d.flags)
        .u24(d.deviceId)
        .u8(d.responsePreambles)
        .u8(Variable::Count - 1)
        .u16(d.configChangeCounter)
        .u8(d.extendedDeviceStatus(c.values))
        .u16(d.manufacturerId)
        .u16(d.privateLabelDistributor)
        .u8(d.deviceProfile);
}

std::span<const CommandEntry> universalCommands()
{
    return kUniversal;
}

} // namespace sim
