// Every configuration item a download writes and an upload reads, edited as a
// user edits it, reaches the device and comes back into a new project, and
// nothing else changes but what a rule changes with it. The items come from
// the loaded description, not from a list of names: the upload chain's read
// records and the download's write records give them, their types,
// enumerations, ranges and sizes give the new value.
#include "tests/corvane/TransferSupport.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/Description.h"
#include "sim/MeasuredParameters.h"
#include "sim/SimTransmitter.h"
#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <limits>

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

// The flow function on, so that the flow, temperature and PID blocks are
// read and written too.
const Variant kWalkVariants[] = {
    {"rev19_137", 137, 19, true, false, {}}, {"rev22_137", 137, 22, true, false, {}},
    {"rev19_138", 138, 19, true, false, {}}, {"rev22_138", 138, 22, true, false, {}},
    {"rev19_139", 139, 19, true, false, {}}, {"rev22_139", 139, 22, true, false, {}},
};

// What a rule changes together with an edited item: the edit of the first
// changes the others in the project, so they are expected to change, and an
// edit of one of them goes into another download.
struct RuleCompanions {
    const char* item;
    QStringList companions;
    const char* rule;
};
// What a pressure unit converts, chosen through the unit or its twin.
const QStringList kDifferentialUnitCompanions = {
    "ptrbScaleIn0", "ptrbScaleIn100", "ptrbScaleOut0", "ptrbScaleOut100", "ptrbScaleOutUnit", "aiDPOutScale0",
    "aiDPOutScale100", "aiDPOutScaleUnit", "aidpXdScale0", "aidpXdScale100", "mvInDPUnit", "mvInDpLoLim", "mvInDpHiLim",
    "mvDpr"};
const QStringList kStaticUnitCompanions = {
    "ptrbStaticPressureScaleIn0", "ptrbStaticPressureScaleIn100", "aiPOutScale0", "aiPOutScale100", "aiPOutScaleUnit",
    "aipXdScale0", "aipXdScale100", "mvInPUnit", "mvInPDefault", "mvInPLoLim", "mvInPHiLim", "mvPkb1", "mvPkb2",
    "mvPkb3", "mvPr"};
