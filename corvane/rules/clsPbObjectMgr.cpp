#include "corvane/rules/clsPbObjectMgr.h"
#include "corvane/rules/TwinItems.h"
#include "mvtrivexhelper/clsDebugInfo.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include <array>
#include <limits>

namespace {

const QString kSource = QStringLiteral("clsPbObjectMgr");
const QString kCurrentSequence = QStringLiteral("currentSequence");
const QString kProjectTag = QStringLiteral("&&private_PM&&TagName");
const QString kProjectDescriptor = QStringLiteral("&&private_PM&&Descriptor");
const QString kProjectAddress = QStringLiteral("&&private_PM&&Address");
const QString kDeviceTag = QStringLiteral("appTagName"); // key of "_tagHart" or "pbTagDesc"
const QString kDeviceDescriptor = QStringLiteral("pbDescriptor");
const QString kDeviceAddress = QStringLiteral("pbBusAddressProfi");
const QString kWriteLockLimit = QStringLiteral("&&ObjectLimit&&pbWriteLock");
const QString kMeterOptionLimit = QStringLiteral("&&ObjectLimit&&pbMeterOption");
const QString kMeterOption = QStringLiteral("pbMeterOption");
const QString kDeviceType = QStringLiteral("_mfrDeviceTypeHART");
const QString kGetDeviceInfo = QStringLiteral("GetDeviceInfo");

using Changed2 = void (clsPbObjectMgr::*)(const QString&, bool);
using Changed = void (clsPbObjectMgr::*)(const QString&);

// The bound items in binding order; the device tag's name depends on the bus.
struct Binding {
    const char* name; // null: the device tag of the bus kind
    Changed2 onChange2;
    Changed onChange;
};
const std::array<Binding, 15> kBindings = {{
    {"currentSequence", nullptr, nullptr},
    {"&&private_PM&&TagName", &clsPbObjectMgr::appGenericTagName_ValueChanged2, nullptr},
    {"&&private_PM&&Descriptor", &clsPbObjectMgr::appGenericDescriptor_ValueChanged2, nullptr},
    {nullptr, &clsPbObjectMgr::appTagName_ValueChanged2, nullptr},
    {"pbDescriptor", &clsPbObjectMgr::appPbDescriptor_ValueChanged2, nullptr},
    {"&&private_PM&&Address", &clsPbObjectMgr::appGenericAddress_ValueChanged2, nullptr},
    {"pbBusAddressProfi", &clsPbObjectMgr::appPbBusAddressProfi_ValueChanged2, nullptr},
    {"&&ObjectLimit&&pbWriteLock", nullptr, nullptr},
    {"&&ObjectLimit&&pbMeterOption", nullptr, nullptr},
    {"pbMeterOption", nullptr, &clsPbObjectMgr::appPbMeterOption_ValueChanged},
    {"_mfrDeviceTypeHART", nullptr, nullptr},
    {"pbMessage", &clsPbObjectMgr::appPbMessage_ValueChanged2, nullptr},
    {"pbDeviceMessage", &clsPbObjectMgr::appPbDeviceMessage_ValueChanged2, nullptr},
    {"pbDate", &clsPbObjectMgr::appPbDate_ValueChanged2, nullptr},
    {"pbDeviceInstalDate", &clsPbObjectMgr::appPbDeviceInstalDate_ValueChanged2, nullptr},
}};

// Write-lock entries the pages may offer, without and with the debug switch.
const QString kWriteLockMask = QStringLiteral("1 1 0 0");
const QString kWriteLockMaskDebug = QStringLiteral("1 1 1 1");

bool IsFieldbus(enmCommType bus)
{
    return bus == enmCommType::PROFIBUS || bus == enmCommType::ff;
}

// Meter options from resetFrom to resetTo are reset; an empty range resets nothing.
constexpr int32_t kAny = std::numeric_limits<int32_t>::max();
struct MaskPiece {
    const char* mask;
    int32_t resetFrom;
    int32_t resetTo;
};

// Fieldbus: the whole mask by block mode; other block modes write nothing.
struct FieldbusMaskRow {
    int32_t blockMode;
    MaskPiece piece;
};
constexpr std::array<FieldbusMaskRow, 2> kFieldbusMasks = {{
    {8, {"1 1 1 1", 1, 0}},
    {128, {"1 1 0 0", 4, kAny}},
}};

// HART: three pieces. The device type 139 (the variant with the PID
// controller) offers the PID option and not the level option.
constexpr int32_t kPidDeviceType = 139;
constexpr MaskPiece kHartTypeHead[2] = {{"1 1 1 ", 1, 0}, {"1 1 0 ", 3, 3}};   // other, 139
constexpr MaskPiece kHartTypeTail[2] = {{"0", 6, kAny}, {"1", 7, kAny}};       // other, 139
struct HartModeRow {
    int32_t blockMode;
    MaskPiece piece;
};
constexpr std::array<HartModeRow, 2> kHartModes = {{
    {8, {"1 1 ", 1, 0}},
    {128, {"0 0 ", 4, 5}},
}};
constexpr MaskPiece kHartOtherMode = {"0 0 ", 1, 0};

// Tag and descriptor: how many characters of the project's text the device
// holds, on HART (packed ASCII, so in upper case) and on the fieldbuses.
struct TextLimit {
    int hartLength;
    int fieldbusLength;
};
constexpr TextLimit kTagLimit = {8, 32};
constexpr TextLimit kDescriptorLimit = {16, 32};

QString Source(const char* handler)
{
    return kSource + QLatin1Char('.') + QLatin1String(handler);
}

} // namespace

