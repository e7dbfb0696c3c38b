#include "merrow/pages/frmMesswerte.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

using namespace pagecontrols;

namespace {

constexpr int kConnected = 2;
constexpr int kAutomatic = 8;
constexpr int16_t kSimulatedText = 2582; // "(simulated)"
constexpr int kTemperatureDefaultBit = 4;
constexpr int kRevision21 = 20; // revisions above this name their block values with "_21"

// The rows: label (name, text id, design text), value, unit and range items.
// Rows 0 and 1 have no lower limit and read it as 0.
struct Row {
    const char* label;
    int16_t textId;
    const char* design;
    const char* value;
    const char* unit;
    const char* loLim;
    const char* hiLim;
    int16_t decimals; // as designed, until a value arrives
};
constexpr Row kRowTable[frmMesswerte::kRows] = {
    {"Label1(0)", 2164, "Mass/Standardvolume Flow", "mvOutMassFlowValue", "mvOutMassFlowUnit", "",
     "mvOutMassFlowMaxValue", 3},
    {"Label1(1)", 2165, "Volume Flow", "mvOutVolFlowValue", "mvOutVolFlowUnit", "", "mvOutVolFlowMaxValue", 3},
    {"lblTemperature", 2166, "Temperature", "ttrbPrimaryValue", "ttrbPrimaryValueUnit", "ttrbPrimaryValueRange0",
     "ttrbPrimaryValueRange100", 1},
    {"lblDiffPressure", 2167, "Differential pressure", "ptrbSecondaryValue1", "ptrbScaleInUnit", "ptrbScaleIn0",
     "ptrbScaleIn100", 3},
    {"lblStaticPressure", 2168, "Static Pressure", "ptrbStaticPressureValue", "ptrbStaticPressureScaleInUnit",
     "ptrbStaticPressureScaleIn0", "ptrbStaticPressureScaleIn100", 3},
};

// The simulated values: the inputs of the flow calculation and the flows it
// puts out, each a row, its enable item control and item, the simulated value.
// The temperature comes first (the default input selection looks at it).
struct Input {
    int row;
    const char* control;
    const char* enabled;
    const char* simulated;
    const char* simulatedUnit;
};
constexpr Input kInputs[frmMesswerte::kSimulated] = {
    {2, "appMvInTSimulateEnabled", "MvInTSimulateEnabled", "mvInTSimulateValue", "mvInTUnit"},
    {3, "appMvInDpSimulateEnabled", "MvInDPSimulateEnabled", "mvInDPSimulateValue", "mvInDPUnit"},
    {4, "appMvInPSimulateEnabled", "MvInPSimulateEnabled", "mvInPSimulateValue", "mvInPUnit"},
    {0, "appMvOutMassFlowSimulateEnabled", "mvOutMassFlowSimulateEnabled", "mvOutMassFlowSimulateValue",
     "mvOutMassFlowUnit"},
    {1, "appMvOutVolFlowSimulateEnabled", "mvOutVolFlowSimulateEnabled", "mvOutVolFlowSimulateValue",
     "mvOutVolFlowUnit"},
};

int ToWhole(const QString& text)
{
    return static_cast<int>(std::lround(text.trimmed().toDouble()));
}

} // namespace