const RuleCompanions kRules[] = {
    // One device value that two items carry: each follows the other.
    {"pbMessage", {"pbDeviceMessage"}, "the message's two items hold one value"},
    {"pbDeviceMessage", {"pbMessage"}, "the message's two items hold one value"},
    {"ptrbDamping", {"aiDPPvFtime"}, "the damping's two items hold one value"},
    {"aiDPPvFtime", {"ptrbDamping"}, "the damping's two items hold one value"},
    {"pbDate", {"pbDeviceInstalDate"}, "the date's two items hold one value"},
    {"pbDeviceInstalDate", {"pbDate"}, "the date's two items hold one value"},
    // A unit converts every value given in it, and its revision-21 twin and
    // the copies in the blocks that carry the same variable follow it.
    {"ptrbScaleInUnit",
     kDifferentialUnitCompanions + QStringList{"ptrbScaleInUnit_21"},
     "the pressure unit converts the pressure range and its copies"},
    {"ptrbStaticPressureScaleInUnit",
     kStaticUnitCompanions + QStringList{"ptrbStaticPressureScaleInUnit_21"},
     "the static-pressure unit converts the static-pressure range, the flow block's pressures and their copies"},
    {"ptrbTemperatureValueUnit", {"ptrbTemperatureValueUnit_21"}, "the unit's revision-21 twin follows it"},
    {"ptrbTemperatureValueUnit_21", {"ptrbTemperatureValueUnit"}, "the unit chosen through its revision-21 twin"},
    {"ptrbScaleInUnit_21",
     kDifferentialUnitCompanions + QStringList{"ptrbScaleInUnit"},
     "the pressure unit chosen through its revision-21 twin converts as the unit itself"},
    {"ptrbStaticPressureScaleInUnit_21",
     kStaticUnitCompanions + QStringList{"ptrbStaticPressureScaleInUnit"},
     "the static-pressure unit chosen through its revision-21 twin converts as the unit itself"},
    {"ttrbPrimaryValueUnit_21",
     {"ttrbPrimaryValueUnit", "aiTOutScaleUnit", "ttrbPrimaryValueRange0", "ttrbPrimaryValueRange100", "aiTOutScale0",
      "aiTOutScale100", "aitXdScale0", "aitXdScale100", "mvInTUnit", "mvInTDefault", "mvInTLoLim", "mvInTHiLim", "mvT",
      "mvT1", "mvT2", "mvT3", "mvT4", "mvT5", "mvT6", "mvTkb1", "mvTkb2", "mvTkb3", "mvTr"},
     "the temperature unit chosen through its revision-21 twin converts as the unit itself"},
    {"mvInDPUnit", {"mvInDpLoLim", "mvInDpHiLim", "mvDpr"}, "the flow block's pressure unit converts its pressures"},
    {"mvInPUnit", {"mvInPDefault", "mvInPLoLim", "mvInPHiLim", "mvPkb1", "mvPkb2", "mvPkb3", "mvPr"},
     "the flow block's static-pressure unit converts its pressures and compressibility points"},
    {"mvInTUnit",
     {"mvInTDefault", "mvInTLoLim", "mvInTHiLim", "mvT", "mvT1", "mvT2", "mvT3", "mvT4", "mvT5", "mvT6", "mvTkb1",
      "mvTkb2", "mvTkb3", "mvTr"},
     "the flow block's temperature unit converts its temperatures"},
    {"aiDPOutScale0", {"ptrbScaleOut0", "aidpXdScale0"},
     "the output scale's copies in the pressure block and the transducer scale follow it"},
    {"aiDPOutScale100", {"ptrbScaleOut100", "aidpXdScale100"},
     "the output scale's copies in the pressure block and the transducer scale follow it"},
    {"aiDPOutScaleUnit", {"ptrbScaleOutUnit"}, "the output scale's copy in the pressure block follows it"},
    {"ttrbPrimaryValueUnit",
     {"ttrbPrimaryValueUnit_21", "aiTOutScaleUnit", "ttrbPrimaryValueRange0", "ttrbPrimaryValueRange100", "aiTOutScale0", "aiTOutScale100",
      "aitXdScale0", "aitXdScale100", "mvInTUnit", "mvInTDefault", "mvInTLoLim", "mvInTHiLim", "mvT", "mvT1", "mvT2",
      "mvT3", "mvT4", "mvT5", "mvT6", "mvTkb1", "mvTkb2", "mvTkb3", "mvTr"},
     "the temperature unit converts the temperature range, the flow block's temperatures and their copies"},
    {"ttrbCalUnit", {"ttrbCalMinSpan"}, "the calibration unit converts the minimum span"},
    {"mvDensityUnit", {"mvRho", "mvRho1", "mvRho2", "mvRho3", "mvRho4", "mvRho5", "mvRho6", "mvRhoNorm", "mvRhor"},
     "the density unit converts every density"},
    {"mvOutMassFlowUnit", {"mvOutMassFlowMaxValue", "mvQmr"}, "the mass-flow unit converts the flow range"},
    {"mvOutVolFlowUnit", {"mvOutVolFlowMaxValue"}, "the volume-flow unit converts the flow range"},
    {"mvReserved6", {"mvReserved5"}, "the tube-diameter unit converts the diameter"},
    // A range end is copied into the output scale and the shown copies of
    // the blocks that carry the same variable.
    {"ptrbScaleIn0", {"ptrbScaleOut0", "aiDPOutScale0", "aidpXdScale0", "mvInDpLoLim"}, "the range's copies follow it"},
    {"ptrbScaleIn100", {"ptrbScaleOut100", "aiDPOutScale100", "aidpXdScale100", "mvInDpHiLim", "mvDpr"},
     "the range's copies follow it"},
    {"ptrbStaticPressureScaleIn0", {"aiPOutScale0", "aipXdScale0", "mvInPLoLim"}, "the range's copies follow it"},
    {"ptrbStaticPressureScaleIn100", {"aiPOutScale100", "aipXdScale100", "mvInPHiLim"}, "the range's copies follow it"},
    {"ttrbPrimaryValueRange0", {"aiTOutScale0", "aitXdScale0", "mvInTLoLim"}, "the range's copies follow it"},
    {"ttrbPrimaryValueRange100", {"aiTOutScale100", "aitXdScale100", "mvInTHiLim"}, "the range's copies follow it"},
    // An output scale's end keeps the alarm limits inside it.
    {"aiPOutScale100", {"aiPHiHiLim", "aiPHiLim"}, "the alarm limits stay inside the output scale"},
    // The flow block's input limits bound its table points.
    // The flow block's input limits are its outer table points, and the
    // middle compressibility point is kept between the outer ones.
    {"mvInPLoLim", {"mvPkb1", "mvPkb2"}, "the outer compressibility points are the static-pressure limits"},
    {"mvInPHiLim", {"mvPkb3", "mvPkb2"}, "the outer compressibility points are the static-pressure limits"},
    {"mvInTLoLim", {"mvT1", "mvTkb1", "mvTkb2", "mvInTDefault"},
     "the outer table points are the temperature limits; the substitute temperature stays inside"},
    {"mvInTHiLim", {"mvT2", "mvTkb3", "mvTkb2", "mvInTDefault"},
     "the outer table points are the temperature limits; the substitute temperature stays inside"},
    {"mvOutMassFlowMaxValue", {"mvQmr"}, "the reference flow follows the flow range"},
};