clsPbObjectMgr::clsPbObjectMgr() = default;

clsPbObjectMgr::~clsPbObjectMgr()
{
    for (const auto& item : m_items)
        disconnect(item.get(), nullptr, this, nullptr);
    for (const auto& sequence : m_sequences)
        disconnect(sequence.get(), nullptr, this, nullptr);
    if (m_deviceInfo)
        disconnect(m_deviceInfo.get(), nullptr, this, nullptr);
}

void clsPbObjectMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_guard.IsRegistered())
        return;
    const auto manager = myView ? myView->appletItemManagerRef() : nullptr;
    if (m_deviceInfo)
        disconnect(m_deviceInfo.get(), nullptr, this, nullptr);
    m_deviceInfo = std::make_shared<clsDeviceInfo>();
    m_deviceInfo->Register(manager);
    connect(m_deviceInfo.get(), &clsDeviceInfo::MvActualBlockModeChanged, this,
            &clsPbObjectMgr::m_DeviceInfoEvent_MvActualBlockModeChanged);
    connect(m_deviceInfo.get(), &clsDeviceInfo::MvFunctionChanged, this,
            &clsPbObjectMgr::m_DeviceInfoEvent_MvFunctionChanged);

    const QString deviceTag = m_deviceInfo->CommType() == enmCommType::HART ? QStringLiteral("_tagHart")
                                                                           : QStringLiteral("pbTagDesc");
    // A new registration binds the device tag of the bus kind it finds now.
    if (m_items.Count() > 0 && m_items.Item(kDeviceTag)->Name() != deviceTag) {
        disconnect(m_items.Item(kDeviceTag).get(), nullptr, this, nullptr);
        m_items.Remove(kDeviceTag);
    }
    for (const Binding& binding : kBindings) {
        const QString name = binding.name ? QLatin1String(binding.name) : deviceTag;
        const auto item = m_items.Add(name, false, 0, nullptr, QString(), binding.name ? QString() : kDeviceTag);
        if (binding.onChange2)
            connect(item.get(), &clsAppItem::ValueChanged2, this, binding.onChange2, Qt::UniqueConnection);
        if (binding.onChange)
            connect(item.get(), &clsAppItem::ValueChanged, this, binding.onChange, Qt::UniqueConnection);
    }
    const auto getDeviceInfo = m_sequences.Add(kGetDeviceInfo, false, 0, REGISTER_STATE);
    connect(getDeviceInfo.get(), &clsSequenceItem::StatusChanged, this,
            &clsPbObjectMgr::seqGetDeviceInfo_StatusChanged, Qt::UniqueConnection);
    m_items.Register(manager);
    m_sequences.Register(manager);

    // Rule 6: the write lock's last two entries only with the debug switch on.
    Write(kWriteLockLimit, clsDebugInfo().InDebugMode().toBool() ? kWriteLockMaskDebug : kWriteLockMask);
    BuildMeterOptionLimits();
    m_guard.SetRegistered(true);
}

