#include "corvane/rules/clsMvCalculation.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/MvValueLabels.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/UnitTable.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/ItemAccessReport.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/UnitTable.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/flowcalc/IMvCalculationEngine.h"
#include <QRegularExpression>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const QString kSource = QStringLiteral("clsMvCalculation");
constexpr const char* kAccessSource = "clsMvCalculation";

// The message-box style of both boxes: exclamation icon, OK button.
constexpr int32_t kStyleExclamationOk = 48;
constexpr int32_t kBlockModeAuto = 8;
constexpr int32_t kStatusWarning = flowcalc::kMvStatusWarning;

// Revisions from which the device holds these values in the chosen units.
constexpr double kPressureTemperatureUnitsFrom = 21;
constexpr double kDensityUnitsFrom = 22;
constexpr int32_t kStandardVolumeMedium = 4;

// Base units of the calculation, as unit texts of Module1::GetUnitCode.
constexpr const char* kMm = "mm";
constexpr const char* kMbar = "mbar";
constexpr const char* kBar = "bar";
constexpr const char* kCelsius = "C";
constexpr const char* kKgPerM3 = "kg/m3";
constexpr const char* kM3PerS = "m3/s";
constexpr const char* kKgPerS = "kg/s";

const QString kMediumType = QStringLiteral("mvMediumType");
const QString kCountryCode = QStringLiteral("&&private&&countrycode");
const QString kInPUnit = QStringLiteral("mvInPUnit");
const QString kInTUnit = QStringLiteral("mvInTUnit");
const QString kInDPUnit = QStringLiteral("mvInDPUnit");
const QString kDensityUnit = QStringLiteral("mvDensityUnit");
const QString kRhor = QStringLiteral("mvRhor");
const QString kRhorGui = QStringLiteral("mvRhorGUI");

// The single items in binding order, after "calculateMV"; the two items of
// the message-box rule go under the keys that rule reads them by.
struct SingleItem {
    const char* name;
    const char* alias;
};
constexpr SingleItem kSingleItems[] = {
    {"mvZr", nullptr}, {"mvReDr", nullptr}, {"mvRemin", nullptr}, {"mvH0", nullptr}, {"mvMolCO2", nullptr},
    {"mvReserved5", nullptr}, {"mvReserved6", nullptr}, {"mvInDPUnit", nullptr}, {"mvInPUnit", nullptr},
    {"mvInTUnit", nullptr}, {"mvOutMassFlowUnit", nullptr}, {"mvOutVolFlowUnit", nullptr},
    {"mvDensityUnit", nullptr}, {"&&private&&countrycode", nullptr},
    {"&&private_FDT&&ActiveForms", "ActiveForms"}, {"&&private_FDT&&EngineeringContext", "EngineeringContext"},
    {"abortSequences", nullptr}, {"mvMediumType", nullptr}, {"mvBlendeDuese", nullptr}, {"mvQmr", nullptr},
    {"mvKqm", nullptr}, {"mvRhor", nullptr}, {"mvTr", nullptr}, {"mvdpr", nullptr}, {"mvPr", nullptr},
    {"mvRhonorm", nullptr}, {"mvBeta", nullptr}, {"mvKapa", nullptr}, {"mvInDpLoLim", nullptr},
    {"mvInDpHiLim", nullptr}, {"mvInPLoLim", nullptr}, {"mvInPHiLim", nullptr}, {"mvKQCL", nullptr},
    {"MvInTLoLIm", nullptr}, {"mvInTHiLim", nullptr}, {"mvMolN2", nullptr}, {"mvOutMassFlowMaxValue", nullptr},
    {"mvOutVolFlowMaxValue", nullptr}, {"mvRhorGUI", nullptr}, {"mvRhoNormGUI", nullptr},
};

// The indexed families: name followed by the index, one collection each
// (collection 6 holds two families).
struct Family {
    int collection;
    const char* name;
    int first;
    int last;
};
constexpr Family kFamilies[] = {
    {2, "mvZkb", 1, 9}, {3, "mvHt", 1, 3},      {4, "mvrho", 1, 6},     {5, "mvK", 1, 2},
    {6, "mvC", 1, 3},   {6, "mvReserved", 2, 4}, {7, "mvEpsilon", 1, 3}, {8, "mvPkb", 1, 3},
    {9, "mvTkb", 1, 3}, {10, "mvT", 1, 6},
};
constexpr int kPkbCollection = 8;