// Items a rule sets from other values, so that a user's edit of the item
// alone is undone at once: they are compared, not edited.
const struct {
    const char* item;
    const char* reason;
} kDerived[] = {
    {"_tagHart", "the frame's tag of the instance goes to the device"},
    {"pbDescriptor", "the frame's descriptor of the instance goes to the device"},
    {"pbMeterOption", "the meter option follows the bus kind, block mode and device type"},
    {"aiDPLType", "the output's linearisation follows the pressure block's transfer function"},
    {"aiPLType", "the output's linearisation follows the pressure block's transfer function"},
    {"aiTLType", "the output's linearisation follows the pressure block's transfer function"},
    {"aiDPOutscaleDecimal", "the decimals follow the scale's values"},
    {"aiPOutscaleDecimal", "the decimals follow the scale's values"},
    {"aiTOutscaleDecimal", "the decimals follow the scale's values"},
    {"ptrbScaleInDecimal", "the decimals follow the range's values"},
    {"ptrbScaleOutDecimal", "the decimals follow the scale's values"},
    {"ptrbStaticPressureScaleInDecimal", "the decimals follow the range's values"},
    {"ttrbPrimaryValueRangeDecimal", "the decimals follow the range's values"},
    {"timeConstPADC", "the device's ADC time constant is taken into the dataset when a download connects"},
    {"timeConstTADC", "the device's ADC time constant is taken into the dataset when a download connects"},
};

// Items the flow block's rules set from another item at the end of every
// upload: an edit of the item alone is undone by the next upload. They are
// not edited; in a new project each holds what its source holds (in the
// source's unit, or below revision 21 for the table points in bar or degrees
// Celsius, where only a change of the source may change them).
const struct {
    const char* item;
    const char* source;
    bool fixedUnitBelow21;
    const char* rule;
} kFollowsAtUpload[] = {
    {"mvQmr", "mvOutMassFlowMaxValue", false, "the reference flow is the flow output's upper range value"},
    {"mvT1", "mvInTLoLim", false, "the density table's first temperature is the lower temperature limit"},
    {"mvT2", "mvInTHiLim", false, "the density table's second temperature is the upper temperature limit"},
    {"mvTkb1", "mvInTLoLim", true, "the compressibility table's first temperature is the lower temperature limit"},
    {"mvTkb3", "mvInTHiLim", true, "the compressibility table's last temperature is the upper temperature limit"},
    {"mvPkb1", "mvInPLoLim", true, "the compressibility table's first pressure is the lower static-pressure limit"},
    {"mvPkb3", "mvInPHiLim", true, "the compressibility table's last pressure is the upper static-pressure limit"},
};
// Below revision 20 a flow block in automatic mode fixes these: the
// pressures in mbar, the transfer function square rooting, the temperature
// block's unit in degrees Celsius.
const char* const kFixedByTheFlowBlockBelowRevision20[] = {
    "ptrbScaleInUnit", "ptrbStaticPressureScaleInUnit", "ptrbLinType", "ttrbPrimaryValueUnit", "ttrbPrimaryValueUnit_21",
};

// Items a rule sets at the end of the upload after another item's edit has
// reached the device: the flow block's mode read back out of automatic mode
// takes the primary element's linearisation (HART code 160) from the
// pressure block's transfer function and gives it square rooting (code 1).
const struct {
    const char* item;
    const char* edited;
    const char* from;
    const char* to;
    const char* rule;
} kSetAtUploadAfterAnEdit[] = {
    {"ptrbLinType", "mvModeBlkTarget", "160", "1",
     "out of automatic mode the transfer function is not the primary element's linearisation"},
};

// Items the rules set from their sources as a project's values enter (a
// copy of a range or a unit, a unit twin, the block's item of a twin pair,
// a value forced in automatic mode): a hand edit of them alone is undone at
// load, so the stored project's edits leave them to their sources. A unit
// edited in the stored project relabels the values given in it (no
// conversion runs at load): units are edited as a user edits them only.
const char* const kSetAtEntry[] = {
    "aiDPOutScale0", "aiDPOutScale100", "aiDPOutScaleUnit", "ptrbScaleOut0", "ptrbScaleOut100", "ptrbScaleOutUnit",
    "aidpXdScale0", "aidpXdScale100", "aiPOutScale0", "aiPOutScale100", "aiPOutScaleUnit", "aipXdScale0",
    "aipXdScale100", "aiTOutScale0", "aiTOutScale100", "aiTOutScaleUnit", "aitXdScale0", "aitXdScale100",
    "mvInDPUnit", "mvInPUnit", "mvInTUnit", "ptrbScaleInUnit_21", "ptrbStaticPressureScaleInUnit_21",
    "ptrbTemperatureValueUnit_21", "ttrbPrimaryValueUnit_21", "ptrbLinType", "mvh0", "mvMolCO2", "pbDeviceMessage",
    "pbDeviceInstalDate", "aiDPPvFtime",
};

// Items whose text is not free: the installation date takes a date only.
const char* const kDateTexts[] = {"pbDeviceInstalDate"};

// Still open: the flow block's differential-pressure limits at revision 21
// and above once the pressure unit is kg/cm2, where the upper limit stands
// at the sensor limit (0.254929 kg/cm2, 250 mbar). An edit there is clamped
// against the sensor limit and the minimum span, and the next upload's end
// clamps the pair again a little lower (0.2498 / 0.2549 -> 0.2396 / 0.2447):
// the six-digit value stands just above the limit in the device's units.
// Their differences are shown, not counted.
const struct {
    const char* item;
    uint32_t fromRevision;
} kOpenAtTheSensorLimit[] = {
    {"mvInDpHiLim", 21},
    {"mvInDpLoLim", 21},
};

