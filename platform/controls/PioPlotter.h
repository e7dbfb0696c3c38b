#pragma once
// The trend plotter: up to four channels (numbered 1 to 4), each the value of
// its ObjectNameValue over time, drawn against its own scale from
// ObjectNameMin to ObjectNameMax, with its caption (objectcaption) and its
// value and unit (ObjectNameUnit) in the legend. Every change of a channel's
// value adds a point at the timer service's time; the plot shows the last
// TimeSpanSeconds. Painted with QPainter.
#include "platform/controls/PioDisplayControl.h"
#include "platform/controls/PioScale.h"
#include <QList>
#include <QPointF>
#include <QRect>
#include <array>

namespace controls {

class PioPlotter : public PioDisplayControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int TimeSpanSeconds READ TimeSpanSeconds WRITE SetTimeSpanSeconds)
public:
    static inline const QString kProgId = QStringLiteral("PioPlot.PioPlotter");
    static constexpr int kChannels = 4;
    // Points kept per channel; older ones are dropped.
    static constexpr int kMaxPoints = 2000;

    explicit PioPlotter(QWidget* parent = nullptr);

    // The indexed item-name properties; a channel outside 1 to 4 is traced and ignored.
    Q_INVOKABLE void SetObjectNameMin(int channel, const QString& text);
    Q_INVOKABLE void SetObjectNameMax(int channel, const QString& text);
    Q_INVOKABLE void SetObjectNameUnit(int channel, const QString& name);
    Q_INVOKABLE void SetObjectNameValue(int channel, const QString& name);
    Q_INVOKABLE void SetObjectCaption(int channel, const QString& caption);
    QString ObjectNameValue(int channel) const;
    QString ObjectCaption(int channel) const;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    int TimeSpanSeconds() const { return m_timeSpanSeconds; }
    void SetTimeSpanSeconds(int seconds);

    // The channel's points: x the time in ms, y the value.
    QList<QPointF> Points(int channel) const;
    const PioScale& Scale(int channel) const;
    // The legend line of the channel: caption, value and unit.
    QString LegendText(int channel) const;
    // Where the legend lines stand: beside each other while the longest fits
    // half the width, else one below the other; a line without text has none.
    struct LegendPlace {
        int channel;
        QRect place;
    };
    QList<LegendPlace> LegendPlaces() const;
    // Forgets every point.
    void Clear();

    QSize sizeHint() const override { return {420, 220}; }

protected:
    void ShowItems() override;
    // The indexed form of the display protocol, the channel as index; the
    // plain form carries only the number format.
    bool ApplyDisplayProperty(Property property, int channel, const QVariant& value) override;
    using PioDisplayControl::ApplyDisplayProperty;
    void ItemChanged(int binding) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Channel {
        int value = -1;
        int unit = -1;
        PioScale scale;
        QString caption;
        QList<QPointF> points;
    };
    Channel* At(int channel);
    const Channel* At(int channel) const;
    void Sample(Channel& channel);

    std::array<Channel, kChannels> m_channels;
    QString m_caption;
    int m_timeSpanSeconds = 60;
};

} // namespace controls