frmMesswerte::frmMesswerte() : PioPage(QStringLiteral("frmMesswerte"), false, false)
{
    setProperty("Tag", QStringLiteral("1038"));
    setWindowTitle(QStringLiteral("Meas. Value Overview"));
    auto* column = new QVBoxLayout(this);
    // Captions and values never share a pixel: the window is no smaller than its rows need.
    column->setSizeConstraint(QLayout::SetMinimumSize);
    auto* flow = new QGroupBox(this);
    flow->setObjectName(QStringLiteral("fraFlowValues"));
    auto* temperature = new QGroupBox(this);
    temperature->setObjectName(QStringLiteral("fraMvTempValue"));
    auto* pressures = new QWidget(this);
    const std::array<QWidget*, kRows> holders = {flow, flow, temperature, pressures, pressures};
    std::array<QGridLayout*, 3> grids = {new QGridLayout(flow), new QGridLayout(temperature), new QGridLayout(pressures)};
    for (QGridLayout* grid : grids)
        grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("-0000.000")));
    column->addWidget(flow);
    column->addWidget(temperature);
    column->addWidget(pressures);

    pioitems::Ambient::SetUserMode(this, false);
    for (int i = 0; i < kRows; ++i) {
        const Row& row = kRowTable[i];
        QWidget* holder = holders[static_cast<size_t>(i)];
        QGridLayout* grid = i < 2 ? grids[0] : i == 2 ? grids[1] : grids[2];
        const size_t n = static_cast<size_t>(i);
        m_rowLabel[n] = TaggedLabel(holder, QLatin1String(row.label), row.textId, QLatin1String(row.design));
        // Room for the longest caption with the simulation marker.
        m_rowLabel[n]->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Differential pressure (simulated)  ")));
        m_lblMeasValue[n] = new QLabel(holder);
        m_lblMeasValue[n]->setObjectName(QStringLiteral("lblMeasValue(%1)").arg(i));
        m_lblMeasValue[n]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_lblMeasValue[n]->setEnabled(false);
        m_lblUnit[n] = new QLabel(holder);
        m_lblUnit[n]->setObjectName(QStringLiteral("lblUnit(%1)").arg(i));
        const int line = grid->rowCount();
        grid->addWidget(m_rowLabel[n], line, 0);
        grid->addWidget(m_lblMeasValue[n], line, 1);
        grid->addWidget(m_lblUnit[n], line, 2);

        m_appMeasValue[n] = AppItem(this, QStringLiteral("appMeasValue(%1)").arg(i), QLatin1String(row.value));
        m_appMeasValue[n]->SetUpdateInterval(1);
        m_appMeasValue[n]->SetMaxDigits(kMaxDigits);
        m_appMeasValue[n]->SetDecimalPlaces(row.decimals);
        m_appMeasValueUnit[n] = AppItem(this, QStringLiteral("appMeasValueUnit(%1)").arg(i), QLatin1String(row.unit));
        m_appMvInLoLim[n] = AppItem(this, QStringLiteral("appMvInLoLim(%1)").arg(i), QLatin1String(row.loLim));
        m_appMvInHiLim[n] = AppItem(this, QStringLiteral("appMvInHiLim(%1)").arg(i), QLatin1String(row.hiLim));
        for (pioitems::PioAppItem* item : {m_appMeasValueUnit[n], m_appMvInLoLim[n], m_appMvInHiLim[n]}) {
            item->SetRegisterOnShadow(true);
            item->SetUpdateInterval(30);
        }
        connect(m_appMeasValue[n], &pioitems::PioAppItem::ValueChanged, this, [this, i] { appMeasValue_ValueChanged(i); });
        connect(m_appMeasValueUnit[n], &pioitems::PioAppItem::ValueChanged, this,
                [this, i] { appMeasValueUnit_ValueChanged(i); });
        // A new range changes the decimals of the value shown.
        for (pioitems::PioAppItem* limit : {m_appMvInLoLim[n], m_appMvInHiLim[n]})
            connect(limit, &pioitems::PioAppItem::ValueChanged, this, [this, i] {
                if (Registered())
                    appMeasValue_ValueChanged(i);
            });
    }
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    m_appMvDefaultInpSel = AppItem(this, QStringLiteral("appMvDefaultInpSel"), QStringLiteral("mvDefaultInpSel"));
    for (size_t k = 0; k < m_inputs.size(); ++k) {
        const Input& input = kInputs[k];
        auto* enabled = AppItem(this, QLatin1String(input.control), QLatin1String(input.enabled));
        enabled->SetUpdateInterval(1);
        m_inputs[k] = SimulatedInput{input.row, enabled, QLatin1String(input.simulated),
                                     QLatin1String(input.simulatedUnit), 0};
        connect(enabled, &pioitems::PioAppItem::ValueChanged, this,
                [this, k] { SimulateEnabled_ValueChanged(m_inputs[k]); });
    }
    pioitems::Ambient::SetUserMode(this, true);
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_appMvDefaultInpSel, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appMvDefaultInpSel_ValueChanged(); });
    connect(m_appMvModeBlkActual, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appMvModeBlkActual_ValueChanged(); });
}

int16_t frmMesswerte::DecimalsForSpan(float span)
{
    if (span == 0.0f || !std::isfinite(span))
        return 1;
    // A tiny span gives a quotient beyond every whole-number type; the
    // display shows no more digits than it has anyway.
    const double quotient = std::floor(1000.0 / static_cast<double>(span));
    if (!std::isfinite(quotient) || std::fabs(quotient) >= 1e7)
        return kMaxDigits;
    const QString text = QString::number(static_cast<qint64>(quotient));
    return static_cast<int16_t>(std::min<qsizetype>(text.size(), kMaxDigits));
}