bool OpenAtTheSensorLimit(const QString& item, uint32_t revision)
{
    return std::any_of(std::begin(kOpenAtTheSensorLimit), std::end(kOpenAtTheSensorLimit), [&](const auto& open) {
        return item.compare(QLatin1String(open.item), Qt::CaseInsensitive) == 0 && revision >= open.fromRevision;
    });
}

using Values = QMap<QString, QString>;

bool Listed(const char* const* begin, const char* const* end, const QString& name)
{
    return std::any_of(begin, end, [&](const char* listed) { return name.compare(QLatin1String(listed), Qt::CaseInsensitive) == 0; });
}

QStringList CompanionsOf(const QString& item)
{
    for (const RuleCompanions& rule : kRules)
        if (item.compare(QLatin1String(rule.item), Qt::CaseInsensitive) == 0)
            return rule.companions;
    return {};
}

// The device keeps IEEE single floats, and a value converted between units
// on the way may come back a few steps of a single float apart.
bool SameFloat(double a, double b)
{
    return std::abs(a - b) <= 4 * std::numeric_limits<float>::epsilon() * std::max(std::abs(a), std::abs(b));
}

// Two shown values are the same: equal texts, or numbers a single float
// cannot tell apart.
bool SameValue(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    bool aIsNumber = false;
    bool bIsNumber = false;
    const double x = a.toDouble(&aIsNumber);
    const double y = b.toDouble(&bIsNumber);
    return aIsNumber && bIsNumber && SameFloat(x, y);
}

// A text of the item's full length, of characters every text encoding takes.
QString FullLengthText(const QString& item, int characters)
{
    QString text = QStringLiteral("WALK ") + item.toUpper() + QLatin1Char(' ');
    for (int digit = 0; text.size() < characters; ++digit)
        text += QChar(QLatin1Char('0' + digit % 10));
    return text.left(characters);
}

// Another valid value of the item than the one it holds: the next entry of its
// enumeration, a number inside its range (or near the old one where none is
// given), a text at its full length, another date.
QString AnotherValue(const applet::Description& description, const applet::DescObject& object, const QString& now)
{
    using applet::ItemType;
    switch (object.type) {
    case ItemType::Enumerated: {
        const applet::DescEnumeration* enumeration = description.FindEnumeration(object.enumeration);
        if (!enumeration || enumeration->entries.size() < 2)
            return QString();
        const auto& entries = enumeration->entries;
        for (int i = 0; i < entries.size(); ++i)
            if (QString::number(entries[i].value) == now)
                return QString::number(entries[(i + 1) % entries.size()].value);
        return QString::number(entries.first().value);
    }
    case ItemType::Unsigned:
    case ItemType::Int: {
        const double value = now.toDouble();
        const double top = object.maximum.value_or(std::pow(2.0, std::max(object.size, 8)) - 1);
        return QString::number(value + 1 <= top ? value + 1 : object.minimum.value_or(0));
    }
    case ItemType::Float: {
        // Values a single float holds exactly: multiples of a power of two
        // well below the value's size.
        const auto exact = [](double value, double size) {
            const double step = std::exp2(std::floor(std::log2(std::max(size, 1e-3) / 64)));
            return std::round(value / step) * step;
        };
        const double value = now.toDouble();
        if (object.minimum && object.maximum) {
            const double span = *object.maximum - *object.minimum;
            const double inside = exact(*object.minimum + 0.3 * span, span);
            return applet::ItemValue::FloatText(
                static_cast<float>(!SameFloat(inside, value) ? inside : exact(*object.minimum + 0.6 * span, span)));
        }
        // Nine tenths of it, in the item's present unit, in the tenths a
        // device's steps take (a damping, for one) where it holds tenths,
        // or one more where that is no other value: a value that a rule
        // bounds (a range end, a limit, a table point) stays inside.
        const bool tenths = std::abs(value) < 1e6 && SameFloat(std::round(value * 10), value * 10);
        const double near = tenths ? std::round(value * 9) / 10 : exact(value * 0.9, std::abs(value));
        return applet::ItemValue::FloatText(static_cast<float>(value != 0 && !SameFloat(near, value) ? near : value + 1));
    }
    case ItemType::Text:
        if (Listed(std::begin(kDateTexts), std::end(kDateTexts), object.name))
            return QDate::fromString(now, Qt::ISODate).isValid()
                       ? QDate::fromString(now, Qt::ISODate).addDays(33).toString(Qt::ISODate)
                       : QStringLiteral("2026-05-06");
        return FullLengthText(object.name, object.size);
    case ItemType::PackedAscii:
        return FullLengthText(object.name, object.size * 4 / 3);
    case ItemType::HartDate: {
        const QDate date = QDate::fromString(now, Qt::ISODate);
        return (date.isValid() ? date.addDays(45) : QDate(2026, 7, 8)).toString(Qt::ISODate);
    }
    default:
        return QString();
    }
}