// How an input field is taken from its item.
enum class Take {
    Long,      // UIntValue rounded, halves to even
    Float,     // FloatValue
    Conv,      // the text converted from the unit item into the base unit
    Rev21Conv, // FloatValue below revision 21, else Conv
    Rev22Conv, // FloatValue below revision 22, else Conv
    FlowLimit, // Conv into m3/s for the standard-volume medium, else into kg/s
};

// The input record, field by field. A row with a collection takes that
// collection's members in order (8 bytes apart); countFrom names the
// collection whose member count bounds the loop.
struct InputField {
    size_t offset;
    const char* item;
    Take take;
    const char* unitItem;
    const char* baseUnit;
    int collection;
    int countFrom;
};
using In = flowcalc::MvCalculationInput;
const InputField kInputFields[] = {
    {offsetof(In, mvMediumType), "mvMediumType", Take::Long, nullptr, nullptr, 0, 0},
    {offsetof(In, mvBlendeDuese), "mvBlendeDuese", Take::Long, nullptr, nullptr, 0, 0},
    {offsetof(In, mvMolCO2), "mvMolCO2", Take::Long, nullptr, nullptr, 0, 0},
    {offsetof(In, mvH0), "mvH0", Take::Long, nullptr, nullptr, 0, 0},
    {offsetof(In, mvReserved5), "mvReserved5", Take::Conv, "mvReserved6", kMm, 0, 0},
    {offsetof(In, mvBeta), "mvBeta", Take::Float, nullptr, nullptr, 0, 0},
    {offsetof(In, mvReDr), "mvReDr", Take::Float, nullptr, nullptr, 0, 0},
    {offsetof(In, mvInTHiLim), "mvInTHiLim", Take::Conv, "mvInTUnit", kCelsius, 0, 0},
    {offsetof(In, MvInTLoLIm), "MvInTLoLIm", Take::Conv, "mvInTUnit", kCelsius, 0, 0},
    {offsetof(In, mvPr), "mvPr", Take::Rev21Conv, "mvInPUnit", kBar, 0, 0},
    {offsetof(In, mvdpr), "mvdpr", Take::Conv, "mvInDPUnit", kMbar, 0, 0},
    {offsetof(In, mvKapa), "mvKapa", Take::Float, nullptr, nullptr, 0, 0},
    {offsetof(In, mvKQCL), "mvKQCL", Take::Float, nullptr, nullptr, 0, 0},
    {offsetof(In, mvInDpLoLim), "mvInDpLoLim", Take::Conv, "mvInDPUnit", kMbar, 0, 0},
    {offsetof(In, mvInDpHiLim), "mvInDpHiLim", Take::Conv, "mvInDPUnit", kMbar, 0, 0},
    {offsetof(In, mvInPLoLim), "mvInPLoLim", Take::Conv, "mvInPUnit", kBar, 0, 0},
    {offsetof(In, mvInPHiLim), "mvInPHiLim", Take::Conv, "mvInPUnit", kBar, 0, 0},
    {offsetof(In, mvOutMassFlowMaxValue), "mvOutMassFlowMaxValue", Take::FlowLimit, "mvOutMassFlowUnit", nullptr, 0,
     0},
    {offsetof(In, mvRhor), "mvRhor", Take::Rev22Conv, "mvDensityUnit", kKgPerM3, 0, 0},
    {offsetof(In, mvRhonorm), "mvRhonorm", Take::Rev22Conv, "mvDensityUnit", kKgPerM3, 0, 0},
    {offsetof(In, mvTr), "mvTr", Take::Rev21Conv, "mvInTUnit", kCelsius, 0, 0},
    {offsetof(In, mvT), nullptr, Take::Conv, "mvInTUnit", kCelsius, 10, 10},
    {offsetof(In, mvrho), nullptr, Take::Conv, "mvDensityUnit", kKgPerM3, 4, 4},
    {offsetof(In, mvPkb), nullptr, Take::Rev21Conv, "mvInPUnit", kBar, 8, kPkbCollection},
    {offsetof(In, mvTkb), nullptr, Take::Rev21Conv, "mvInTUnit", kCelsius, 9, kPkbCollection},
    {offsetof(In, mvZkb), nullptr, Take::Float, nullptr, nullptr, 2, 2},
};

