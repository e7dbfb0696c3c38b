#include "mvtrivexhelper/clsDeviceInfo.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/NumberText.h"
#include "pioextensions/clsAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <cmath>

namespace {

const QString kSource = QStringLiteral("clsDeviceInfo");

// The software code sits in characters 3 to 9 of "pbSoftwareSpecifics";
// a code not listed here (or a text too short to hold one) means HART.
constexpr int kSoftwareCodeStart = 2; // 0-based
constexpr int kSoftwareCodeLength = 7;
struct SoftwareCode {
    const char* code;
    enmCommType bus;
};
constexpr SoftwareCode kSoftwareCodes[] = {
    {"4607215", enmCommType::HART},
    {"4607238", enmCommType::HART},
    {"4607221", enmCommType::PROFIBUS},
    {"4607246", enmCommType::ff},
};

// The software revision item of each bus kind, chosen once at binding.
struct RevisionItem {
    enmCommType bus;
    const char* name;
};
constexpr RevisionItem kRevisionItems[] = {
    {enmCommType::PROFIBUS, "pbSoftwareRevisionPROFI"},
    {enmCommType::ff, "pbDevRevFF"},
};
constexpr const char* kHartRevisionItem = "pbSoftwareRevisionHART";

// Module type codes below this are differential pressure modules, except
// kAbsoluteBelowLimit.
constexpr double kAbsoluteModulesFrom = 30;
constexpr double kAbsoluteBelowLimit = 23;

// The FF revision text becomes "22" from this revision on, else "21"; a
// revision above kLastPlainRevision is given by the extended revision bytes.
constexpr double kFfRevision22From = 2;
constexpr double kLastPlainRevision = 21;
// Devices below this revision can answer busy.
constexpr double kBusyRevisionsBelow = 20;

// Codes of each linearisation type on HART, PROFIBUS and ff.
constexpr int16_t kLinTypeCodes[][3] = {
    // HART PROFIBUS ff
    {0, 0, 2},       // LINEAR
    {1, 10, 3},      // SQUARE_ROOT
    {160, 243, 243}, // PRIMARY_ELEMENT_LINEARIZATION
    {2, 241, 4},     // SQUARE_ROOT_3
    {3, 242, 5},     // SQUARE_ROOT_5
    {4, 1, 240},     // USER_CURVE
    {242, 20, 21},   // CYLINDRIC
    {241, 21, 20},   // SPHERICAL
};

// The last seen multivariable function text ("True", "False"; empty at first).
bool ReadBoolean(const QString& text, bool& value)
{
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        value = true;
        return true;
    }
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        value = false;
        return true;
    }
    double number = 0;
    if (!NumberText::ToNumber(text, number))
        return false;
    value = number != 0;
    return true;
}

QString ErrorText(const automation::ComError& error)
{
    return QStringLiteral("%1 (0x%2, %3)")
        .arg(error.description())
        .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
        .arg(error.source());
}

} // namespace

clsDeviceInfo::clsDeviceInfo() = default;

clsDeviceInfo::~clsDeviceInfo()
{
    Unbind();
}

QVariant clsDeviceInfo::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (!AppletItemManagerRef)
        HelperErrors::Raise(HelperErrors::kObjectNotSet, QStringLiteral("No applet item manager"),
                            kSource + QStringLiteral(".Register"));
    Unbind();
    // Binds within the call (SetAppletItemManagRef); a binding that stopped
    // is traced as the manager's refusal of the view.
    m_view.Attach(AppletItemManagerRef, nullptr, QStringLiteral("the device information"),
                  [this](int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                         int32_t& result) { SetAppletItemManagRef(lViewHandle, manager, result); });
    return QVariant();
}