// A valid value of another kind than AnotherValue takes, as a hand edit of
// the stored project gives it: the last entry of an enumeration, a number
// near the other end of its range, a float of two decimals without a step,
// a text of full length with punctuation and mixed case (upper case where
// the device packs it), another date.
QString AnotherFileValue(const applet::Description& description, const applet::DescObject& object, const QString& now)
{
    using applet::ItemType;
    const auto twoDecimals = [](double value) { return applet::ItemValue::FloatText(static_cast<float>(std::round(value * 100) / 100)); };
    switch (object.type) {
    case ItemType::Enumerated: {
        const applet::DescEnumeration* enumeration = description.FindEnumeration(object.enumeration);
        if (!enumeration || enumeration->entries.size() < 2)
            return QString();
        const QString last = QString::number(enumeration->entries.last().value);
        return last != now ? last : QString::number(enumeration->entries.first().value);
    }
    case ItemType::Unsigned:
    case ItemType::Int: {
        const double top = object.maximum.value_or(std::pow(2.0, std::max(object.size, 8)) - 1);
        return QString::number(static_cast<qint64>(now.toDouble() != top ? top : object.minimum.value_or(0)));
    }
    case ItemType::Float: {
        const double value = now.toDouble();
        if (object.minimum && object.maximum) {
            const double span = *object.maximum - *object.minimum;
            const QString high = twoDecimals(*object.minimum + 0.8 * span);
            return !SameValue(high, now) ? high : twoDecimals(*object.minimum + 0.7 * span);
        }
        // Nine tenths of it in two decimals, or in tenths where the device
        // holds tenths (a damping, for one): a bounded value stays inside.
        const bool tenths = std::abs(value) < 1e6 && SameFloat(std::round(value * 10), value * 10);
        const QString near = tenths ? applet::ItemValue::FloatText(static_cast<float>(std::round(value * 9) / 10))
                                    : twoDecimals(value * 0.9);
        // The device takes a damping in steps of 0.1 s.
        const bool damping = object.name.contains(QLatin1String("Damping"), Qt::CaseInsensitive);
        return value != 0 && !SameValue(near, now) ? near : damping ? QStringLiteral("1.5") : QStringLiteral("1.25");
    }
    case ItemType::Text: {
        if (Listed(std::begin(kDateTexts), std::end(kDateTexts), object.name))
            return QDate::fromString(now, Qt::ISODate).isValid()
                       ? QDate::fromString(now, Qt::ISODate).addDays(77).toString(Qt::ISODate)
                       : QStringLiteral("2027-02-03");
        QString text = QStringLiteral("File, ") + object.name + QStringLiteral("; Mixed-Case.");
        for (int digit = 0; text.size() < object.size; ++digit)
            text += QChar(QLatin1Char('0' + digit % 10));
        return text.left(object.size);
    }
    case ItemType::PackedAscii: {
        QString text = QStringLiteral("FILE, ") + object.name.toUpper() + QStringLiteral("; P-Q.");
        for (int digit = 0; text.size() < object.size * 4 / 3; ++digit)
            text += QChar(QLatin1Char('0' + digit % 10));
        return text.left(object.size * 4 / 3);
    }
    case ItemType::HartDate: {
        const QDate date = QDate::fromString(now, Qt::ISODate);
        return (date.isValid() ? date.addDays(77) : QDate(2027, 3, 4)).toString(Qt::ISODate);
    }
    default:
        return QString();
    }
}

using ValueChoice = QString (*)(const applet::Description&, const applet::DescObject&, const QString&);

class EveryWritableItem : public TransferRoad, public ::testing::WithParamInterface<Variant> {
protected:
    struct Edit {
        QString item;
        QString value;
        QSet<QString> footprint; // lower-case names: the item and what a rule changes with it
    };

    // The sequences of the upload chain that ran, and the download's write
    // sequences of the same revision group.
    QSet<QString> ReadItems() const
    {
        QSet<QString> items;
        const auto description = manager->GetDescription();
        for (const QString& sequence : Ran()) {
            const applet::DescSequence* read = description->FindSequence(sequence);
            if (!read || read->kind != applet::SequenceKind::Read || !sequence.startsWith(QLatin1String("upload"), Qt::CaseInsensitive))
                continue;
            for (const QString& record : read->records)
                for (const applet::FieldLayout& field : description->FindRecord(record)->response)
                    if (!field.item.isEmpty())
                        items.insert(field.item);
        }
        return items;
    }
    QStringList WrittenItems() const
    {
        QStringList groups;
        for (const QString& sequence : Ran()) {
            const auto at = sequence.indexOf(QLatin1String("_Revision"), 0, Qt::CaseInsensitive);
            if (at > 0)
                groups << sequence.mid(at).toLower();
        }
        QStringList items;
        const auto description = manager->GetDescription();
        for (const applet::DescSequence& sequence : description->sequences) {
            if (sequence.kind != applet::SequenceKind::Write || !sequence.name.startsWith(QLatin1String("download"), Qt::CaseInsensitive))
                continue;
            const auto at = sequence.name.indexOf(QLatin1String("_Revision"), 0, Qt::CaseInsensitive);
            if (at > 0 && !groups.contains(sequence.name.mid(at).toLower()))
                continue;
            for (const QString& record : sequence.records)
                for (const applet::FieldLayout& field : description->FindRecord(record)->request)
                    if (!field.item.isEmpty() && !items.contains(field.item, Qt::CaseInsensitive))
                        items << field.item;
        }
        return items;
    }

