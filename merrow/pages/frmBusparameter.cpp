#include "merrow/pages/frmBusparameter.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/Twips.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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
    QWidget* controlsParent = m_cover.Controls();
    auto* column = new QVBoxLayout(controlsParent);
    auto* baud = new controls::PioLabelComboUnit(controlsParent);
    baud->SetObjectNameCombo(QLatin1String(kBaudRate.item));
    Place(*baud, kBaudRate);
    column->addWidget(baud);
    for (const BusParameter& parameter : kFields) {
        auto* field = new controls::PioLabelTextUnit(controlsParent);
        field->SetObjectNameText(QLatin1String(parameter.item));
        Place(*field, parameter);
        column->addWidget(field);
    }
    column->addStretch(1);
}

void frmBusparameter::OnFirstActivation()
{
    m_cover.SetCovered(false);
}

void frmBusparameter::OnUnload()
{
    m_cover.SetCovered(true);
}
