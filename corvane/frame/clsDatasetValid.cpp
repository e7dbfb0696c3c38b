#include "corvane/frame/clsDatasetValid.h"
#include "corvane/rules/Module1.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <cmath>
#include <exception>

namespace {

const QString kSource = QStringLiteral("clsDatasetValid");
constexpr int32_t kTypeMismatch = 13;
constexpr int32_t kStyleExclamation = 48;
// Revisions from 65536 on carry a third octet this system does not know.
constexpr double kFirstUnsupportedRevision = 65536;

// The revision item of each bus kind; a bus without a row binds neither alias.
struct RevisionItem {
    enmCommType bus;
    const char* name;
};
const RevisionItem kRevisionItems[] = {
    {enmCommType::HART, "pbSoftwareRevisionHART"},
    {enmCommType::PROFIBUS, "pbSoftwareRevisionPROFI"},
    {enmCommType::ff, "pbDevRevFF"},
};
constexpr const char* kRevisionItem = nullptr; // stands for the bus kind's revision item

// The items of the component. Shadow items carry the device's value; the key
// is the alias where one is given, else the item name.
enum class Bus { Any, HartOnly };
struct ItemRow {
    const char* name;
    bool shadow;
    const char* alias;
    Bus bus;
    const char* callback;
};
const ItemRow kItems[] = {
    {"&&ObjectLimit&&mvBlendeDuese", false, "LimitMvBlendeDuese", Bus::Any, nullptr},
    {"&&ObjectLimit&&mvMediumType", false, "LimitMvMediumType", Bus::Any, nullptr},
    {kRevisionItem, false, "SoftwareRevision", Bus::Any, "SoftwareRevision_ValueChanged"},
    {kRevisionItem, true, "SoftwareRevisionShadow", Bus::Any, nullptr},
    {"timeConstTADC", false, nullptr, Bus::HartOnly, nullptr},
    {"timeConstTADC", true, "timeConstTADCShadow", Bus::HartOnly, nullptr},
    {"timeConstPADC", false, nullptr, Bus::HartOnly, nullptr},
    {"timeConstPADC", true, "timeConstPADCShadow", Bus::HartOnly, nullptr},
    {"pbSoftwareSpecHOLLEN", false, nullptr, Bus::Any, nullptr},
    {"pbSoftwareSpecHOLLEN", true, "pbSoftwareSpecHOLLENShadow", Bus::Any, nullptr},
    {"mvh0", false, "PrimaryElementMaterial", Bus::Any, nullptr},
    {"mvMolCO2", false, "Tubematerial", Bus::Any, nullptr},
    // "ActiveForms" and "EngineeringContext" come from Module1::AddMessageBoxItems.
    {"InCompatibleDataset", false, nullptr, Bus::Any, nullptr},
    {"ptrbModulType", false, nullptr, Bus::Any, nullptr},
    {"ptrbModulType", true, "ptrbModulTypeShadow", Bus::Any, nullptr},
    {"pbMultivariableFunction", false, nullptr, Bus::Any, nullptr},
    {"pbMultivariableFunction", true, "pbMultivariableFunctionShadow", Bus::Any, nullptr},
    {"ptrbScaleIn0", false, nullptr, Bus::Any, nullptr},
    {"ptrbScaleIn100", false, nullptr, Bus::Any, nullptr},
    {"ptrbStaticPressureScaleIn0", false, nullptr, Bus::Any, nullptr},
    {"ptrbStaticPressureScaleIn100", false, nullptr, Bus::Any, nullptr},
    {"ptrbStaticPressureScaleInUnit", false, nullptr, Bus::Any, nullptr},
    {"ptrbScaleInUnit", false, nullptr, Bus::Any, nullptr},
    {"ptrbLowerSensorLimit", true, nullptr, Bus::Any, nullptr},
    {"ptrbUpperSensorLimit", true, nullptr, Bus::Any, nullptr},
    {"ptrbStaticPressureLoLim", true, nullptr, Bus::Any, nullptr},
    {"ptrbStaticPressureHiLim", true, nullptr, Bus::Any, nullptr},
    {"ptrbMinSpan", true, nullptr, Bus::Any, nullptr},
    {"ptrbSensorLimitUnit", true, nullptr, Bus::Any, nullptr},
    {"ptrbStaticPressureMinSpan", true, nullptr, Bus::Any, nullptr},
    {"ptrbCalUnit", true, nullptr, Bus::Any, nullptr},
};

// The device's identification, copied from the device's value (shadow key)
// into the dataset (plain key) when the dataset fits.
struct CopyRow {
    const char* from;
    const char* to;
    Bus bus;
};
const CopyRow kIdentification[] = {
    {"pbSoftwareSpecHOLLENShadow", "pbSoftwareSpecHOLLEN", Bus::Any},
    {"SoftwareRevisionShadow", "SoftwareRevision", Bus::Any},
    {"timeConstPADCShadow", "timeConstPADC", Bus::HartOnly},
    {"timeConstTADCShadow", "timeConstTADC", Bus::HartOnly},
};

// The allowed entries of the primary element (26) and the medium type (7)
// by software revision; older revisions also set both materials to "not used".
struct RevisionMasks {
    bool from22;
    const char* primaryElements;
    const char* mediumTypes;
    bool materialsNotUsed;
};
const RevisionMasks kRevisionMasks[] = {
    {true, "1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1", "1, 0, 0, 1, 1, 1, 1", false},
    {false, "1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0", "1, 1, 1, 0, 0, 1, 1", true},
};
constexpr double kMaskRevisionFrom = 22;
constexpr double kMaterialNotUsed = 250;

// The rules of the compatibility check in their order: the first that
// applies decides the verdict.
struct CheckRule {
    clsDatasetValid::Verdict verdict;
    bool (clsDatasetValid::*applies)();
    const char* what;
};

bool IsHart(IDeviceInfo& deviceInfo)
{
    return deviceInfo.CommType() == enmCommType::HART;
}

// A tenth of the limit's magnitude beyond the limit, so the allowed range
// only ever widens: below a lower limit, above an upper one.
double LowerWithTolerance(double limit)
{
    return limit - std::fabs(limit) / 10;
}
double UpperWithTolerance(double limit)
{
    return limit + std::fabs(limit) / 10;
}

QString Reason(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const automation::ComError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
}

} // namespace