    QString Shown(const QString& name) const
    {
        const applet::AppletItem* item = manager->Item(manager->HandleOf(name));
        return item ? applet::ItemValue::ToText(item->Type(), item->Value()) : QStringLiteral("<none>");
    }
    Values Project(const QStringList& names) const
    {
        Values values;
        for (const QString& name : names)
            values.insert(name, Shown(name));
        return values;
    }

    // The edits of the variant, each with a new value, packed into downloads
    // whose edits touch no item of another edit of the same download.
    QList<QList<Edit>> PlanDownloads(const QStringList& items, ValueChoice choose)
    {
        const auto description = manager->GetDescription();
        QList<QList<Edit>> downloads;
        QList<QSet<QString>> touched;
        for (const QString& name : items) {
            const applet::DescObject* object = description->FindObject(name);
            if (!object || object->scope != applet::ObjectScope::Device
                || std::any_of(std::begin(kDerived), std::end(kDerived),
                               [&](const auto& derived) { return name.compare(QLatin1String(derived.item), Qt::CaseInsensitive) == 0; })
                || std::any_of(std::begin(kFollowsAtUpload), std::end(kFollowsAtUpload),
                               [&](const auto& follower) { return name.compare(QLatin1String(follower.item), Qt::CaseInsensitive) == 0; })
                || (GetParam().revision < 20
                    && Listed(std::begin(kFixedByTheFlowBlockBelowRevision20), std::end(kFixedByTheFlowBlockBelowRevision20), name)))
                continue;
            if (choose == &AnotherFileValue
                && (Listed(std::begin(kSetAtEntry), std::end(kSetAtEntry), name)
                    || object->enumeration.contains(QLatin1String("Unit"))))
                continue;
            Edit edit{name, choose(*description, *object, Shown(name)), {name.toLower()}};
            if (edit.value.isEmpty() || edit.value == Shown(name)) {
                ADD_FAILURE() << name.toStdString() << ": no other valid value for a " << applet::ItemValue::TypeName(object->type).toStdString();
                continue;
            }
            for (const QString& companion : CompanionsOf(name))
                edit.footprint.insert(companion.toLower());
            int into = 0;
            while (into < downloads.size() && touched[into].intersects(edit.footprint))
                ++into;
            if (into == downloads.size()) {
                downloads.append(QList<Edit>());
                touched.append(QSet<QString>());
            }
            downloads[into].append(edit);
            touched[into].unite(edit.footprint);
        }
        // A block's mode decides which rules hold (the flow block's copies
        // and forced units hold in automatic mode only): the modes are
        // edited in a download of their own after every other edit.
        QList<Edit> modes;
        for (QList<Edit>& download : downloads)
            for (auto it = download.begin(); it != download.end();)
                if (it->item.endsWith(QLatin1String("ModeBlkTarget"), Qt::CaseInsensitive)
                    || it->item.endsWith(QLatin1String("ModeBlkPermitted"), Qt::CaseInsensitive)) {
                    modes.append(*it);
                    it = download.erase(it);
                } else {
                    ++it;
                }
        downloads.removeIf([](const QList<Edit>& download) { return download.isEmpty(); });
        if (!modes.isEmpty())
            downloads.append(modes);
        std::cout << GetParam().name << ": " << items.size() << " items in " << downloads.size() << " downloads\n";
        return downloads;
    }

