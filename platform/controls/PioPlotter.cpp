#include "platform/controls/PioPlotter.h"
#include "platform/applet/AppletTrace.h"
#include "platform/loop/TimerService.h"
#include <QPainter>
#include <QPainterPath>

namespace controls {

namespace {

constexpr int kMargin = 8;     // around the plot and the legend (pixels)
constexpr int kLegendGap = 16; // between two legend lines side by side

const std::array<QColor, PioPlotter::kChannels> kChannelColours{QColor(0, 90, 200), QColor(200, 40, 40),
                                                                 QColor(0, 150, 60), QColor(150, 80, 180)};

} // namespace

PioPlotter::PioPlotter(QWidget* parent) : PioDisplayControl(parent)
{
    for (Channel& channel : m_channels) {
        channel.value = AddBinding();
        channel.unit = AddBinding();
    }
    setMinimumSize(200, 120);
}

PioPlotter::Channel* PioPlotter::At(int channel)
{
    if (channel < 1 || channel > kChannels) {
        applet::AppletTrace::Error(QStringLiteral("%1: there is no channel %2").arg(objectName()).arg(channel));
        return nullptr;
    }
    return &m_channels[static_cast<size_t>(channel - 1)];
}

const PioPlotter::Channel* PioPlotter::At(int channel) const
{
    return channel < 1 || channel > kChannels ? nullptr : &m_channels[static_cast<size_t>(channel - 1)];
}

void PioPlotter::SetObjectNameMin(int channel, const QString& text)
{
    if (Channel* c = At(channel))
        c->scale.minimum = PioScale::ParseNumber(text, 0);
    update();
}

void PioPlotter::SetObjectNameMax(int channel, const QString& text)
{
    if (Channel* c = At(channel))
        c->scale.maximum = PioScale::ParseNumber(text, 100);
    update();
}

void PioPlotter::SetObjectNameUnit(int channel, const QString& name)
{
    if (Channel* c = At(channel))
        SetBindingName(c->unit, name);
}

void PioPlotter::SetObjectNameValue(int channel, const QString& name)
{
    Channel* c = At(channel);
    if (!c)
        return;
    // Another value starts a new curve.
    if (name.compare(BindingName(c->value), Qt::CaseInsensitive) != 0)
        c->points.clear();
    SetBindingName(c->value, name);
}

void PioPlotter::SetObjectCaption(int channel, const QString& caption)
{
    if (Channel* c = At(channel))
        c->caption = caption;
    update();
}

QString PioPlotter::ObjectNameValue(int channel) const
{
    const Channel* c = At(channel);
    return c ? BindingName(c->value) : QString();
}

QString PioPlotter::ObjectCaption(int channel) const
{
    const Channel* c = At(channel);
    return c ? c->caption : QString();
}

void PioPlotter::SetCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void PioPlotter::SetTimeSpanSeconds(int seconds)
{
    m_timeSpanSeconds = std::max(1, seconds);
    update();
}

QList<QPointF> PioPlotter::Points(int channel) const
{
    const Channel* c = At(channel);
    return c ? c->points : QList<QPointF>();
}

const PioScale& PioPlotter::Scale(int channel) const
{
    static const PioScale none;
    const Channel* c = At(channel);
    return c ? c->scale : none;
}

QString PioPlotter::LegendText(int channel) const
{
    const Channel* c = At(channel);
    if (!c || !IsBound(c->value))
        return c ? c->caption : QString();
    return QStringLiteral("%1: %2 %3").arg(c->caption, DisplayText(c->value), UnitText(c->unit)).trimmed();
}

bool PioPlotter::ApplyDisplayProperty(Property property, int channel, const QVariant& value)
{
    using Setter = void (PioPlotter::*)(int, const QString&);
    struct Row {
        Property property;
        Setter set;
    };
    static constexpr Row kIndexed[] = {
        {Property::ObjectNameMin, &PioPlotter::SetObjectNameMin},
        {Property::ObjectNameMax, &PioPlotter::SetObjectNameMax},
        {Property::ObjectNameUnit, &PioPlotter::SetObjectNameUnit},
        {Property::ObjectNameValue, &PioPlotter::SetObjectNameValue},
        {Property::objectcaption, &PioPlotter::SetObjectCaption},
    };
    for (const Row& row : kIndexed) {
        if (row.property != property)
            continue;
        if (channel < 1 || channel > kChannels)
            RaiseRefused(kErrSubscriptOutOfRange, QStringLiteral("there is no channel %1").arg(channel));
        (this->*row.set)(channel, value.toString());
        return true;
    }
    return false;
}

void PioPlotter::Clear()
{
    for (Channel& channel : m_channels)
        channel.points.clear();
    update();
}

void PioPlotter::Sample(Channel& channel)
{
    double value = 0;
    if (!ReadNumber(channel.value, value))
        return;
    const double now = static_cast<double>(loop::TimerService::instance().NowMs());
    if (!channel.points.isEmpty() && channel.points.last().x() == now)
        channel.points.last().setY(value);
    else
        channel.points.append(QPointF(now, value));
    while (channel.points.size() > kMaxPoints)
        channel.points.removeFirst();
}

void PioPlotter::ShowItems()
{
    for (Channel& channel : m_channels)
        if (IsBound(channel.value))
            Sample(channel);
    update();
}

void PioPlotter::ItemChanged(int binding)
{
    for (Channel& channel : m_channels)
        if (channel.value == binding)
            Sample(channel);
    update();
}

QList<PioPlotter::LegendPlace> PioPlotter::LegendPlaces() const
{
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    const int room = width() - 2 * kMargin;
    QList<int> shown;
    int widest = 0;
    for (int channel = 1; channel <= kChannels; ++channel) {
        const QString text = LegendText(channel);
        if (text.isEmpty())
            continue;
        shown.append(channel);
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    const int columns = shown.size() > 1 && 2 * widest + kLegendGap <= room ? 2 : 1;
    const int rows = static_cast<int>((shown.size() + columns - 1) / columns);
    const int columnWidth = columns == 2 ? (room - kLegendGap) / 2 : room;
    const int top = height() - kMargin - rows * line;
    QList<LegendPlace> places;
    for (qsizetype k = 0; k < shown.size(); ++k) {
        const int column = static_cast<int>(k % columns);
        const int row = static_cast<int>(k / columns);
        places.append({shown[k], QRect(kMargin + column * (columnWidth + kLegendGap), top + row * line, columnWidth, line)});
    }
    return places;
}

void PioPlotter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().window());
    const int line = painter.fontMetrics().height();
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(6, 2, width() - 12, line), Qt::AlignLeft, m_caption);
    const QList<LegendPlace> legend = LegendPlaces();
    const int legendTop = legend.isEmpty() ? height() - kMargin : legend.front().place.top();
    const QRect plot(kMargin, line + 6, width() - 2 * kMargin, std::max(20, legendTop - 4 - (line + 6)));
    painter.fillRect(plot, Qt::white);
    painter.setPen(QColor(220, 220, 220));
    for (int i = 1; i < 10; ++i) {
        const int y = plot.top() + plot.height() * i / 10;
        painter.drawLine(plot.left(), y, plot.right(), y);
    }
    painter.setPen(Qt::black);
    painter.drawRect(plot);
    const double end = static_cast<double>(loop::TimerService::instance().NowMs());
    const double span = m_timeSpanSeconds * 1000.0;
    for (int i = 0; i < kChannels; ++i) {
        const Channel& channel = m_channels[static_cast<size_t>(i)];
        QPainterPath path;
        bool started = false;
        for (const QPointF& point : channel.points) {
            if (point.x() < end - span)
                continue;
            const QPointF at(plot.left() + plot.width() * (1.0 - (end - point.x()) / span),
                             plot.bottom() - plot.height() * channel.scale.Fraction(point.y()));
            if (started)
                path.lineTo(at);
            else
                path.moveTo(at);
            started = true;
        }
        painter.setPen(QPen(kChannelColours[static_cast<size_t>(i)], 2));
        painter.drawPath(path);
    }
    // A line longer than the whole width loses its end visibly rather than unseen.
    for (const LegendPlace& entry : legend) {
        painter.setPen(QPen(kChannelColours[static_cast<size_t>(entry.channel - 1)], 2));
        painter.drawText(entry.place, Qt::AlignLeft,
                         painter.fontMetrics().elidedText(LegendText(entry.channel), Qt::ElideRight, entry.place.width()));
    }
}

} // namespace controls