clsDatasetValid::clsDatasetValid() = default;

clsDatasetValid::~clsDatasetValid()
{
    if (m_SeqGetDeviceInfo)
        disconnect(m_SeqGetDeviceInfo.get(), nullptr, this, nullptr);
}

void clsDatasetValid::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    m_manager = myView ? myView->appletItemManagerRef() : nullptr;
    if (!m_manager) {
        const QString description = QStringLiteral("The view has no applet item manager");
        applet::AppletTrace::Error(QStringLiteral("%1.Register: %2").arg(kSource, description));
        throw automation::ComError(automation::E_FAIL_, description, kSource + QStringLiteral(".Register"));
    }
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(m_manager);
    m_deviceInfo = deviceInfo;
    auto converter = std::make_shared<clsChangeUnitValue>();
    converter->Register(m_manager);
    m_converter = converter;
    BindItems();
    m_SeqGetDeviceInfo = m_sequences.Add(kGetDeviceInfo, false, 0, REGISTER_STATE | REGISTER_CONTROL);
    connect(m_SeqGetDeviceInfo.get(), &clsSequenceItem::StatusChanged, this,
            &clsDatasetValid::m_SeqGetDeviceInfo_StatusChanged, Qt::UniqueConnection);
    m_items.Register(m_manager);
    m_sequences.Register(m_manager);
    m_registered = true;
}

void clsDatasetValid::BindItems()
{
    const enmCommType bus = m_deviceInfo->CommType();
    QString revisionItem;
    for (const RevisionItem& row : kRevisionItems)
        if (row.bus == bus)
            revisionItem = QLatin1String(row.name);
    for (const ItemRow& row : kItems) {
        if (row.bus == Bus::HartOnly && bus != enmCommType::HART)
            continue;
        const QString name = row.name ? QString::fromLatin1(row.name) : revisionItem;
        if (name.isEmpty())
            continue;
        m_items.Add(name, row.shadow, 0, row.callback ? this : nullptr, QLatin1String(row.callback),
                    QLatin1String(row.alias));
        if (row.name && QLatin1String(row.name) == QLatin1String("InCompatibleDataset"))
            Module1::AddMessageBoxItems(m_items);
    }
}

void clsDatasetValid::UnRegister()
{
    if (!m_registered)
        return;
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_registered = false;
}

void clsDatasetValid::Abort()
{
    CompatibilityCheck();
}

void clsDatasetValid::HandleUploadCompleted()
{
    CompatibilityCheck();
}

void clsDatasetValid::m_SeqGetDeviceInfo_StatusChanged(int32_t sequenceStatus)
{
    switch (sequenceStatus) {
    case applet::SequenceState::ReadRequest:
        m_SeqGetDeviceInfo->DoAction(applet::SequenceAction::Run);
        break;
    case applet::SequenceState::ReadActive:
        m_getDeviceInfoActive = true;
        break;
    case applet::SequenceState::Ready:
        if (!m_getDeviceInfoActive)
            return;
        m_getDeviceInfoActive = false;
        if (!RevisionCheck())
            return;
        if (CompatibilityCheck() == kFits)
            CopyIdentification();
        break;
    default:
        break;
    }
}