// How an output field goes back to its item.
enum class Back {
    Unchanged,   // as the engine gave it
    Rev21ToUnit, // unchanged below revision 21, else from the base unit into the unit item's
    ToUnit,      // from the base unit into the unit item's
    DensityPair, // "mvRhor" and its shown copy "mvRhorGUI"
};

// The write-back, in its order. A row with a collection writes that
// collection's members in order from offset on.
struct OutputField {
    size_t offset;
    const char* item;
    Back back;
    const char* unitItem;
    const char* baseUnit;
    int collection;
};
using Out = flowcalc::MvCalculationOutput;
const OutputField kOutputFields[] = {
    {offsetof(Out, mvC), nullptr, Back::Unchanged, nullptr, nullptr, 6},
    {offsetof(Out, mvEpsilon), nullptr, Back::Unchanged, nullptr, nullptr, 7},
    {offsetof(Out, mvHt), nullptr, Back::Unchanged, nullptr, nullptr, 3},
    {offsetof(Out, mvK), nullptr, Back::Unchanged, nullptr, nullptr, 5},
    {offsetof(Out, mvKqm), "mvKqm", Back::Unchanged, nullptr, nullptr, 0},
    {offsetof(Out, mvRemin), "mvRemin", Back::Unchanged, nullptr, nullptr, 0},
    {offsetof(Out, mvZr), "mvZr", Back::Unchanged, nullptr, nullptr, 0},
    {offsetof(Out, mvMolN2), "mvMolN2", Back::Unchanged, nullptr, nullptr, 0},
    {offsetof(Out, mvTr), "mvTr", Back::Rev21ToUnit, "mvInTUnit", kCelsius, 0},
    {offsetof(Out, mvRhor), "mvRhor", Back::DensityPair, "mvDensityUnit", kKgPerM3, 0},
    {offsetof(Out, mvKQCL), "mvKQCL", Back::Unchanged, nullptr, nullptr, 0},
    {offsetof(Out, mvOutVolFlowMaxValue), "mvOutVolFlowMaxValue", Back::ToUnit, "mvOutVolFlowUnit", kM3PerS, 0},
    {offsetof(Out, MvInTLoLIm), "MvInTLoLIm", Back::ToUnit, "mvInTUnit", kCelsius, 0},
    {offsetof(Out, mvInTHiLim), "mvInTHiLim", Back::ToUnit, "mvInTUnit", kCelsius, 0},
};

// The packed records hold their doubles on 4-byte boundaries: copied by value.
void Put(flowcalc::MvCalculationInput& input, size_t offset, double value)
{
    std::memcpy(reinterpret_cast<char*>(&input) + offset, &value, sizeof value);
}
void PutLong(flowcalc::MvCalculationInput& input, size_t offset, int32_t value)
{
    std::memcpy(reinterpret_cast<char*>(&input) + offset, &value, sizeof value);
}
double Get(const flowcalc::MvCalculationOutput& output, size_t offset)
{
    double value = 0;
    std::memcpy(&value, reinterpret_cast<const char*>(&output) + offset, sizeof value);
    return value;
}

[[noreturn]] void Raise(const QString& description)
{
    throw automation::ComError(automation::E_FAIL_, description, kSource);
}