void clsDeviceInfo::SetAppletItemManagRef(int32_t lViewHandle,
                                          const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                          int32_t& result)
{
    using Handler = void (clsDeviceInfo::*)(const QString&, bool);
    struct Binding {
        Role role;
        const char* name; // none: the revision item of the bus kind
        Handler handler;  // takes the item's ValueChanged2
    };
    static constexpr Binding kBindings[] = {
        {Country, "&&private&&countrycode", nullptr},
        {Module, "ptrbModulType", nullptr},
        {BusKind, "pbSoftwareSpecifics", nullptr},
        {MvFunction, "pbMultivariableFunction", &clsDeviceInfo::OnMvFunction},
        {MvBlockMode, "mvModeBlkActual", &clsDeviceInfo::OnMvBlockMode},
        {PidTarget, "pidModeBlkTarget", nullptr},
        {Tag, "&&private_PM&&TagName", nullptr},
        {Descriptor, "&&private_PM&&Descriptor", nullptr},
        {Revision, nullptr, &clsDeviceInfo::OnRevision},
        {RevisionEx, "pbSoftwareSpecHOLLEN", nullptr},
    };

    result = 0;
    m_viewHandle = lViewHandle;
    m_manager = manager;
    for (const Binding& binding : kBindings) {
        QString name = QLatin1String(binding.name ? binding.name : kHartRevisionItem);
        try {
            if (!binding.name) {
                const enmCommType bus = CommType();
                for (const RevisionItem& item : kRevisionItems)
                    if (item.bus == bus)
                        name = QLatin1String(item.name);
            }
            auto item = std::make_unique<clsAppItem>();
            if (binding.handler)
                connect(item.get(), &clsAppItem::ValueChanged2, this, binding.handler);
            item->Register(manager, name); // not on the shadow value, no update interval, no handler
            m_items[binding.role] = std::move(item);
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(
                QStringLiteral("Device information: binding stopped at %1: %2").arg(name, ErrorText(error)));
            result = error.number();
            return;
        }
    }
    m_registered = true;
}

void clsDeviceInfo::Unbind()
{
    for (auto& item : m_items)
        item.reset();
    m_registered = false;
    m_view.ReleaseView();
    m_manager.reset();
}

clsAppItem& clsDeviceInfo::Item(Role role) const
{
    if (!m_items[role])
        HelperErrors::Raise(HelperErrors::kObjectNotSet, QStringLiteral("The device information is not bound"),
                            kSource);
    return *m_items[role];
}

QString clsDeviceInfo::Text(Role role) const
{
    return Item(role).StringValue();
}

int16_t clsDeviceInfo::CountryCode()
{
    const double value = Item(Country).UIntValue();
    int16_t code = 0;
    if (!NumberText::RoundToInt16(value, code))
        HelperErrors::Raise(HelperErrors::kOverflow, QStringLiteral("Country code %1").arg(value),
                            kSource + QStringLiteral(".CountryCode"));
    return code;
}

QString clsDeviceInfo::DeviceIdentName()
{
    return Text(Tag).trimmed() + QStringLiteral(": ") + Text(Descriptor).trimmed();
}

enmCommType clsDeviceInfo::CommType()
{
    const QString code = Text(BusKind).mid(kSoftwareCodeStart, kSoftwareCodeLength);
    for (const SoftwareCode& entry : kSoftwareCodes)
        if (code == QLatin1String(entry.code))
            return entry.bus;
    return enmCommType::HART;
}

bool clsDeviceInfo::MvFunctionEnabled()
{
    try {
        const QString text = Text(MvFunction);
        double value = 0;
        if (NumberText::ToNumber(text, value))
            return value != 0;
        applet::AppletTrace::Error(QStringLiteral("Multivariable function '%1' is not a number").arg(text));
    } catch (const automation::ComError&) {
        // traced where raised; the function counts as off
    }
    return false;
}

bool clsDeviceInfo::PidEnabled()
{
    return false;
}

enmModuleType clsDeviceInfo::ModuleType()
{
    const QString text = Text(Module);
    double value = 0;
    if (!NumberText::ToNumber(text, value))
        HelperErrors::Raise(HelperErrors::kTypeMismatch, QStringLiteral("Module type '%1' is not a number").arg(text),
                            kSource + QStringLiteral(".ModuleType"));
    return value < kAbsoluteModulesFrom && value != kAbsoluteBelowLimit ? enmModuleType::DIFFERENTIAL_PRESSURE
                                                                       : enmModuleType::ABSOLUT_PRESSURE;
}

int32_t clsDeviceInfo::MvActualBlockMode()
{
    if (!MvFunctionEnabled())
        return 0;
    try {
        const QString text = Text(MvBlockMode);
        double value = 0;
        int32_t mode = 0;
        if (NumberText::ToNumber(text, value) && NumberText::RoundToInt32(value, mode))
            return mode;
        applet::AppletTrace::Error(QStringLiteral("Block mode '%1' is not a whole number").arg(text));
    } catch (const automation::ComError&) {
        // traced where raised; no block mode then
    }
    return 0;
}