bool clsDatasetValid::RevisionCheck()
{
    double revision = 0;
    QString revisionText;
    try {
        revisionText = m_deviceInfo->ExtractSoftwareRevision(Text(QStringLiteral("SoftwareRevisionShadow")),
                                                             m_items.Item(QStringLiteral("pbSoftwareSpecHOLLENShadow"))->OctetValue());
    } catch (...) {
        // A revision that cannot be told cannot be supported.
        RejectDevice(QStringLiteral("its revision cannot be read: %1").arg(Reason(std::current_exception())));
        return false;
    }
    if (!NumberText::ToNumber(revisionText, revision)) {
        RejectDevice(QStringLiteral("its revision '%1' is not a number").arg(revisionText));
        return false;
    }
    if (revision < kFirstUnsupportedRevision)
        return true;
    RejectDevice(QStringLiteral("its revision %1 is not supported").arg(revisionText));
    return false;
}

void clsDatasetValid::RejectDevice(const QString& why)
{
    applet::AppletTrace::Error(QStringLiteral("%1: the device is disconnected: %2").arg(kSource, why));
    Publish(kRevisionUnsupportedOrLost);
    try {
        std::shared_ptr<applet::AppletHost> host;
        m_manager->GetApplet(host);
        if (!host)
            throw automation::ComError(automation::E_FAIL_, QStringLiteral("no applet to disconnect"), kSource);
        int32_t result = 0;
        host->Disconnect(0, result);
        if (result != 0)
            throw automation::ComError(result, QStringLiteral("the applet refused the disconnect"), kSource);
    } catch (...) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: the disconnect failed: %2").arg(kSource, Reason(std::current_exception())));
        return;
    }
    if (Module1::MessageBoxAllowed(m_items))
        Module1::ShowMessageOnTop(Module1::LoadLocalizedText(m_deviceInfo->CountryCode(), kUnsupportedRevisionText),
                                  kStyleExclamation, QString());
}

void clsDatasetValid::CopyIdentification()
{
    const bool hart = IsHart(*m_deviceInfo);
    for (const CopyRow& row : kIdentification)
        if (row.bus == Bus::Any || hart)
            m_items.Item(QLatin1String(row.to))->SetStringValue(Text(QLatin1String(row.from)));
}

int clsDatasetValid::CompatibilityCheck()
{
    if (!m_registered)
        return -1;
    static const CheckRule kRules[] = {
        {kModuleTypeDiffers, &clsDatasetValid::ModuleTypeDiffers, "the module type"},
        {kMvFunctionDiffers, &clsDatasetValid::MvFunctionDiffers, "the multivariable function"},
        {kRangeOutsideLimits, &clsDatasetValid::RangeOutsideLimits, "the ranges against the sensor limits"},
        {kSpanBelowMinimum, &clsDatasetValid::SpanBelowMinimum, "the spans against the minimum spans"},
    };
    for (const CheckRule& rule : kRules) {
        bool applies = true;
        try {
            applies = (this->*rule.applies)();
        } catch (...) {
            applet::AppletTrace::Error(QStringLiteral("%1: %2 cannot be checked (%3); the dataset is taken as not "
                                                      "fitting the device")
                                           .arg(kSource, QLatin1String(rule.what), Reason(std::current_exception())));
        }
        if (applies) {
            Publish(rule.verdict);
            return rule.verdict;
        }
    }
    Publish(kFits);
    return kFits;
}

bool clsDatasetValid::ModuleTypeDiffers()
{
    return Text(QStringLiteral("ptrbModulType")) != Text(QStringLiteral("ptrbModulTypeShadow"));
}

bool clsDatasetValid::MvFunctionDiffers()
{
    return Text(QStringLiteral("pbMultivariableFunction")) != Text(QStringLiteral("pbMultivariableFunctionShadow"));
}