// Item accesses that raise when the manager refuses them: a value the
// calculation could not read must not go into it as 0.
void RequireBound(const clsAppItem& item)
{
    if (!item.IsRegistered() || item.ItemHandle() <= 0 || !item.Manager())
        Raise(QStringLiteral("the item %1 is not bound").arg(item.Name()));
}
QString TextOf(const clsAppItem& item)
{
    RequireBound(item);
    QString value;
    int32_t failed = 0;
    item.Manager()->fncReadString(item.ItemHandle(), value, false, failed);
    ItemAccessReport::Raise(failed, kAccessSource, item.Name());
    return value;
}
double NumberOf(const clsAppItem& item)
{
    const QString text = TextOf(item);
    double value = 0;
    if (!NumberText::ToNumber(text, value))
        Raise(QStringLiteral("the value \"%1\" of %2 is not a number").arg(text, item.Name()));
    return value;
}
double UIntOf(const clsAppItem& item)
{
    RequireBound(item);
    double value = 0;
    int32_t failed = 0;
    item.Manager()->fncReadUIntValue(item.ItemHandle(), value, false, failed);
    ItemAccessReport::Raise(failed, kAccessSource, item.Name());
    return value;
}
int32_t RoundedOf(const clsAppItem& item)
{
    int32_t value = 0;
    if (!NumberText::RoundToInt32(UIntOf(item), value))
        Raise(QStringLiteral("the value of %1 is not a whole number").arg(item.Name()));
    return value;
}
double FloatOf(const clsAppItem& item)
{
    RequireBound(item);
    float value = 0;
    int32_t failed = 0;
    item.Manager()->fncReadFloatValue(item.ItemHandle(), value, false, failed);
    ItemAccessReport::Raise(failed, kAccessSource, item.Name());
    return static_cast<double>(value);
}
void WriteText(const clsAppItem& item, const QString& text)
{
    RequireBound(item);
    int32_t failed = 0;
    item.Manager()->fncPutString(item.ItemHandle(), text, failed);
    ItemAccessReport::Raise(failed, kAccessSource, item.Name());
}
// The default text of a result; a result that is no number is refused.
QString TextOfNumber(double value, const QString& item)
{
    const QString text = NumberText::Plain(value);
    if (text.isEmpty())
        Raise(QStringLiteral("the result for %1 is not a finite number").arg(item));
    return text;
}

} // namespace

clsMvCalculation::clsMvCalculation() = default;

clsMvCalculation::~clsMvCalculation()
{
    if (m_appCalculateMv)
        disconnect(m_appCalculateMv.get(), nullptr, this, nullptr);
}

void clsMvCalculation::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    if (!myView)
        throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("no view to register with"),
                                   kSource + QStringLiteral(".Register"));
    m_view = myView;
    m_manager = myView->appletItemManagerRef();
    m_unitConverter = std::make_shared<clsChangeUnitValue>();
    m_unitConverter->Register(m_manager);
    m_deviceInfo = std::make_shared<clsDeviceInfo>();
    m_deviceInfo->Register(m_manager);
    BindItems();
    for (clsAppItemCollection& collection : m_items)
        collection.Register(m_manager);
    m_registered = true;
}

void clsMvCalculation::BindItems()
{
    if (m_appCalculateMv)
        return; // bound by an earlier Register
    clsAppItemCollection& singles = Collection(1);
    m_appCalculateMv = singles.Add(kCalculateMv, false, 0);
    connect(m_appCalculateMv.get(), &clsAppItem::ValueChanged, this, &clsMvCalculation::appCalculateMv_ValueChanged);
    for (const SingleItem& item : kSingleItems)
        singles.Add(QLatin1String(item.name), false, 0, nullptr, QString(),
                    item.alias ? QLatin1String(item.alias) : QString());
    for (const Family& family : kFamilies)
        for (int index = family.first; index <= family.last; ++index)
            Collection(family.collection).Add(QLatin1String(family.name) + QString::number(index), false, 0);
}

void clsMvCalculation::UnRegister()
{
    if (!m_registered)
        return;
    for (clsAppItemCollection& collection : m_items)
        collection.UnRegister();
    m_registered = false;
}

std::shared_ptr<clsAppItem> clsMvCalculation::Single(const QString& name) const
{
    return m_items[0].Item(name);
}

