#include "platform/controls/PioBarGraph.h"
#include <QPainter>

namespace controls {

namespace {

// Warning limits yellow, alarm limits red, in the order of PioBarGraph::Limit.
const std::array<QColor, 4> kLimitColours{QColor(230, 180, 0), QColor(230, 180, 0), QColor(210, 0, 0),
                                          QColor(210, 0, 0)};

} // namespace

PioBarGraph::PioBarGraph(QWidget* parent) : PioDisplayControl(parent), m_value(AddBinding()), m_unit(AddBinding())
{
    for (int& limit : m_limits)
        limit = AddBinding();
    setMinimumSize(120, 60);
}

void PioBarGraph::SetObjectNameMin(const QString& text)
{
    m_minText = text;
    m_scale.minimum = PioScale::ParseNumber(text, 0);
    update();
}

void PioBarGraph::SetObjectNameMax(const QString& text)
{
    m_maxText = text;
    m_scale.maximum = PioScale::ParseNumber(text, 100);
    update();
}

void PioBarGraph::SetLargeStep(float step)
{
    m_scale.largeStep = step;
    update();
}

void PioBarGraph::SetSmallStep(float step)
{
    m_scale.smallStep = step;
    update();
}

void PioBarGraph::SetCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

bool PioBarGraph::ApplyDisplayProperty(Property property, const QVariant& value)
{
    switch (property) {
    case Property::ObjectNameMin:
        SetObjectNameMin(value.toString());
        return true;
    case Property::ObjectNameMax:
        SetObjectNameMax(value.toString());
        return true;
    case Property::ObjectNameLoLim:
        SetObjectNameLoLim(value.toString());
        return true;
    case Property::ObjectNameHiLim:
        SetObjectNameHiLim(value.toString());
        return true;
    case Property::ObjectNameLoLoLim:
        SetObjectNameLoLoLim(value.toString());
        return true;
    case Property::ObjectNameHiHiLim:
        SetObjectNameHiHiLim(value.toString());
        return true;
    case Property::LargeStep:
        SetLargeStep(value.toFloat());
        return true;
    case Property::SmallStep:
        SetSmallStep(value.toFloat());
        return true;
    case Property::ObjectNameUnit:
        SetObjectNameUnit(value.toString());
        return true;
    case Property::ObjectNameValue:
        SetObjectNameValue(value.toString());
        return true;
    default:
        return PioDisplayControl::ApplyDisplayProperty(property, value);
    }
}

void PioBarGraph::ShowItems()
{
    double value = 0;
    m_shownValue.reset();
    m_valueText.clear();
    if (ReadNumber(m_value, value)) {
        m_shownValue = value;
        m_valueText = (DisplayText(m_value) + QLatin1Char(' ') + UnitText(m_unit)).trimmed();
    }
    for (size_t i = 0; i < m_limits.size(); ++i) {
        double limit = 0;
        m_limitValues[i] = ReadNumber(m_limits[i], limit) ? std::optional<double>(limit) : std::nullopt;
    }
    update();
}

void PioBarGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height();
    // Caption and value above, the bar in the middle, the scale below.
    const QRect textRow(6, 2, width() - 12, line);
    painter.setPen(palette().windowText().color());
    painter.drawText(textRow, Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    painter.drawText(textRow, Qt::AlignRight | Qt::AlignVCenter, m_valueText.isEmpty() ? QStringLiteral("---")
                                                                                      : m_valueText);
    const QRect bar(10, textRow.bottom() + 6, width() - 20, std::max(10, height() - 2 * line - 24));
    painter.fillRect(bar, Qt::white);
    if (m_shownValue) {
        QRect filled = bar.adjusted(1, 1, -1, -1);
        filled.setWidth(static_cast<int>(filled.width() * m_scale.Fraction(*m_shownValue)));
        painter.fillRect(filled, QColor(0, 90, 200));
    }
    painter.setPen(Qt::black);
    painter.drawRect(bar);
    for (size_t i = 0; i < m_limitValues.size(); ++i) {
        if (!m_limitValues[i])
            continue;
        const int x = bar.left() + static_cast<int>(bar.width() * m_scale.Fraction(*m_limitValues[i]));
        painter.setPen(QPen(kLimitColours[i], 3));
        painter.drawLine(x, bar.top() - 3, x, bar.bottom() + 3);
    }
    painter.setPen(Qt::black);
    for (const bool large : {false, true})
        for (const double tick : m_scale.Ticks(large)) {
            const int x = bar.left() + static_cast<int>(bar.width() * m_scale.Fraction(tick));
            painter.drawLine(x, bar.bottom() + 1, x, bar.bottom() + (large ? 7 : 4));
        }
    const QRect scaleRow(bar.left(), bar.bottom() + 8, bar.width(), line);
    painter.drawText(scaleRow, Qt::AlignLeft, FormatNumber(m_scale.minimum, MaxDigits(), DecimalPlaces(), UserCountryCode()));
    painter.drawText(scaleRow, Qt::AlignRight, FormatNumber(m_scale.maximum, MaxDigits(), DecimalPlaces(), UserCountryCode()));
}

} // namespace controls