void clsPbObjectMgr::UnRegister()
{
    if (!m_guard.IsRegistered())
        return;
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_guard.SetRegistered(false);
}

void clsPbObjectMgr::HandleUploadCompleted()
{
    if (!m_deviceInfo)
        return; // never registered
    const enmCommType bus = m_deviceInfo->CommType();
    if (bus == enmCommType::HART) {
        appGenericTagName_ValueChanged2(QString(), false);
        appGenericDescriptor_ValueChanged2(QString(), false);
    } else if (IsFieldbus(bus)) {
        appTagName_ValueChanged2(QString(), false);
        appPbDescriptor_ValueChanged2(QString(), false);
    }
}

// --- Rules 1 to 4: tag and descriptor -----------------------------------------

void clsPbObjectMgr::CopyProjectToDevice(const QString& project, const QString& device, int hartLength,
                                         int fieldbusLength, const QString& source)
{
    const auto scope = m_guard.Enter(clsRuleGuard::NotInRule);
    if (!scope)
        return;
    ItemViewBinding::RunStep(source, [&] {
        const enmCommType bus = m_deviceInfo->CommType();
        const QString text = m_items.Item(project)->StringValue();
        if (bus == enmCommType::HART)
            Write(device, text.left(hartLength).toUpper());
        else if (IsFieldbus(bus))
            Write(device, text.left(fieldbusLength));
    });
}

void clsPbObjectMgr::CopyDeviceToProject(const QString& device, const QString& project, bool suppressRule,
                                         const QString& source)
{
    ItemViewBinding::RunStep(source, [&] {
        const auto scope = m_guard.Enter(clsRuleGuard::UserEdit | clsRuleGuard::NotInRule, suppressRule,
                                         m_items.Item(kCurrentSequence).get());
        if (scope)
            Write(project, m_items.Item(device)->StringValue().trimmed());
    });
}

void clsPbObjectMgr::appGenericTagName_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    CopyProjectToDevice(kProjectTag, kDeviceTag, kTagLimit.hartLength, kTagLimit.fieldbusLength,
                        Source("appGenericTagName_ValueChanged2"));
}

void clsPbObjectMgr::appGenericDescriptor_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    CopyProjectToDevice(kProjectDescriptor, kDeviceDescriptor, kDescriptorLimit.hartLength,
                        kDescriptorLimit.fieldbusLength, Source("appGenericDescriptor_ValueChanged2"));
}

void clsPbObjectMgr::appTagName_ValueChanged2(const QString& /*Value*/, bool suppressRule)
{
    CopyDeviceToProject(kDeviceTag, kProjectTag, suppressRule, Source("appTagName_ValueChanged2"));
}

void clsPbObjectMgr::appPbDescriptor_ValueChanged2(const QString& /*Value*/, bool suppressRule)
{
    CopyDeviceToProject(kDeviceDescriptor, kProjectDescriptor, suppressRule, Source("appPbDescriptor_ValueChanged2"));
}

// --- Rule 5: bus address -------------------------------------------------------

void clsPbObjectMgr::CopyProjectAddressToDevice()
{
    Write(kDeviceAddress, m_items.Item(kProjectAddress)->StringValue());
}

void clsPbObjectMgr::appGenericAddress_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    const auto scope = m_guard.Enter(0); // whatever the guard's state
    ItemViewBinding::RunStep(Source("appGenericAddress_ValueChanged2"), [this] { CopyProjectAddressToDevice(); });
}

void clsPbObjectMgr::appPbBusAddressProfi_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    const auto scope = m_guard.Enter(clsRuleGuard::NotInRule);
    if (scope)
        ItemViewBinding::RunStep(Source("appPbBusAddressProfi_ValueChanged2"),
                                 [this] { CopyProjectAddressToDevice(); });
}

// --- The message and the date, each held by the device once ---------------------

void clsPbObjectMgr::CopyTwin(const QString& from, const QString& to, bool suppressRule, const QString& source)
{
    ItemViewBinding::RunStep(source, [&] {
        const auto scope = m_guard.Enter(clsRuleGuard::UserEdit | clsRuleGuard::NotInRule, suppressRule,
                                         m_items.Item(kCurrentSequence).get());
        if (!scope)
            return;
        const twins::TwinPair* pair = twins::FindPair(from);
        const auto& manager = m_items.Item(from)->Manager();
        if (!pair || !manager)
            return;
        const QString copy = twins::AsTwin(*manager, *pair, to, m_items.Item(from)->StringValue());
        // A dataset that never held a date has none to give: no date is no edit.
        if (copy.isEmpty() && pair->kind == twins::TwinKind::Date)
            return;
        if (m_items.Item(to)->StringValue().trimmed() != copy)
            Write(to, copy);
    });
}