void clsMvCalculation::appCalculateMv_ValueChanged(const QString& /*value*/)
{
    if (!m_registered)
        return;
    double request = 0;
    if (!NumberText::ToNumber(m_appCalculateMv->StringValue(), request) || request != 1)
        return;
    // Back at 0 before anything runs, so the reset itself starts nothing.
    m_appCalculateMv->SetStringValue(QStringLiteral("0"));
    if (m_deviceInfo->MvFunctionEnabled() && m_deviceInfo->MvActualBlockMode() == kBlockModeAuto)
        CalculateCoeff();
}

double clsMvCalculation::Revision()
{
    const QString text = m_deviceInfo->softwareRevision();
    double revision = 0;
    if (!NumberText::ToNumber(text, revision))
        Raise(QStringLiteral("the software revision \"%1\" is not a number").arg(text));
    return revision;
}

int32_t clsMvCalculation::UnitCodeOf(const QString& unitItem)
{
    return RoundedOf(*Single(unitItem));
}

int32_t clsMvCalculation::BaseUnitCode(const char* baseUnit)
{
    return Module1::GetUnitCode(static_cast<int32_t>(m_deviceInfo->CommType()), QLatin1String(baseUnit));
}

double clsMvCalculation::ConvertChecked(double value, int32_t from, int32_t to, const QString& what)
{
    // The converter hands a value it cannot convert back unchanged; sent on,
    // it would be a number in the wrong unit. Both codes must be units of
    // the bus, of one quantity (codes of a mere factor go with any).
    if (from != to) {
        const enmCommType bus = m_deviceInfo->CommType();
        const auto* source = from >= INT16_MIN && from <= INT16_MAX ? UnitTable::Find(bus, static_cast<int16_t>(from))
                                                                    : nullptr;
        const auto* target = to >= INT16_MIN && to <= INT16_MAX ? UnitTable::Find(bus, static_cast<int16_t>(to))
                                                                : nullptr;
        const QLatin1String factorOnly("further codes");
        if (!source || !target
            || (QLatin1String(source->quantity) != QLatin1String(target->quantity)
                && QLatin1String(source->quantity) != factorOnly && QLatin1String(target->quantity) != factorOnly))
            Raise(QStringLiteral("%1 cannot be converted from unit %2 to unit %3").arg(what).arg(from).arg(to));
        // An overflow, too, comes back unchanged from the converter.
        double base = 0;
        double converted = 0;
        if (!source->toBase.Apply(value, base) || !UnitTable::FromBase(*target, bus).Apply(base, converted))
            Raise(QStringLiteral("%1 converted from unit %2 to unit %3 is not a finite number")
                      .arg(what)
                      .arg(from)
                      .arg(to));
    }
    const double result = m_unitConverter->ChangeUnitValue(value, from, to);
    if (!std::isfinite(result))
        Raise(QStringLiteral("%1 converted from unit %2 to unit %3 is not a finite number").arg(what).arg(from).arg(to));
    return result;
}

double clsMvCalculation::Converted(const std::shared_ptr<clsAppItem>& valueItem, const QString& unitItem,
                                   const char* baseUnit)
{
    const double value = NumberOf(*valueItem);
    return ConvertChecked(value, UnitCodeOf(unitItem), BaseUnitCode(baseUnit), valueItem->Name());
}

double clsMvCalculation::ToUnitOf(double value, const char* baseUnit, const QString& unitItem)
{
    return ConvertChecked(value, BaseUnitCode(baseUnit), UnitCodeOf(unitItem),
                          QStringLiteral("the result for the unit of %1").arg(unitItem));
}