    // A new project on the same device, its dataset uploaded.
    void UploadIntoANewProject(int number)
    {
        CloseProject();
        frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project%1").arg(number)),
                                                        QStringLiteral(TRIVEX_SCHEMA_DIR));
        OpenProject(GetParam());
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(Upload(QStringLiteral("U%1").arg(number)))
            << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_TRUE(Unlocked());
    }

    // The project was opened again by a new DTM.
    bool m_reopened = false;

    // The variant's device, older ones busy while they save, read into the
    // first project; its configuration.
    void StartAndUpload(QStringList& configuration)
    {
        Start(GetParam());
        if (HasFatalFailure())
            return;
        transfertest::HoldTheProcessWithAShortSave(device);
        ASSERT_TRUE(Upload(QStringLiteral("U1")));
        ASSERT_TRUE(Unlocked());
        configuration = Configuration();
        ASSERT_GT(configuration.size(), 50);
    }

    // After an upload: the configuration, what the download writes and the upload reads.
    QStringList Configuration() const
    {
        const QSet<QString> read = ReadItems();
        QStringList items;
        for (const QString& name : WrittenItems())
            if (read.contains(name))
                items << name;
        return items;
    }

    // Edits that changed what no rule changes with them.
    static bool IsDerived(const QString& name)
    {
        return std::any_of(std::begin(kDerived), std::end(kDerived), [&](const auto& derived) {
            return name.compare(QLatin1String(derived.item), Qt::CaseInsensitive) == 0;
        });
    }

    // Edits that changed what no rule changes with them. A reopened project
    // takes the frame's tag and descriptor again, which rules set from the
    // frame's: the items set from other values are left out then.
    void ExpectOnlyTheFootprintChanged(const QString& what, const Values& was, const Values& is,
                                       const QSet<QString>& footprint) const
    {
        for (auto it = is.begin(); it != is.end(); ++it)
            if (it.value() != was.value(it.key()) && !footprint.contains(it.key().toLower())
                && !(m_reopened && IsDerived(it.key())))
                ADD_FAILURE() << what.toStdString() << " changed " << it.key().toStdString() << " too: "
                              << was.value(it.key()).toStdString() << " -> " << it.value().toStdString();
    }

    // The edited project downloaded and a new project uploaded (number names
    // both), which holds what the edited project held.
    void DownloadAndReadBack(int number, const QList<Edit>& edits, const QStringList& compared, const Values& before,
                             const Values& edited, const QSet<QString>& expected)
    {
        ASSERT_TRUE(Download(QStringLiteral("D%1").arg(number - 1))) << Chain()->FailureReason().toStdString();
        ASSERT_TRUE(Unlocked());
        UploadIntoANewProject(number);
        if (HasFatalFailure())
            return;
        ExpectTheNewProject(edits, compared, before, edited, expected);
    }

    // The edits of one download reached the device: a new project reads
    // what the edited project held (before: the project before the edits).
    void ExpectTheNewProject(const QList<Edit>& edits, const QStringList& compared, const Values& before,
                             const Values& edited, const QSet<QString>& expected)
    {
        const Values uploaded = Project(compared);
        for (const QString& name : compared) {
            // A reopened project takes the frame's tag and descriptor again.
            if (m_reopened && IsDerived(name))
                continue;
            const auto follower = std::find_if(std::begin(kFollowsAtUpload), std::end(kFollowsAtUpload), [&](const auto& f) {
                return name.compare(QLatin1String(f.item), Qt::CaseInsensitive) == 0;
            });
            if (follower != std::end(kFollowsAtUpload)) {
                const QString source = QLatin1String(follower->source);
                if (follower->fixedUnitBelow21 && GetParam().revision < 21) {
                    // Held in bar or degrees Celsius: it changes only with its source.
                    if (!SameValue(uploaded.value(name), edited.value(name)) && SameValue(uploaded.value(source), before.value(source))
                        && !OpenAtTheSensorLimit(name, GetParam().revision))
                        ADD_FAILURE() << name.toStdString() << " changed from " << edited.value(name).toStdString() << " to "
                                      << uploaded.value(name).toStdString() << " while " << follower->source << " stayed "
                                      << before.value(source).toStdString() << " (" << follower->rule << ")";
                } else if (!SameValue(uploaded.value(name), uploaded.value(source)) && !OpenAtTheSensorLimit(name, GetParam().revision)) {
                    ADD_FAILURE() << name.toStdString() << " holds " << uploaded.value(name).toStdString() << ", "
                                  << follower->source << " " << uploaded.value(source).toStdString() << " (" << follower->rule << ")";
                }
                continue;
            }
            const auto set = std::find_if(std::begin(kSetAtUploadAfterAnEdit), std::end(kSetAtUploadAfterAnEdit),
                                          [&](const auto& rule) { return name.compare(QLatin1String(rule.item), Qt::CaseInsensitive) == 0; });
            if (set != std::end(kSetAtUploadAfterAnEdit) && edited.value(name) == QLatin1String(set->from)
                && std::any_of(edits.begin(), edits.end(), [&](const Edit& edit) {
                       return edit.item.compare(QLatin1String(set->edited), Qt::CaseInsensitive) == 0;
                   })) {
                EXPECT_EQ(uploaded.value(name), QLatin1String(set->to))
                    << name.toStdString() << " after the edit of " << set->edited << " (" << set->rule << ")";
                continue;
            }
            if (SameValue(uploaded.value(name), edited.value(name)))
                continue;
            const std::string what = name.toStdString() + ": project " + before.value(name).toStdString() + ", edited "
                                     + edited.value(name).toStdString() + ", new project " + uploaded.value(name).toStdString()
                                     + (expected.contains(name.toLower()) ? "" : " (not edited)");
            if (OpenAtTheSensorLimit(name, GetParam().revision))
                std::cout << "open, not counted: " << what << '\n';
            else
                ADD_FAILURE() << what;
        }
    }
};

