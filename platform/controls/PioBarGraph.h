#pragma once
// The bar graph of a measured value: the value of ObjectNameValue as a bar
// against the scale from ObjectNameMin to ObjectNameMax, with the warning
// limits (ObjectNameLoLim, ObjectNameHiLim) and alarm limits
// (ObjectNameLoLoLim, ObjectNameHiHiLim) marked on it, and the value with the
// unit of ObjectNameUnit as text. Painted with QPainter.
#include "platform/controls/PioDisplayControl.h"
#include "platform/controls/PioScale.h"
#include <array>
#include <optional>

namespace controls {

class PioBarGraph : public PioDisplayControl {
    Q_OBJECT
    Q_PROPERTY(QString ObjectNameMin READ ObjectNameMin WRITE SetObjectNameMin)
    Q_PROPERTY(QString ObjectNameMax READ ObjectNameMax WRITE SetObjectNameMax)
    Q_PROPERTY(QString ObjectNameLoLim READ ObjectNameLoLim WRITE SetObjectNameLoLim)
    Q_PROPERTY(QString ObjectNameHiLim READ ObjectNameHiLim WRITE SetObjectNameHiLim)
    Q_PROPERTY(QString ObjectNameLoLoLim READ ObjectNameLoLoLim WRITE SetObjectNameLoLoLim)
    Q_PROPERTY(QString ObjectNameHiHiLim READ ObjectNameHiHiLim WRITE SetObjectNameHiHiLim)
    Q_PROPERTY(QString ObjectNameUnit READ ObjectNameUnit WRITE SetObjectNameUnit)
    Q_PROPERTY(QString ObjectNameValue READ ObjectNameValue WRITE SetObjectNameValue)
    Q_PROPERTY(float LargeStep READ LargeStep WRITE SetLargeStep)
    Q_PROPERTY(float SmallStep READ SmallStep WRITE SetSmallStep)
    Q_PROPERTY(int MaxDigits READ MaxDigitsProperty WRITE SetMaxDigitsProperty)
    Q_PROPERTY(int DecimalPlaces READ DecimalPlacesProperty WRITE SetDecimalPlacesProperty)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    static inline const QString kProgId = QStringLiteral("PioBarGrph.PioBarGraph");

    // The limits in the order of their properties.
    enum Limit { LoLim, HiLim, LoLoLim, HiHiLim };

    explicit PioBarGraph(QWidget* parent = nullptr);

    QString ObjectNameMin() const { return m_minText; }
    void SetObjectNameMin(const QString& text);
    QString ObjectNameMax() const { return m_maxText; }
    void SetObjectNameMax(const QString& text);
    QString ObjectNameLoLim() const { return BindingName(m_limits[LoLim]); }
    void SetObjectNameLoLim(const QString& name) { SetBindingName(m_limits[LoLim], name); }
    QString ObjectNameHiLim() const { return BindingName(m_limits[HiLim]); }
    void SetObjectNameHiLim(const QString& name) { SetBindingName(m_limits[HiLim], name); }
    QString ObjectNameLoLoLim() const { return BindingName(m_limits[LoLoLim]); }
    void SetObjectNameLoLoLim(const QString& name) { SetBindingName(m_limits[LoLoLim], name); }
    QString ObjectNameHiHiLim() const { return BindingName(m_limits[HiHiLim]); }
    void SetObjectNameHiHiLim(const QString& name) { SetBindingName(m_limits[HiHiLim], name); }
    QString ObjectNameUnit() const { return BindingName(m_unit); }
    void SetObjectNameUnit(const QString& name) { SetBindingName(m_unit, name); }
    QString ObjectNameValue() const { return BindingName(m_value); }
    void SetObjectNameValue(const QString& name) { SetBindingName(m_value, name); }
    float LargeStep() const { return static_cast<float>(m_scale.largeStep); }
    void SetLargeStep(float step);
    float SmallStep() const { return static_cast<float>(m_scale.smallStep); }
    void SetSmallStep(float step);
    int MaxDigitsProperty() const { return MaxDigits(); }
    void SetMaxDigitsProperty(int digits) { SetMaxDigits(static_cast<int16_t>(digits)); }
    int DecimalPlacesProperty() const { return DecimalPlaces(); }
    void SetDecimalPlacesProperty(int places) { SetDecimalPlaces(static_cast<int16_t>(places)); }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

    // What is shown: the value (none while unbound or unreadable), its text
    // with the unit, the scale and each limit that is bound.
    std::optional<double> Value() const { return m_shownValue; }
    QString ValueText() const { return m_valueText; }
    const PioScale& Scale() const { return m_scale; }
    std::optional<double> LimitValue(Limit limit) const { return m_limitValues[limit]; }

    QSize sizeHint() const override { return {260, 90}; }

protected:
    void ShowItems() override;
    // The plain form of the display protocol.
    bool ApplyDisplayProperty(Property property, const QVariant& value) override;
    using PioDisplayControl::ApplyDisplayProperty;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value;
    int m_unit;
    std::array<int, 4> m_limits{};
    QString m_minText;
    QString m_maxText;
    QString m_caption;
    PioScale m_scale;
    std::optional<double> m_shownValue;
    QString m_valueText;
    std::array<std::optional<double>, 4> m_limitValues{};
};

} // namespace controls