void clsPbObjectMgr::appPbMessage_ValueChanged2(const QString& /*Value*/, bool suppressRule)
{
    CopyTwin(QStringLiteral("pbMessage"), QStringLiteral("pbDeviceMessage"), suppressRule,
             Source("appPbMessage_ValueChanged2"));
}

void clsPbObjectMgr::appPbDeviceMessage_ValueChanged2(const QString& /*Value*/, bool suppressRule)
{
    CopyTwin(QStringLiteral("pbDeviceMessage"), QStringLiteral("pbMessage"), suppressRule,
             Source("appPbDeviceMessage_ValueChanged2"));
}

void clsPbObjectMgr::appPbDate_ValueChanged2(const QString& /*Value*/, bool suppressRule)
{
    CopyTwin(QStringLiteral("pbDate"), QStringLiteral("pbDeviceInstalDate"), suppressRule,
             Source("appPbDate_ValueChanged2"));
}

void clsPbObjectMgr::appPbDeviceInstalDate_ValueChanged2(const QString& /*Value*/, bool suppressRule)
{
    CopyTwin(QStringLiteral("pbDeviceInstalDate"), QStringLiteral("pbDate"), suppressRule,
             Source("appPbDeviceInstalDate_ValueChanged2"));
}

// --- Rule 7: meter-option limits -------------------------------------------------

void clsPbObjectMgr::appPbMeterOption_ValueChanged(const QString& /*Value*/)
{
    if (m_guard.Enter(clsRuleGuard::Registered))
        BuildMeterOptionLimits();
}

void clsPbObjectMgr::seqGetDeviceInfo_StatusChanged(int32_t sequenceStatus)
{
    if (sequenceStatus == 0 && m_guard.Enter(clsRuleGuard::Registered))
        BuildMeterOptionLimits();
}

void clsPbObjectMgr::m_DeviceInfoEvent_MvActualBlockModeChanged(int32_t /*MvActualBlockMode*/)
{
    BuildMeterOptionLimits();
}

void clsPbObjectMgr::m_DeviceInfoEvent_MvFunctionChanged(bool /*mvFunction*/)
{
    BuildMeterOptionLimits();
}

void clsPbObjectMgr::ResetMeterOption(int32_t resetFrom, int32_t resetTo)
{
    const int32_t option = Number(kMeterOption);
    if (option >= resetFrom && option <= resetTo)
        Write(kMeterOption, kMeterOptionReset);
}

void clsPbObjectMgr::BuildMeterOptionLimits()
{
    if (!m_deviceInfo)
        return;
    const enmCommType bus = m_deviceInfo->CommType();
    const int32_t blockMode = m_deviceInfo->MvActualBlockMode();
    if (IsFieldbus(bus)) {
        for (const FieldbusMaskRow& row : kFieldbusMasks) {
            if (row.blockMode != blockMode)
                continue;
            ResetMeterOption(row.piece.resetFrom, row.piece.resetTo);
            Write(kMeterOptionLimit, QLatin1String(row.piece.mask));
        }
        return;
    }
    if (bus != enmCommType::HART)
        return;
    const int pid = Number(kDeviceType) == kPidDeviceType ? 1 : 0;
    MaskPiece mode = kHartOtherMode;
    for (const HartModeRow& row : kHartModes)
        if (row.blockMode == blockMode)
            mode = row.piece;
    QString mask;
    for (const MaskPiece& piece : {kHartTypeHead[pid], mode, kHartTypeTail[pid]}) {
        ResetMeterOption(piece.resetFrom, piece.resetTo);
        mask += QLatin1String(piece.mask);
    }
    Write(kMeterOptionLimit, mask);
}

int32_t clsPbObjectMgr::Number(const QString& key) const
{
    return static_cast<int32_t>(m_items.Item(key)->UIntValue());
}

void clsPbObjectMgr::Write(const QString& key, const QString& value)
{
    m_items.Item(key)->SetStringValue(value);
}