void frmMesswerte::OnBeforeRegister()
{
    for (int row = 0; row < kRows; ++row)
        m_baseName[static_cast<size_t>(row)] = m_appMeasValue[static_cast<size_t>(row)]->AppItemName();
    const auto& info = global::gDeviceInfo;
    if (info && info->CommType() == enmCommType::HART && info->softwareRevision().trimmed().toDouble() > kRevision21) {
        for (int row = 2; row < kRows; ++row) {
            const size_t n = static_cast<size_t>(row);
            m_baseName[n] += QStringLiteral("_21");
            m_appMeasValue[n]->SetAppItemName(m_baseName[n]);
            m_appMeasValueUnit[n]->SetAppItemName(m_appMeasValueUnit[n]->AppItemName() + QStringLiteral("_21"));
        }
    }
    m_temperatureBaseName = m_appMeasValue[2]->AppItemName();
    for (int row = 0; row < kRows; ++row)
        m_baseUnit[static_cast<size_t>(row)] = m_appMeasValueUnit[static_cast<size_t>(row)]->AppItemName();
}

void frmMesswerte::appConnectionStatus_ValueChanged()
{
    const bool connected = ToWhole(m_appConnectionStatus->StringValue()) == kConnected;
    for (QLabel* label : m_lblMeasValue)
        label->setEnabled(connected);
}

void frmMesswerte::appMeasValue_ValueChanged(int index)
{
    const size_t n = static_cast<size_t>(index);
    // A limit without an item (the flows start at 0) reads 0.
    const auto limit = [](const pioitems::PioAppItem* item) {
        return item->AppItemName().isEmpty() ? 0.0f : item->FloatValue();
    };
    const float span = limit(m_appMvInHiLim[n]) - limit(m_appMvInLoLim[n]);
    m_appMeasValue[n]->SetDecimalPlaces(DecimalsForSpan(span));
    m_lblMeasValue[n]->setText(m_appMeasValue[n]->FloatValueFormatted());
}

void frmMesswerte::appMeasValueUnit_ValueChanged(int index)
{
    const QString unit = m_appMeasValueUnit[static_cast<size_t>(index)]->UnitSymbol();
    if (!unit.isEmpty())
        m_lblUnit[static_cast<size_t>(index)]->setText(unit);
}

void frmMesswerte::SimulateEnabled_ValueChanged(SimulatedInput& input)
{
    const int16_t state = static_cast<int16_t>(input.enabled->UIntValue());
    if (state == input.lastState)
        return;
    input.lastState = state;
    QLabel* label = m_rowLabel[static_cast<size_t>(input.row)];
    if (state == 1) {
        label->setText(label->text() + QLatin1Char(' ') + GetTextFromResource(kSimulatedText));
        Rebind(*m_appMeasValue[static_cast<size_t>(input.row)], input.simulatedItem);
        // The simulated value is in the multivariable block's unit: the row says so.
        Rebind(*m_appMeasValueUnit[static_cast<size_t>(input.row)], input.simulatedUnit);
    } else {
        label->setText(GetTextFromResource(static_cast<int16_t>(label->property("Tag").toInt())));
        Rebind(*m_appMeasValue[static_cast<size_t>(input.row)], m_baseName[static_cast<size_t>(input.row)]);
        Rebind(*m_appMeasValueUnit[static_cast<size_t>(input.row)], m_baseUnit[static_cast<size_t>(input.row)]);
    }
}

void frmMesswerte::appMvDefaultInpSel_ValueChanged()
{
    const int selection = ToWhole(m_appMvDefaultInpSel->StringValue());
    m_baseName[2] = (selection & kTemperatureDefaultBit) ? QStringLiteral("mvInTDefault") : m_temperatureBaseName;
    // While the temperature is simulated the row keeps the simulated value;
    // the new source applies when the simulation ends.
    if (static_cast<int>(m_inputs[0].enabled->UIntValue()) == 0)
        Rebind(*m_appMeasValue[2], m_baseName[2]);
}

void frmMesswerte::Rebind(pioitems::PioAppItem& control, const QString& item)
{
    control.SetAppItemName(item);
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    // A control already bound takes the new item now, also while the page
    // registers (the reactions of its registration come before the page
    // counts as registered); one not bound yet takes the name when the
    // page's registration reaches it.
    if (manager && control.IsRegistered())
        control.Register(manager); // shows the value anew
}

void frmMesswerte::OnFirstActivation()
{
    // The values registered before their limits: their decimals are taken anew.
    for (int i = 0; i < kRows; ++i)
        appMeasValue_ValueChanged(i);
}

void frmMesswerte::appMvModeBlkActual_ValueChanged()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    if (global::gDeviceInfo->MvActualBlockMode() != kAutomatic) {
        applet::AppletTrace::Info(QStringLiteral("frmMesswerte: the multivariable block left the automatic mode"));
        CloseLater();
    }
}

void frmMesswerte::OnUnload()
{
    global::ReleaseFrmMesswerte();
}