TEST_P(EveryWritableItem, EditedAsAUserEditsItReachesTheDeviceAndANewProjectWithNothingElseChanged)
{
    QStringList items;
    StartAndUpload(items);
    if (HasFatalFailure())
        return;
    const QStringList compared = items;

    // What is read from the device and written back unchanged leaves it as
    // it was, to the last bit of every value.
    const auto deviceValues = [&] {
        QMap<QString, QVariant> values;
        for (const QString& name : compared)
            if (!std::any_of(std::begin(kDerived), std::end(kDerived), [&](const auto& derived) {
                    return name.compare(QLatin1String(derived.item), Qt::CaseInsensitive) == 0;
                }))
                values.insert(name, device.transmitter().parameters().value(name));
        return values;
    };
    const QMap<QString, QVariant> asRead = deviceValues();
    ASSERT_TRUE(Download(QStringLiteral("D0"))) << frame->Events().Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(Unlocked());
    const QMap<QString, QVariant> writtenBack = deviceValues();
    for (auto it = asRead.begin(); it != asRead.end(); ++it)
        EXPECT_EQ(writtenBack.value(it.key()), it.value())
            << it.key().toStdString() << " written back unchanged became " << writtenBack.value(it.key()).toString().toStdString()
            << " (it was " << it.value().toString().toStdString() << ")";

    const QList<QList<Edit>> downloads = PlanDownloads(items, &AnotherValue);
    int number = 1;
    for (const QList<Edit>& edits : downloads) {
        ++number;
        SCOPED_TRACE(QStringLiteral("download %1").arg(number - 1).toStdString());
        const Values before = Project(compared);
        QSet<QString> expected;
        for (Edit edit : edits) {
            const Values was = Project(compared);
            // The value is chosen now, in the units the earlier downloads left.
            edit.value = AnotherValue(*manager->GetDescription(), *manager->GetDescription()->FindObject(edit.item),
                                      was.value(edit.item));
            Put(edit.item, edit.value);
            const Values is = Project(compared);
            if (!SameValue(is.value(edit.item), edit.value)) {
                const std::string what = edit.item.toStdString() + " did not take the edit to " + edit.value.toStdString()
                                         + ": it holds " + is.value(edit.item).toStdString() + " (it held "
                                         + was.value(edit.item).toStdString() + ")";
                if (OpenAtTheSensorLimit(edit.item, GetParam().revision))
                    std::cout << "open, not counted: " << what << '\n';
                else
                    ADD_FAILURE() << what;
            }
            ExpectOnlyTheFootprintChanged(QStringLiteral("editing %1 to %2").arg(edit.item, edit.value), was, is,
                                          edit.footprint);
            expected.unite(edit.footprint);
        }
        const Values edited = Project(compared);
        DownloadAndReadBack(number, edits, compared, before, edited, expected);
        if (HasFatalFailure())
            return;
    }
}

// Each edit made in the stored project document, as another tool or a hand
// edit makes it, with values of other kinds than a page's edits take: the
// project a new DTM opens holds it (and what the rules derive from it), the
// download sends it, and a new project reads it back.
TEST_P(EveryWritableItem, EditedInTheStoredProjectReachesTheDeviceAndANewProjectWithNothingElseChanged)
{
    QStringList compared;
    StartAndUpload(compared);
    if (HasFatalFailure())
        return;
    const QList<QList<Edit>> downloads = PlanDownloads(compared, &AnotherFileValue);
    int number = 1;
    for (const QList<Edit>& planned : downloads) {
        ++number;
        SCOPED_TRACE(QStringLiteral("download %1").arg(number - 1).toStdString());
        const Values before = Project(compared);
        ASSERT_TRUE(frame->SaveInstance(dtmtest::kTag)) << frame->LastError().toStdString();
        const QString path = frame->Project().InstanceFile(dtmtest::kTag);
        QString text = QString::fromUtf8(StoredInstance());
        QList<Edit> edits;
        QSet<QString> expected;
        for (Edit edit : planned) {
            edit.value = AnotherFileValue(*manager->GetDescription(), *manager->GetDescription()->FindObject(edit.item),
                                          before.value(edit.item));
            text = Edited(text, kProjectValue, edit.item, edit.value);
            expected.unite(edit.footprint);
            edits << edit;
        }
        const QString project = QFileInfo(frame->Project().Path()).fileName();
        CloseProject();
        WriteFile(path, text);
        Reopen(project);
        ASSERT_FALSE(HasFatalFailure());
        m_reopened = true;
        const Values edited = Project(compared);
        for (const Edit& edit : edits)
            if (!SameValue(edited.value(edit.item), edit.value))
                ADD_FAILURE() << edit.item.toStdString() << " was loaded as " << edited.value(edit.item).toStdString()
                              << ", the file holds " << edit.value.toStdString();
        ExpectOnlyTheFootprintChanged(QStringLiteral("the file's edits"), before, edited, expected);
        DownloadAndReadBack(number, edits, compared, before, edited, expected);
        if (HasFatalFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, EveryWritableItem, ::testing::ValuesIn(kWalkVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

} // namespace