void clsMvCalculation::Gather(flowcalc::MvCalculationInput& input, QString& softwareRevision)
{
    input = flowcalc::MvCalculationInput{};
    softwareRevision = m_deviceInfo->softwareRevision();
    const double revision = Revision();
    const double medium = NumberOf(*Single(kMediumType));
    const char* flowBase = medium == kStandardVolumeMedium ? kM3PerS : kKgPerS;

    const auto take = [&](const InputField& field, const std::shared_ptr<clsAppItem>& item, size_t offset) {
        const QString unitItem = field.unitItem ? QLatin1String(field.unitItem) : QString();
        switch (field.take) {
        case Take::Long:
            PutLong(input, offset, RoundedOf(*item));
            return;
        case Take::Float:
            Put(input, offset, FloatOf(*item));
            return;
        case Take::Rev21Conv:
            if (revision < kPressureTemperatureUnitsFrom) {
                Put(input, offset, FloatOf(*item));
                return;
            }
            break;
        case Take::Rev22Conv:
            if (revision < kDensityUnitsFrom) {
                Put(input, offset, FloatOf(*item));
                return;
            }
            break;
        case Take::FlowLimit:
            Put(input, offset, Converted(item, unitItem, flowBase));
            return;
        case Take::Conv:
            break;
        }
        Put(input, offset, Converted(item, unitItem, field.baseUnit));
    };
    for (const InputField& field : kInputFields) {
        if (!field.collection) {
            take(field, Single(QLatin1String(field.item)), field.offset);
            continue;
        }
        const int count = Collection(field.countFrom).Count();
        for (int position = 1; position <= count; ++position)
            take(field, Collection(field.collection).Item(position),
                 field.offset + static_cast<size_t>(position - 1) * sizeof(double));
    }
}

std::vector<clsMvCalculation::WriteBack> clsMvCalculation::PrepareWriteBack(const flowcalc::MvCalculationOutput& output)
{
    std::vector<WriteBack> writes;
    const double revision = Revision(); // read afresh
    for (const OutputField& field : kOutputFields) {
        const double value = Get(output, field.offset);
        if (field.collection) {
            const clsAppItemCollection& members = Collection(field.collection);
            for (int position = 1; position <= members.Count(); ++position) {
                const std::shared_ptr<clsAppItem> item = members.Item(position);
                const double member = Get(output, field.offset + static_cast<size_t>(position - 1) * sizeof(double));
                writes.push_back({item, TextOfNumber(member, item->Name()), {}});
            }
            continue;
        }
        const QString name = QLatin1String(field.item);
        const QString unitItem = field.unitItem ? QLatin1String(field.unitItem) : QString();
        switch (field.back) {
        case Back::Unchanged:
            writes.push_back({Single(name), TextOfNumber(value, name), {}});
            break;
        case Back::Rev21ToUnit:
            writes.push_back({Single(name),
                              TextOfNumber(revision < kPressureTemperatureUnitsFrom
                                               ? value
                                               : ToUnitOf(value, field.baseUnit, unitItem),
                                           name),
                              {}});
            break;
        case Back::ToUnit:
            writes.push_back({Single(name), TextOfNumber(ToUnitOf(value, field.baseUnit, unitItem), name), {}});
            break;
        case Back::DensityPair: {
            const std::shared_ptr<clsAppItem> rhor = Single(kRhor);
            // Converted now as well, so that a density unit the bus does not
            // know stops the calculation before anything is written.
            const double shown = ToUnitOf(value, field.baseUnit, unitItem);
            if (revision < kDensityUnitsFrom) {
                writes.push_back({rhor, TextOfNumber(value, kRhor), {}});
                writes.push_back({Single(kRhorGui), QString(), [this, rhor, field, unitItem] {
                                      return TextOfNumber(ToUnitOf(NumberOf(*rhor), field.baseUnit, unitItem),
                                                          kRhorGui);
                                  }});
            } else {
                writes.push_back({rhor, TextOfNumber(shown, kRhor), {}});
                writes.push_back({Single(kRhorGui), QString(), [rhor] { return TextOf(*rhor); }});
            }
            break;
        }
        }
    }
    return writes;
}

void clsMvCalculation::WriteAll(const std::vector<WriteBack>& writes)
{
    // What each item held, so that a write the manager refuses part-way
    // leaves every item as it was: never a mix of old and new coefficients.
    std::vector<std::pair<std::shared_ptr<clsAppItem>, QString>> previous;
    previous.reserve(writes.size());
    for (const WriteBack& write : writes)
        previous.emplace_back(write.item, TextOf(*write.item));
    size_t written = 0;
    try {
        for (const WriteBack& write : writes) {
            WriteText(*write.item, write.textAfterEarlierWrites ? write.textAfterEarlierWrites() : write.text);
            ++written;
        }
    } catch (const automation::ComError&) {
        for (size_t i = written + 1; i-- > 0;) {
            try {
                WriteText(*previous[i].first, previous[i].second);
            } catch (const automation::ComError& error) {
                applet::AppletTrace::Error(QStringLiteral("%1: %2 not restored: %3")
                                               .arg(kSource, previous[i].first->Name(), error.description()));
            }
        }
        throw;
    }
}

