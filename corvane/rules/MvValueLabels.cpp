#include "corvane/rules/MvValueLabels.h"
#include "corvane/rules/Module1.h"
#include <QRegularExpression>

namespace MvValueLabels {

namespace {

struct LabelRow {
    const char* item;    // compared without regard to case
    const char* english; // a table's label takes the point's number as %1
    const char* german;
    bool table;          // the item is a table's family name, numbered from 1
};

constexpr LabelRow kLabels[] = {
    {"mvReserved5", "Tube diameter", "Rohrinnendurchmesser", false},
    {"mvBeta", "Diameter ratio", "Durchmesserverhältnis", false},
    {"mvReDr", "Reference Reynolds number", "Referenz-Reynoldszahl", false},
    {"mvdpr", "Reference differential pressure", "Referenz-Differenzdruck", false},
    {"mvPr", "Reference pressure", "Referenzdruck", false},
    {"mvTr", "Reference temperature", "Referenztemperatur", false},
    {"mvRhor", "Reference density", "Referenzdichte", false},
    {"mvRhonorm", "Density at standard conditions", "Normdichte", false},
    {"mvKapa", "Isentropic exponent", "Isentropenexponent", false},
    {"mvKQCL", "Design flow in percent of the full-scale flow", "Auslegungsdurchfluss in Prozent des Endwerts",
     false},
    {"mvOutMassFlowMaxValue", "Flow output maximum", "Endwert des Durchflussausgangs", false},
    {"mvInDpLoLim", "Differential pressure input lower limit", "Untere Grenze des Differenzdruckeingangs", false},
    {"mvInDpHiLim", "Differential pressure input upper limit", "Obere Grenze des Differenzdruckeingangs", false},
    {"mvInPLoLim", "Static pressure input lower limit", "Untere Grenze des Statikdruckeingangs", false},
    {"mvInPHiLim", "Static pressure input upper limit", "Obere Grenze des Statikdruckeingangs", false},
    {"MvInTLoLIm", "Temperature input lower limit", "Untere Grenze des Temperatureingangs", false},
    {"mvInTHiLim", "Temperature input upper limit", "Obere Grenze des Temperatureingangs", false},
    {"mvH0", "Primary element material", "Werkstoff des Wirkdruckgebers", false},
    {"mvMolCO2", "Tube material", "Rohrwerkstoff", false},
    {"mvT", "Temperature point %1", "Temperaturstützpunkt %1", true},
    {"mvRho", "Density point %1", "Dichtestützpunkt %1", true},
    {"mvPkb", "Pressure point %1", "Druckstützpunkt %1", true},
    {"mvTkb", "Temperature point %1 of the compressibility table",
     "Temperaturstützpunkt %1 der Kompressibilitätstabelle", true},
    {"mvZkb", "Compressibility point %1", "Kompressibilitätsstützpunkt %1", true},
};

const LabelRow* Find(const QString& name, bool table)
{
    for (const LabelRow& row : kLabels)
        if (row.table == table && name.compare(QLatin1String(row.item), Qt::CaseInsensitive) == 0)
            return &row;
    return nullptr;
}

QString TextOf(const LabelRow& row, int16_t countryCode)
{
    return QString::fromUtf8(countryCode == Module1::kCountryGerman ? row.german : row.english);
}

} // namespace

QString Label(const QString& itemName, int16_t countryCode)
{
    if (const LabelRow* row = Find(itemName, false))
        return TextOf(*row, countryCode);
    static const QRegularExpression numbered(QStringLiteral("^(.*\\D)(\\d+)$"));
    const QRegularExpressionMatch match = numbered.match(itemName);
    if (match.hasMatch())
        if (const LabelRow* row = Find(match.captured(1), true))
            return TextOf(*row, countryCode).arg(match.captured(2));
    return itemName;
}

QString Labelled(const QString& text, int16_t countryCode)
{
    static const QRegularExpression name(QStringLiteral("\\b[mM][vV][A-Za-z0-9]+\\b"));
    QString result;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = name.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(from, match.capturedStart() - from) + Label(match.captured(), countryCode);
        from = match.capturedEnd();
    }
    return result + text.mid(from);
}

} // namespace MvValueLabels