QString clsDeviceInfo::softwareRevision()
{
    const QString revision = Text(Revision);
    return ExtractSoftwareRevision(revision, Item(RevisionEx).OctetValue());
}

QString clsDeviceInfo::ExtractSoftwareRevision(const QString& softwareRevision, const QVariant& softwareRevisionEx)
{
    // Each step that fails leaves the text as it stood, with a trace.
    enmCommType bus = enmCommType::HART;
    try {
        bus = CommType();
    } catch (const automation::ComError&) {
        // traced where raised; read as HART
    }

    QString s;
    double number = 0;
    switch (bus) {
    case enmCommType::PROFIBUS:
        // "0.21" is revision 21.
        if (NumberText::LeadingNumber(softwareRevision, number) && std::isfinite(number * 100))
            s = NumberText::Plain(number * 100);
        else
            applet::AppletTrace::Error(QStringLiteral("Software revision '%1' too large").arg(softwareRevision));
        break;
    case enmCommType::ff:
        if (NumberText::ToNumber(softwareRevision, number))
            s = number >= kFfRevision22From ? QStringLiteral("22") : QStringLiteral("21");
        else
            applet::AppletTrace::Error(QStringLiteral("Software revision '%1' is not a number").arg(softwareRevision));
        break;
    default:
        s = softwareRevision;
        break;
    }

    // Later revisions, and a text that names none, are given by the extended
    // revision bytes, least significant first.
    if (!NumberText::ToNumber(s, number) || number > kLastPlainRevision) {
        const QByteArray ex = softwareRevisionEx.typeId() == QMetaType::QByteArray ? softwareRevisionEx.toByteArray()
                                                                                  : QByteArray();
        if (ex.size() >= 3)
            s = QString::number(static_cast<uint8_t>(ex[0]) + 256 * static_cast<uint8_t>(ex[1])
                                + 65536 * static_cast<uint8_t>(ex[2]));
    }
    return s;
}

bool clsDeviceInfo::DeviceCanBeBusy()
{
    const QString revision = softwareRevision();
    double value = 0;
    if (!NumberText::ToNumber(revision, value))
        HelperErrors::Raise(HelperErrors::kTypeMismatch,
                            QStringLiteral("Software revision '%1' is not a number").arg(revision),
                            kSource + QStringLiteral(".DeviceCanBeBusy"));
    return value < kBusyRevisionsBelow;
}

int16_t clsDeviceInfo::GetPtrbLinTypeCode(enmPtrbLinType linType)
{
    const auto row = static_cast<int32_t>(linType);
    if (row < 0 || row >= static_cast<int32_t>(std::size(kLinTypeCodes)))
        return 0;
    return kLinTypeCodes[row][static_cast<int32_t>(CommType())];
}

// The handlers of the multivariable function and the block mode ignore
// errors (traced where raised): the signal then carries the default.
void clsDeviceInfo::OnMvFunction(const QString&, bool)
{
    const bool enabled = MvFunctionEnabled();
    bool last = false;
    if (!ReadBoolean(m_lastMvFunction, last) || last != enabled)
        emit MvFunctionChanged(enabled);
    m_lastMvFunction = enabled ? QStringLiteral("True") : QStringLiteral("False");
}

void clsDeviceInfo::OnMvBlockMode(const QString&, bool)
{
    const int32_t mode = MvActualBlockMode();
    double last = 0;
    if (!NumberText::ToNumber(m_lastBlockMode, last) || last != mode)
        emit MvActualBlockModeChanged(mode);
    m_lastBlockMode = QString::number(mode);
}

// A revision that cannot be extracted ends the handling with a trace and
// leaves the last revision, so the next notification tries again.
void clsDeviceInfo::OnRevision(const QString& value, bool suppressRule)
{
    try {
        if (!suppressRule && value != m_lastRevision)
            emit SoftwareRevisionChanged(softwareRevision());
        m_lastRevision = value;
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("Device information: software revision %1 not reported: %2")
                                       .arg(value, ErrorText(error)));
    }
}