bool clsDatasetValid::RangeOutsideLimits()
{
    const QString sensorUnit = QStringLiteral("ptrbSensorLimitUnit");
    const QString rangeUnit = QStringLiteral("ptrbScaleInUnit");
    const QString staticUnit = QStringLiteral("ptrbStaticPressureScaleInUnit");
    const double lowerLimit = Converted(QStringLiteral("ptrbLowerSensorLimit"), sensorUnit, rangeUnit);
    const double upperLimit = Converted(QStringLiteral("ptrbUpperSensorLimit"), sensorUnit, rangeUnit);
    const double staticLowerLimit = Converted(QStringLiteral("ptrbStaticPressureLoLim"), sensorUnit, staticUnit);
    const double staticUpperLimit = Converted(QStringLiteral("ptrbStaticPressureHiLim"), sensorUnit, staticUnit);

    // An inverted range is checked like the upright one.
    const QString scale0 = QStringLiteral("ptrbScaleIn0");
    const QString scale100 = QStringLiteral("ptrbScaleIn100");
    double lo = Number(scale0);
    double hi = Number(scale100);
    if (!(static_cast<float>(hi) > static_cast<float>(lo)))
        std::swap(lo, hi);
    if (LowerWithTolerance(lowerLimit) > lo || UpperWithTolerance(upperLimit) < hi)
        return true;

    // The static pressure range counts only on a differential pressure module.
    if (m_deviceInfo->ModuleType() != enmModuleType::DIFFERENTIAL_PRESSURE)
        return false;
    const float static0 = static_cast<float>(Number(QStringLiteral("ptrbStaticPressureScaleIn0")));
    const float static100 = static_cast<float>(Number(QStringLiteral("ptrbStaticPressureScaleIn100")));
    return static_cast<float>(LowerWithTolerance(staticLowerLimit)) > static0
           || static_cast<float>(UpperWithTolerance(staticUpperLimit)) < static100;
}

bool clsDatasetValid::SpanBelowMinimum()
{
    const QString sensorUnit = QStringLiteral("ptrbSensorLimitUnit");
    const double minSpan = Converted(QStringLiteral("ptrbMinSpan"), sensorUnit, QStringLiteral("ptrbScaleInUnit"));
    const double staticMinSpan = Converted(QStringLiteral("ptrbStaticPressureMinSpan"), sensorUnit,
                                           QStringLiteral("ptrbStaticPressureScaleInUnit"));
    if (std::fabs(Number(QStringLiteral("ptrbScaleIn100")) - Number(QStringLiteral("ptrbScaleIn0"))) < minSpan)
        return true;
    // The static pressure span counts only off HART.
    if (IsHart(*m_deviceInfo))
        return false;
    return std::fabs(Number(QStringLiteral("ptrbStaticPressureScaleIn100"))
                     - Number(QStringLiteral("ptrbStaticPressureScaleIn0")))
           < staticMinSpan;
}

void clsDatasetValid::Publish(int verdict)
{
    m_items.Item(kInCompatibleDataset)->SetStringValue(QString::number(verdict));
}

void clsDatasetValid::SoftwareRevision_ValueChanged(short /*index*/, const QString& /*Value*/, bool /*suppressRule*/)
{
    if (!m_registered || !m_deviceInfo->MvFunctionEnabled())
        return;
    const QString revisionText = m_deviceInfo->softwareRevision();
    double revision = 0;
    if (!NumberText::ToNumber(revisionText, revision)) {
        const QString description = QStringLiteral("the software revision '%1' is not a number").arg(revisionText);
        applet::AppletTrace::Error(QStringLiteral("%1.SoftwareRevision_ValueChanged: %2").arg(kSource, description));
        throw automation::ComError(kTypeMismatch, description, kSource + QStringLiteral(".SoftwareRevision_ValueChanged"));
    }
    for (const RevisionMasks& masks : kRevisionMasks) {
        if (masks.from22 != (revision >= kMaskRevisionFrom))
            continue;
        m_items.Item(QStringLiteral("LimitMvBlendeDuese"))->SetStringValue(QLatin1String(masks.primaryElements));
        m_items.Item(QStringLiteral("LimitMvMediumType"))->SetStringValue(QLatin1String(masks.mediumTypes));
        if (masks.materialsNotUsed) {
            m_items.Item(QStringLiteral("PrimaryElementMaterial"))->SetUIntValue(kMaterialNotUsed);
            m_items.Item(QStringLiteral("Tubematerial"))->SetUIntValue(kMaterialNotUsed);
        }
    }
}

QString clsDatasetValid::Text(const QString& key) const
{
    return m_items.Item(key)->StringValue();
}

double clsDatasetValid::Number(const QString& key) const
{
    const QString text = Text(key);
    double value = 0;
    if (NumberText::ToNumber(text, value))
        return value;
    const QString description = QStringLiteral("%1 is '%2', not a number").arg(key, text);
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
    throw automation::ComError(kTypeMismatch, description, kSource);
}

int32_t clsDatasetValid::UnitCode(const QString& key) const
{
    int32_t code = 0;
    if (!NumberText::RoundToInt32(Number(key), code)) {
        const QString description = QStringLiteral("%1 is no unit code").arg(key);
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
        throw automation::ComError(kTypeMismatch, description, kSource);
    }
    return code;
}

double clsDatasetValid::Converted(const QString& valueKey, const QString& fromUnitKey, const QString& toUnitKey) const
{
    return m_converter->ChangeUnitValue(Number(valueKey), UnitCode(fromUnitKey), UnitCode(toUnitKey));
}
