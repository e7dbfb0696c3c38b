#include "merrow/pages/frmBusparameter.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/Twips.h"
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

// The three bus parameters: control, item, caption text id, unit (none: hidden), width of the value (twips).
struct BusParameter {
    const char* control;
    const char* item;
    int16_t textId;
    const char* unit;
    int valueWidth;
};
constexpr BusParameter kBaudRate = {"PioLabelComboUnit1", "pidPvScaleDecimal", 2610, nullptr, 2065};
constexpr BusParameter kFields[] = {
    {"PioLabelTextUnit1(0)", "pidTrkScaleDecimal", 2612, "ms", 2035},
    {"PioLabelTextUnit1(1)", "pidOutScaleDecimal", 2611, nullptr, 2050},
};
constexpr int kValueLeft = 2000; // twips from the control's left edge

void Place(controls::PioFieldControl& control, const BusParameter& parameter)
{
    control.setObjectName(QLatin1String(parameter.control));
    control.setProperty("Tag", QString::number(parameter.textId));
    control.SetUnitVisible(parameter.unit != nullptr);
    if (parameter.unit)
        control.SetUnitText(QLatin1String(parameter.unit));
    if (QWidget* caption = control.CaptionLabel())
        caption->setMinimumWidth(controls::Twips::ToPixels(kValueLeft));
    QWidget* value = control.EntryList() ? static_cast<QWidget*>(control.EntryList()) : control.ValueField();
    if (value)
        value->setMinimumWidth(controls::Twips::ToPixels(parameter.valueWidth));
}

} // namespace

frmBusparameter::frmBusparameter() : PioPage(QStringLiteral("frmBusparameter"), false, false)
{
    setProperty("Tag", QStringLiteral("2609"));
    setWindowTitle(QStringLiteral("Busparameter"));
    m_stack = new QStackedLayout(this);
    m_controls = new QWidget(this);
    auto* column = new QVBoxLayout(m_controls);
    auto* baud = new controls::PioLabelComboUnit(m_controls);
    baud->SetObjectNameCombo(QLatin1String(kBaudRate.item));
    Place(*baud, kBaudRate);
    column->addWidget(baud);
    for (const BusParameter& parameter : kFields) {
        auto* field = new controls::PioLabelTextUnit(m_controls);
        field->SetObjectNameText(QLatin1String(parameter.item));
        Place(*field, parameter);
        column->addWidget(field);
    }
    column->addStretch(1);
    m_fraHide = new QFrame(this);
    m_fraHide->setObjectName(QStringLiteral("fraHide"));
    m_stack->addWidget(m_controls);
    m_stack->addWidget(m_fraHide);
    m_stack->setCurrentWidget(m_fraHide);
}

bool frmBusparameter::Covered() const
{
    return m_stack->currentWidget() == m_fraHide;
}

void frmBusparameter::OnFirstActivation()
{
    m_stack->setCurrentWidget(m_controls);
}

void frmBusparameter::OnUnload()
{
    m_stack->setCurrentWidget(m_fraHide);
}