bool clsMvCalculation::CalculateCoeff()
{
    try {
        flowcalc::MvCalculationInput input;
        QString softwareRevision;
        Gather(input, softwareRevision);

        const auto engine = automation::ClassRegistry::instance().Create<flowcalc::IMvCalculationEngine>(
            flowcalc::kMvCalculationEngineClassId);
        int16_t countryCode = 0;
        if (!NumberText::RoundToInt16(UIntOf(*Single(kCountryCode)), countryCode))
            Raise(QStringLiteral("the country code is not a whole number"));
        engine->SetCountryCode(countryCode);

        flowcalc::MvCalculationOutput output;
        int32_t status = 0;
        QString warningText;
        engine->Calculate(input, softwareRevision, output, status, warningText);

        if (status == kStatusWarning) {
            applet::AppletTrace::Info(QStringLiteral("%1: the calculation warns: %2").arg(kSource, warningText));
            ShowBox(kTextWarning, Module1::LoadLocalizedText(Language(), kTextWarning) + QStringLiteral("!\n")
                                      + MvValueLabels::Labelled(warningText, Language()));
        }
        WriteAll(PrepareWriteBack(output));
        return true;
    } catch (const automation::ComError& error) {
        Fail(error.description());
        return false;
    }
}

int16_t clsMvCalculation::Language()
{
    // A country code that is no whole number gets the English texts.
    double code = 0;
    int16_t country = Module1::kCountryEnglish;
    if (!NumberText::ToNumber(TextOf(*Single(kCountryCode)), code) || !NumberText::RoundToInt16(code, country))
        return Module1::kCountryEnglish;
    return country;
}

void clsMvCalculation::ShowBox(int32_t captionId, const QString& prompt)
{
    if (!Module1::MessageBoxAllowed(m_items[0]))
        return;
    Module1::ShowMessageOnTop(prompt, kStyleExclamationOk, Module1::LoadLocalizedText(Language(), captionId));
}

QString clsMvCalculation::InUsersUnits(const QString& reason)
{
    QString text = reason;
    for (const InputField& field : kInputFields) {
        if (field.collection || !field.unitItem || field.take != Take::Conv)
            continue;
        const QString name = QLatin1String(field.item);
        const QRegularExpression named(QStringLiteral("\\b%1 \\([^)]*\\)").arg(QRegularExpression::escape(name)),
                                       QRegularExpression::CaseInsensitiveOption);
        if (!text.contains(named))
            continue;
        QString value = TextOf(*Single(name)).trimmed();
        value.replace(QLatin1Char('.'), applet::UserNumber::DecimalSeparator(Language()));
        const QString unitText = Single(QLatin1String(field.unitItem))->EnumValue();
        const QString unit = m_manager ? applet::UnitSymbol(*m_manager, unitText) : unitText;
        text.replace(named, unit.isEmpty() ? QStringLiteral("%1 (%2)").arg(name, value)
                                           : QStringLiteral("%1 (%2 %3)").arg(name, value, unit));
    }
    return text;
}

void clsMvCalculation::Fail(const QString& reason)
{
    applet::AppletTrace::Error(QStringLiteral("%1.CalculateCoeff: the flow calculation failed: %2").arg(kSource, reason));
    // Errors while the failure is shown and the abort requested are traced
    // and go no further: the abort request must be made whatever the box did.
    try {
        // The user corrects a value by the label the pages show, not by its item name.
        ShowBox(kTextErrorCaption, Module1::LoadLocalizedText(Language(), kTextCalculationError) + QLatin1Char('\n')
                                       + MvValueLabels::Labelled(InUsersUnits(reason), Language()));
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: the error message was not shown: %2").arg(kSource, error.description()));
    }
    try {
        corvane::RequestAbort(m_manager);
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: the abort was not requested: %2").arg(kSource, error.description()));
    }
}
