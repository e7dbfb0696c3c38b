#include "merrow/pages/frmConfigFlow.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/controls/PioCombo.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioText.h"
#include "platform/dialogs/DialogService.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

using namespace pagecontrols;
using controls::PioFieldControl;
using pioitems::PioAppItem;

namespace {

constexpr int16_t kCaption = 2214;           // "Configure Flow"
constexpr int16_t kMassFlow = 2191;          // "Mass Flow Rate (100%)"
constexpr int16_t kRatioOfDiameter = 2193;   // "Ratio Of Diameter"
constexpr int16_t kMatrixReset = 3895;       // "Compressibility matrix reset."
constexpr int16_t kMeanOutOfRange = 3896;    // "... left unchanged: the mean of the outer points is out of range."
constexpr int16_t kMatrixNotTaken = 3897;    // "... left unchanged: a value was not taken."
constexpr int16_t kFixedTempNotTaken = 3898; // "The fixed temperature value setting was not taken."
constexpr int16_t kCalculated = 3899;        // "Flow coefficients calculated."
constexpr int16_t kNotCalculated = 3900;     // "The flow coefficients were not calculated."
constexpr int kComputingFlow = 8;
constexpr unsigned kFixedTemperatureBit = 4;
constexpr unsigned kWithoutFixedTemperature = 251; // the bit cleared, and the bits from 8 up
// From these revisions the device keeps the values in the user's units; below
// them the page shows the copies ("...GUI") converted into those units.
constexpr double kDensityUnitsFrom = 22;
constexpr double kPressureTemperatureUnitsFrom = 21;
// From this revision the tube diameter and the materials are the device's.
constexpr double kGeometryFrom = 22;
const QString kGui = QStringLiteral("GUI");
const QString kGasTab = QStringLiteral("2t");

// The frames that the medium and the primary element show or hide.
const char* const kDefaultHidden[] = {"FraFluid", "fraGas", "fraRhoNorm", "fraRhoR"};
const char* const kDefaultShown[] = {"fraKapa",      "fraCorrRangeTemp", "fraMvReDr",
                                     "fraMvBeta",    "fraMvKQCL",        "fraTubeMaterial",
                                     "fraPrimaryElementMaterial", "fraTubeDiameter", "fraTemperature"};

struct MediumRule {
    int code;
    std::initializer_list<const char*> hidden;
    std::initializer_list<const char*> shown;
    int16_t tabText;     // the tab "2t"; 0 for none
    int helpContext;     // of its frame
    int16_t massFlowText; // 0: the default
    bool densityEditable;
};
// The design density is typed where the calculation takes it from the user
// (a liquid of constant density, the gases corrected from it); the steam and
// the liquid with a table have it calculated.
const MediumRule kMediumRules[] = {
    {1, {"fraKapa"}, {}, 0, 0, 0, true},
    {2, {"fraKapa"}, {}, 0, 0, 0, false},
    {3, {"fraCorrRangeTemp", "fraKapa", "fraTemperature"}, {}, 0, 0, 0, false},
    {4, {}, {"fraGas", "fraRhoNorm", "fraRhoR"}, 2179, 31, 2233, true},
    {5, {"fraKapa"}, {"FraFluid"}, 2267, 87, 0, false},
    {6, {}, {}, 0, 0, 0, true},
    {7, {"fraCorrRangeTemp", "fraTemperature"}, {}, 0, 0, 0, true},
};

// The primary elements: what each hides always, with a liquid (medium 1 or
// 5), with another medium when the diameter ratio is 0, and below the
// revision that holds the tube diameter.
struct ElementRule {
    std::initializer_list<int> codes;
    std::initializer_list<const char*> hidden;
    std::initializer_list<const char*> hiddenForLiquid;
    std::initializer_list<const char*> hiddenWithoutBeta;
    std::initializer_list<const char*> hiddenBeforeGeometry;
    int16_t betaText; // 0: the default
};
const ElementRule kElementRules[] = {
    {{1, 2}, {}, {}, {}, {"fraTubeDiameter"}, 0},
    {{13}, {"fraMvReDr", "fraTubeMaterial", "fraTubeDiameter"}, {"fraMvKQCL", "fraMvBeta"}, {}, {}, 0},
    {{21, 22, 23, 24, 25, 26, 27, 30}, {"fraMvReDr"}, {"fraMvKQCL"}, {}, {}, 0},
    {{28}, {"fraMvBeta", "fraMvReDr", "fraPrimaryElementMaterial"}, {"fraMvKQCL", "fraKapa"}, {}, {}, 0},
    {{29}, {"fraMvReDr", "fraPrimaryElementMaterial"}, {"fraMvBeta", "fraMvKQCL"}, {"fraKapa"}, {}, 2592},
    {{31}, {"fraMvReDr", "fraMvKQCL", "fraPrimaryElementMaterial"}, {}, {}, {}, 2601},
    {{32},
     {"fraMvReDr", "fraMvKQCL", "fraTubeMaterial", "fraPrimaryElementMaterial", "fraTubeDiameter", "fraMvBeta",
      "fraKapa"},
     {}, {}, {}, 0},
};

bool Liquid(int medium)
{
    return medium == 1 || medium == 5;
}

// The item name a display control shows: its edited item, else its shown-only one.
QString ItemName(const PioFieldControl& control)
{
    return control.ObjectNameText().isEmpty() ? control.ObjectNameLabel() : control.ObjectNameText();
}

void SetItemName(PioFieldControl& control, const QString& name)
{
    if (control.ObjectNameText().isEmpty())
        control.SetObjectNameLabel(name);
    else
        control.SetObjectNameText(name);
}

// Adds or strips the ending "GUI"; false when the names are already those asked for.
QString Rebound(const QString& name, bool gui)
{
    return gui ? name + kGui : name.chopped(kGui.size());
}

// A frame without a title, holding one row of the page.
QWidget* RowFrame(QWidget* parent, const QString& name, QGridLayout*& grid)
{
    auto* frame = new QWidget(parent);
    frame->setObjectName(name);
    grid = new QGridLayout(frame);
    grid->setContentsMargins(0, 0, 0, 0);
    // One column width on every row, so that the rows of separate frames line up.
    grid->setColumnMinimumWidth(0, 200);
    grid->setColumnMinimumWidth(1, 150);
    grid->setColumnMinimumWidth(2, 170);
    grid->setColumnStretch(3, 1);
    return frame;
}

QLabel* UnitLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

void Show(QWidget* frame, bool shown)
{
    if (!frame)
        return;
    frame->setVisible(shown);
    frame->setEnabled(shown);
}

void Warn(int16_t textId)
{
    dialogs::DialogService::instance().Warning(global::LoadLocalizedText(kCaption), global::LoadLocalizedText(textId));
}

void Status(int16_t textId)
{
    global::ShowStatus(global::LoadLocalizedText(textId));
}

} // namespace

frmConfigFlow::frmConfigFlow() : PioPage(QStringLiteral("frmConfigFlow"), false, false)
{
    setProperty("Tag", QString::number(kCaption));
    setWindowTitle(QStringLiteral("Configure Flow"));
    auto* layout = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    layout->addWidget(tabs);
    tabs->AddTab(QStringLiteral("0t"), 2207, BuildBasicTab());
    tabs->AddTab(QStringLiteral("1t"), 2183, BuildPrimaryDeviceTab());
    tabs->AddTab(kGasTab, 2179, BuildMediumTab(), 31);
    for (int n = 0; n < 3; ++n)
        tabs->picOptions(n)->setObjectName(QStringLiteral("fraOptions(%1)").arg(n));
    // Only the media with a table of their own have the third tab.
    tabs->RemoveTab(kGasTab);

    pioitems::Ambient::SetUserMode(this, false);
    m_appCalculateMV = AppItem(this, QStringLiteral("appCalculateMV"), QStringLiteral("calculateMV"));
    m_appAbortSequences = AppItem(this, QStringLiteral("appAbortSequences"), QStringLiteral("abortSequences"));
    m_appMvBeta = AppItem(this, QStringLiteral("appMvBeta"), QStringLiteral("mvBeta"));
    m_appMvBlendeDuese = AppItem(this, QStringLiteral("appMvBlendeDuese"), QStringLiteral("mvBlendeDuese"));
    m_appMvDefaultInpSel = AppItem(this, QStringLiteral("appMvDefaultInpSel"), QStringLiteral("mvDefaultInpSel"));
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    for (int i = 0; i < 3; ++i) {
        m_appMvPkb[static_cast<size_t>(i)] =
            AppItem(this, QStringLiteral("appMvPkb(%1)").arg(i), QStringLiteral("mvPkb%1").arg(i + 1));
        m_appMvTkb[static_cast<size_t>(i)] =
            AppItem(this, QStringLiteral("appMvTkb(%1)").arg(i), QStringLiteral("mvTkb%1").arg(i + 1));
    }
    for (int i = 0; i < 9; ++i)
        m_appMvZkb[static_cast<size_t>(i)] =
            AppItem(this, QStringLiteral("appMvZkb(%1)").arg(i), QStringLiteral("mvZkb%1").arg(i + 1));
    const char* const limits[] = {"mvInPLoLim", "mvInPHiLim", "mvInTHiLim", "mvInTLoLim"};
    for (int i = 0; i < 4; ++i)
        AppItem(this, QStringLiteral("appMvLimits(%1)").arg(i), QLatin1String(limits[i]));
    m_appMvDensityUnit = AppItem(this, QStringLiteral("appMvDensityUnit"), QStringLiteral("mvDensityUnit"));
    m_appMvInPUnit = AppItem(this, QStringLiteral("appMvInPUnit"), QStringLiteral("mvInPUnit"));
    m_appMvInTUnit = AppItem(this, QStringLiteral("appMvInTUnit"), QStringLiteral("mvInTUnit"));
    m_appMvInDpUnit = AppItem(this, QStringLiteral("appMvInDpUnit"), QStringLiteral("mvInDpUnit"));
    m_sensorLimits = RangeLimitItemControls(this, RangeLimits::Sensor);
    m_appUserLevel = AppItem(this, QStringLiteral("appUserLevel"), QStringLiteral("&&private&&UserLevel"));
    m_appCountryCode = AppItem(this, QStringLiteral("appCountryCode"), QStringLiteral("&&private&&countrycode"));
    pioitems::Ambient::SetUserMode(this, true);

    const auto setUp = [this] {
        if (Registered())
            PageSetUp();
    };
    connect(m_appMvBeta, &PioAppItem::ValueChanged, this, setUp);
    connect(m_appMvBlendeDuese, &PioAppItem::ValueChanged, this, setUp);
    if (QComboBox* list = m_cmbMediumType->EntryList())
        connect(list, &QComboBox::currentIndexChanged, this, setUp);
    connect(m_appMvDefaultInpSel, &PioAppItem::ValueChanged, this, [this] { appMvDefaultInpSel_ValueChanged(); });
    connect(m_appMvModeBlkActual, &PioAppItem::ValueChanged, this, [this] { appMvModeBlkActual_ValueChanged(); });
    connect(m_appMvInDpUnit, &PioAppItem::ValueChanged, this,
            [this] { UnitChanged(*m_appMvInDpUnit, m_lblDiffPressureUnit); });
    for (PioAppItem* limit : {m_appMvInDpUnit, m_sensorLimits.unit, m_sensorLimits.lower, m_sensorLimits.upper})
        connect(limit, &PioAppItem::ValueChanged, this, [this] { LimitDesignDifferentialPressure(); });
    connect(m_appMvInPUnit, &PioAppItem::ValueChanged, this,
            [this] { UnitChanged(*m_appMvInPUnit, m_lblStaticPressureUnit); });
    connect(m_appMvInTUnit, &PioAppItem::ValueChanged, this,
            [this] { UnitChanged(*m_appMvInTUnit, m_lblTemperatureUnit); });
    connect(m_appMvDensityUnit, &PioAppItem::ValueChanged, this,
            [this] { UnitChanged(*m_appMvDensityUnit, m_lblDensityUnits); });
}

frmConfigFlow::~frmConfigFlow() = default;

QWidget* frmConfigFlow::BuildBasicTab()
{
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);

    QGroupBox* medium = TaggedFrame(tab, QStringLiteral("fraMedium"), 2172, QStringLiteral("Fluid"));
    auto* mediumGrid = new QGridLayout(medium);
    m_cmbMediumType = Combo(medium, QStringLiteral("cmbMediumType"), QStringLiteral("mvMediumType"));
    AddRow(*mediumGrid, TaggedLabel(medium, QStringLiteral("lblMedium"), 2199, QStringLiteral("Medium")),
           m_cmbMediumType);
    column->addWidget(medium);

    QGroupBox* limits = TaggedFrame(tab, QStringLiteral("fraLimits"), 2241, QStringLiteral("Correction Range"));
    auto* limitsColumn = new QVBoxLayout(limits);
    QGridLayout* grid = nullptr;
    QWidget* head = RowFrame(limits, QStringLiteral("fraLimitsHead"), grid);
    grid->addWidget(new QLabel(QStringLiteral("Min"), head), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Max"), head), 0, 2);
    limitsColumn->addWidget(head);
    // Label text id, lower and upper control and item, unit label list.
    struct LimitRow {
        int16_t textId;
        const char* lowControl;
        const char* lowItem;
        const char* highControl;
        const char* highItem;
        QList<QLabel*>* units;
        const char* unitLabel;
    };
    const LimitRow rows[] = {
        {2230, "PioText11(5)", "mvInDpLoLim", "PioText12(5)", "mvInDPHiLim", &m_lblDiffPressureUnit,
         "lblDiffPressureUnit(0)"},
        {2231, "PioText1(0)", "mvInPLoLim", "PioText2(0)", "mvInPHiLim", &m_lblStaticPressureUnit,
         "lblStaticPressureUnit(0)"},
        {2229, "txtMvInTLimits(0)", "mvInTLoLim", "txtMvInTLimits(1)", "mvInTHiLim", &m_lblTemperatureUnit,
         "lblTemperatureUnit(0)"},
    };
    QWidget* corrRangeTemp = nullptr;
    for (const LimitRow& row : rows) {
        QWidget* frame = RowFrame(limits, QStringLiteral("fraLimit%1").arg(row.textId), grid);
        grid->addWidget(TaggedLabel(frame, QStringLiteral("lblLimit%1").arg(row.textId), row.textId), 0, 0);
        grid->addWidget(Text(frame, QLatin1String(row.lowControl), QLatin1String(row.lowItem)), 0, 1);
        grid->addWidget(Text(frame, QLatin1String(row.highControl), QLatin1String(row.highItem)), 0, 2);
        QLabel* unit = UnitLabel(frame, QLatin1String(row.unitLabel));
        row.units->append(unit);
        grid->addWidget(unit, 0, 3);
        limitsColumn->addWidget(frame);
        corrRangeTemp = frame;
    }
    corrRangeTemp->setObjectName(QStringLiteral("fraCorrRangeTemp"));
    // The fixed temperature value, inside the temperature's range.
    auto* fixedTemp = new QWidget(corrRangeTemp);
    fixedTemp->setObjectName(QStringLiteral("fraFixedTemp"));
    auto* fixedGrid = qobject_cast<QGridLayout*>(corrRangeTemp->layout());
    auto* fixedRow = new QGridLayout(fixedTemp);
    fixedRow->setContentsMargins(0, 0, 0, 0);
    fixedRow->setColumnMinimumWidth(0, 200);
    fixedRow->setColumnMinimumWidth(1, 120);
    m_chkFixedTemperature = new QCheckBox(fixedTemp);
    m_chkFixedTemperature->setObjectName(QStringLiteral("chkFixedTemperatureValue"));
    m_chkFixedTemperature->setProperty("Tag", QStringLiteral("2570"));
    m_chkFixedTemperature->setText(QStringLiteral("Temperature Fixed Value"));
    connect(m_chkFixedTemperature, &QCheckBox::clicked, this, [this] { chkFixedTemperatureValue_Click(); });
    m_txtFixedTemperature = Text(fixedTemp, QStringLiteral("txtMvInTLimits(2)"), QStringLiteral("mvInTDefault"));
    m_txtFixedTemperature->setEnabled(false);
    QLabel* fixedUnit = UnitLabel(fixedTemp, QStringLiteral("lblTemperatureUnit(1)"));
    m_lblTemperatureUnit.append(fixedUnit);
    fixedRow->addWidget(m_chkFixedTemperature, 0, 0);
    fixedRow->addWidget(m_txtFixedTemperature, 0, 1);
    fixedRow->addWidget(fixedUnit, 0, 2);
    fixedGrid->addWidget(fixedTemp, 1, 0, 1, 4);
    column->addWidget(limits);
    column->addStretch(1);
    return tab;
}

QWidget* frmConfigFlow::BuildPrimaryDeviceTab()
{
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    column->setSpacing(2);
    // A row: frame (empty: the tab itself), label, value control, the unit's combo or label.
    const auto row = [&](const char* frameName, QLabel* caption, PioFieldControl* value, QWidget* unit) {
        QGridLayout* grid = nullptr;
        QWidget* frame = RowFrame(tab, frameName ? QLatin1String(frameName) : QStringLiteral("fraRow%1").arg(column->count()),
                                  grid);
        caption->setParent(frame);
        value->setParent(frame);
        grid->addWidget(caption, 0, 0);
        // A list without a unit takes the unit's column too.
        grid->addWidget(value, 0, 1, 1, !unit && qobject_cast<controls::PioCombo*>(value) ? 2 : 1);
        if (unit) {
            unit->setParent(frame);
            grid->addWidget(unit, 0, 2);
        }
        column->addWidget(frame);
        return frame;
    };
    const auto label = [](const char* name, int16_t id) { return TaggedLabel(nullptr, QLatin1String(name), id); };

    row(nullptr, label("lblPrimaryDevice", 2239), Combo(nullptr, QStringLiteral("PioCombo2(0)"), QStringLiteral("mvBlendeDuese")),
        nullptr);
    QLabel* unit = UnitLabel(nullptr, QStringLiteral("lblDiffPressureUnit(1)"));
    m_lblDiffPressureUnit.append(unit);
    row(nullptr, label("lblDPr", 2189), Text(nullptr, QStringLiteral("PioText42(0)"), QStringLiteral("mvDPr")), unit);
    unit = UnitLabel(nullptr, QStringLiteral("lblStaticPressureUnit(1)"));
    m_lblStaticPressureUnit.append(unit);
    auto* pr = Text(nullptr, QStringLiteral("txtDisplayedValue(0)"), QStringLiteral("mvPr"));
    row(nullptr, label("lblPr", 2187), pr, unit);
    unit = UnitLabel(nullptr, QStringLiteral("lblTemperatureUnit(2)"));
    m_lblTemperatureUnit.append(unit);
    auto* tr = Text(nullptr, QStringLiteral("txtDisplayedValue(1)"), QStringLiteral("mvTr"));
    row("fraTemperature", label("lblTr", 2188), tr, unit);
    m_ptControls = {pr, tr};

    m_lblMassFlow = label("lblMassFlow", kMassFlow);
    row(nullptr, m_lblMassFlow, Text(nullptr, QStringLiteral("PioText44(0)"), QStringLiteral("mvOutMassFlowMaxValue")),
        Combo(nullptr, QStringLiteral("PioCombo15(0)"), QStringLiteral("mvOutMassFlowUnit")));
    auto* volume = Text(nullptr, QStringLiteral("txtOutVolFlowMaxValue"), QStringLiteral("mvOutVolFlowMaxValue"));
    volume->setEnabled(false); // the calculation's result
    row(nullptr, label("lblVolFlow", 2075), volume,
        Combo(nullptr, QStringLiteral("PioCombo15(1)"), QStringLiteral("mvOutVolFlowUnit")));
    auto* rhor = Text(nullptr, QStringLiteral("txtDisplayedValueRho(0)"), QStringLiteral("mvRhor"));
    row(nullptr, label("lblRhor", 2190), rhor, Combo(nullptr, QStringLiteral("PioCombo15(2)"), QStringLiteral("mvDensityUnit")));
    auto* rhoNorm = Text(nullptr, QStringLiteral("txtDisplayedValueRho(1)"), QStringLiteral("mvRhoNorm"));
    unit = UnitLabel(nullptr, QStringLiteral("lblMvDensityUnit"));
    m_lblDensityUnits.append(unit);
    row("fraRhoNorm", label("lblRhoNorm", 2192), rhoNorm, unit);
    m_rhoControls = {rhor, rhoNorm};
    auto* rhoR = new QWidget(tab); // no controls of its own: shown with the gas frames
    rhoR->setObjectName(QStringLiteral("fraRhoR"));
    rhoR->setFixedSize(0, 0);
    row("fraTubeDiameter", label("lblTubeDiameter", 2574),
        Text(nullptr, QStringLiteral("PioText46(1)"), QStringLiteral("mvReserved5")),
        Combo(nullptr, QStringLiteral("PioCombo15(3)"), QStringLiteral("mvReserved6")));
    row("fraTubeMaterial", label("lblTubeMaterial", 2573),
        Combo(nullptr, QStringLiteral("PioCombo2(1)"), QStringLiteral("mvMolCO2")), nullptr);
    row("fraPrimaryElementMaterial", label("lblPrimaryElementMaterial", 2572),
        Combo(nullptr, QStringLiteral("PioCombo2(2)"), QStringLiteral("mvh0")), nullptr);
    row("fraMvKQCL", label("lblKQCL", 2196), Text(nullptr, QStringLiteral("PioText49"), QStringLiteral("mvKQCL")),
        label("lblKQCLUnit", 2593));
    m_lblBeta = label("lblBeta", kRatioOfDiameter);
    row("fraMvBeta", m_lblBeta, Text(nullptr, QStringLiteral("PioText46(0)"), QStringLiteral("mvBeta")), nullptr);
    row("fraMvReDr", label("lblReDr", 2195), Text(nullptr, QStringLiteral("PioText48"), QStringLiteral("mvReDr")), nullptr);
    row("fraKapa", label("lblKapa", 2194), Text(nullptr, QStringLiteral("PioText47"), QStringLiteral("mvKapa")), nullptr);

    m_cmdCalculate = new QPushButton(QStringLiteral("Calculate"), tab);
    m_cmdCalculate->setObjectName(QStringLiteral("cmdCalculate"));
    m_cmdCalculate->setProperty("Tag", QStringLiteral("2605"));
    connect(m_cmdCalculate, &QPushButton::clicked, this, [this] { cmdCalculate_Click(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdCalculate);
    column->addLayout(buttons);
    column->addStretch(1);
    return tab;
}

QWidget* frmConfigFlow::BuildMediumTab()
{
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);
    QGridLayout* grid = nullptr;
    QWidget* designation = RowFrame(tab, QStringLiteral("fraDesignation"), grid);
    grid->addWidget(TaggedLabel(designation, QStringLiteral("lblDesignation"), 2240, QStringLiteral("Designation")), 0, 0);
    grid->addWidget(Text(designation, QStringLiteral("PioText30(0)"), QStringLiteral("mvMediumText")), 0, 1, 1, 2);
    column->addWidget(designation);

    // The liquid's temperature/density table; the first two temperatures are the correction range's.
    QGroupBox* fluid = TaggedFrame(tab, QStringLiteral("FraFluid"), 2238);
    auto* fluidGrid = new QGridLayout(fluid);
    fluidGrid->addWidget(TaggedLabel(fluid, QStringLiteral("lblFluidTemperature"), 2549), 0, 0);
    QLabel* unit = UnitLabel(fluid, QStringLiteral("lblTemperatureUnit(3)"));
    m_lblTemperatureUnit.append(unit);
    fluidGrid->addWidget(unit, 0, 1);
    fluidGrid->addWidget(TaggedLabel(fluid, QStringLiteral("lblFluidDensity"), 2552), 0, 2);
    unit = UnitLabel(fluid, QStringLiteral("lblDensityUnit"));
    m_lblDensityUnits.append(unit);
    fluidGrid->addWidget(unit, 0, 3);
    for (int i = 1; i <= 6; ++i) {
        const QString t = QStringLiteral("mvT%1").arg(i);
        PioFieldControl* temperature = i <= 2 ? static_cast<PioFieldControl*>(Label(fluid, QStringLiteral("lblMvT(%1)").arg(i), t))
                                              : Text(fluid, QStringLiteral("txtMvT(%1)").arg(i), t);
        fluidGrid->addWidget(temperature, i, 0, 1, 2);
        fluidGrid->addWidget(Text(fluid, QStringLiteral("txtMvRho(%1)").arg(i), QStringLiteral("mvRho%1").arg(i)), i, 2, 1, 2);
    }
    column->addWidget(fluid);

    auto* gas = new QWidget(tab);
    gas->setObjectName(QStringLiteral("fraGas"));
    auto* gasColumn = new QVBoxLayout(gas);
    gasColumn->setContentsMargins(0, 0, 0, 0);
    QGroupBox* factors = TaggedFrame(gas, QStringLiteral("fraFactors"), 2268);
    auto* factorsGrid = new QGridLayout(factors);
    const int16_t options[] = {2548, 2547};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(factors);
        option->setObjectName(QStringLiteral("optKorrektur(%1)").arg(i));
        option->setProperty("Tag", QString::number(options[i]));
        connect(option, &QRadioButton::clicked, this, [this, i] { optKorrektur_Click(i); });
        m_optKorrektur[static_cast<size_t>(i)] = option;
        factorsGrid->addWidget(option, 0, i);
    }
    m_optKorrektur[0]->setChecked(true);
    m_cmdReset = new QPushButton(QStringLiteral("Reset"), factors);
    m_cmdReset->setObjectName(QStringLiteral("cmdReset"));
    m_cmdReset->setProperty("Tag", QStringLiteral("2568"));
    connect(m_cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    factorsGrid->addWidget(m_cmdReset, 0, 2);
    // The matrix's points: temperatures T1..T3, pressures P1..P3; the middle
    // ones are edited, the outer ones come from the correction range.
    struct Axis {
        int16_t textId;
        const char* heading;
        const char* item;
        const char* middleControl;
        int firstLabel;
        QList<QLabel*>* units;
        const char* unitLabel;
    };
    const Axis axes[] = {
        {2549, "T", "mvTkb", "txtDisplayedValue(3)", 0, &m_lblTemperatureUnit, "lblTemperatureUnit(4)"},
        {2550, "P", "mvPkb", "txtDisplayedValue(2)", 3, &m_lblStaticPressureUnit, "lblStaticPressureUnit(2)"},
    };
    std::vector<PioFieldControl*> middles;
    for (int a = 0; a < 2; ++a) {
        const Axis& axis = axes[a];
        QGroupBox* matrix = TaggedFrame(factors, QStringLiteral("fraMatrix(%1)").arg(a), axis.textId);
        m_fraMatrix[static_cast<size_t>(a)] = matrix;
        auto* axisGrid = new QGridLayout(matrix);
        for (int p = 0; p < 3; ++p) {
            const QString item = QStringLiteral("%1%2").arg(QLatin1String(axis.item)).arg(p + 1);
            axisGrid->addWidget(new QLabel(QStringLiteral("%1%2").arg(QLatin1String(axis.heading)).arg(p + 1), matrix), 0, p);
            PioFieldControl* point = p == 1 ? static_cast<PioFieldControl*>(Text(matrix, QLatin1String(axis.middleControl), item))
                                            : Label(matrix, QStringLiteral("PioLabel1(%1)").arg(axis.firstLabel + p), item);
            (p == 1 ? middles : m_ptControls).push_back(point);
            axisGrid->addWidget(point, 1, p);
        }
        QLabel* axisUnit = UnitLabel(matrix, QLatin1String(axis.unitLabel));
        axis.units->append(axisUnit);
        axisGrid->addWidget(axisUnit, 1, 3);
        factorsGrid->addWidget(matrix, 1 + a, 0, 1, 3);
    }
    // The controls of the group in the order of their indices: txtDisplayedValue(2), then (3).
    m_ptControls.insert(m_ptControls.begin() + 2, middles[1]);
    m_ptControls.insert(m_ptControls.begin() + 3, middles[0]);
    QGroupBox* factorFrame = TaggedFrame(factors, QStringLiteral("fraMatrix(2)"), 0);
    m_fraMatrix[2] = factorFrame;
    auto* factorGrid = new QGridLayout(factorFrame);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) {
            // Temperature row r, pressure column c.
            const int index = 3 * (c - 1) + (r - 1);
            auto* factor = Text(factorFrame, QStringLiteral("txtFaktor(%1)").arg(index),
                                QStringLiteral("mvZkb%1").arg(3 * (r - 1) + c));
            factorGrid->addWidget(factor, r - 1, c - 1);
        }
    factorsGrid->addWidget(factorFrame, 3, 0, 1, 3);
    gasColumn->addWidget(factors);

    // The natural gas's data. Its mol portion of CO2 and its calorific value
    // would share their items with the tube and primary-element materials,
    // which the device holds there; only the N2 portion is the gas's own.
    QGroupBox* naturalGas = TaggedFrame(gas, QStringLiteral("Frame4"), 2551);
    auto* gasGrid = new QGridLayout(naturalGas);
    gasGrid->addWidget(TaggedLabel(naturalGas, QStringLiteral("lblMolN2"), 2265), 0, 0);
    gasGrid->addWidget(Text(naturalGas, QStringLiteral("PioText40(1)"), QStringLiteral("mvMolN2")), 0, 1);
    gasGrid->addWidget(new QLabel(QStringLiteral("%"), naturalGas), 0, 2);
    gasColumn->addWidget(naturalGas);
    column->addWidget(gas);
    column->addStretch(1);
    return tab;
}

QWidget* frmConfigFlow::Frame(const QString& name) const
{
    return findChild<QWidget*>(name);
}

PioFieldControl* frmConfigFlow::Control(const QString& name) const
{
    return findChild<PioFieldControl*>(name);
}

double frmConfigFlow::Revision() const
{
    if (!global::gDeviceInfo) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: no device information"));
        return 0;
    }
    try {
        return global::gDeviceInfo->softwareRevision().trimmed().toDouble();
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: revision not read: %1").arg(error.description()));
        return 0;
    }
}

int frmConfigFlow::MediumCode() const
{
    const QComboBox* list = m_cmbMediumType->EntryList();
    return list ? list->currentData().toInt() : 0;
}

void frmConfigFlow::OnBeforeRegister()
{
    const auto view = viewRef();
    m_DeviceInfo = std::make_shared<clsDeviceInfo>();
    try {
        m_DeviceInfo->Register(view ? view->appletItemManagerRef() : nullptr);
        connect(m_DeviceInfo.get(), &clsDeviceInfo::SoftwareRevisionChanged, this,
                [this] { m_DeviceInfo_SoftwareRevisionChanged(); });
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(
            QStringLiteral("frmConfigFlow: revision changes are not followed: %1").arg(error.description()));
    }
    BindByRevision(false);
}

void frmConfigFlow::OnFirstActivation()
{
    Tabs()->tbsOptions_Click();
    PageSetUp();
    // The registration's notifications came before the page counted as registered.
    UnitChanged(*m_appMvInDpUnit, m_lblDiffPressureUnit);
    UnitChanged(*m_appMvInPUnit, m_lblStaticPressureUnit);
    UnitChanged(*m_appMvInTUnit, m_lblTemperatureUnit);
    UnitChanged(*m_appMvDensityUnit, m_lblDensityUnits);
    appMvDefaultInpSel_ValueChanged();
}

void frmConfigFlow::OnUnload()
{
    if (m_DeviceInfo)
        disconnect(m_DeviceInfo.get(), nullptr, this, nullptr);
    m_DeviceInfo.reset();
}

void frmConfigFlow::BindByRevision(bool registerAgain)
{
    const double revision = Revision();
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    const QVariant userLevel = registerAgain ? QVariant(static_cast<int>(m_appUserLevel->UIntValue())) : QVariant();
    const QVariant countryCode = registerAgain ? QVariant(static_cast<int>(m_appCountryCode->UIntValue())) : QVariant();
    // The density group, then the pressure and temperature group with the
    // item controls of the matrix. The outer points of the matrix follow as
    // well: their copies are not kept up to date on the newer devices.
    struct Group {
        std::vector<PioFieldControl*>* controls;
        double realFrom;
        bool withMatrixItems;
    };
    const Group groups[] = {{&m_rhoControls, kDensityUnitsFrom, false},
                            {&m_ptControls, kPressureTemperatureUnitsFrom, true}};
    for (const Group& group : groups) {
        const bool gui = revision < group.realFrom;
        // The first control tells how the group is bound; the others follow it.
        if (ItemName(*group.controls->front()).endsWith(kGui) == gui)
            continue;
        for (PioFieldControl* control : *group.controls) {
            SetItemName(*control, Rebound(ItemName(*control), gui));
            if (registerAgain)
                control->Register(manager, userLevel, countryCode);
        }
        if (!group.withMatrixItems)
            continue;
        for (size_t i = 0; i < m_appMvPkb.size(); ++i)
            for (PioAppItem* item : {m_appMvPkb[i], m_appMvTkb[i]}) {
                item->SetAppItemName(Rebound(item->AppItemName(), gui));
                if (registerAgain)
                    item->Register(manager);
            }
    }
}

void frmConfigFlow::m_DeviceInfo_SoftwareRevisionChanged()
{
    if (!Registered())
        return;
    BindByRevision(true);
    PageSetUp();
}

void frmConfigFlow::PageSetUp()
{
    const double element = m_appMvBlendeDuese->UIntValue();
    Arrange(MediumCode(), std::floor(element) == element ? static_cast<int>(element) : -1, m_appMvBeta->FloatValue(),
            Revision());
}

void frmConfigFlow::Arrange(int medium, int element, double beta, double revision)
{
    PageTabs* tabs = Tabs();
    const QString selected = tabs->SelectedKey();
    // The page is covered (fraHide) while it re-arranges itself.
    setUpdatesEnabled(false);
    tabs->RemoveTab(kGasTab);
    for (const char* name : kDefaultHidden)
        Show(Frame(QLatin1String(name)), false);
    for (const char* name : kDefaultShown)
        Show(Frame(QLatin1String(name)), true);
    Control(QStringLiteral("txtDisplayedValueRho(0)"))->setEnabled(false);
    int16_t massFlow = kMassFlow;
    int16_t betaText = kRatioOfDiameter;
    if (revision < kGeometryFrom)
        Frame(QStringLiteral("fraFixedTemp"))->setVisible(false); // never shown again by this page

    for (const MediumRule& rule : kMediumRules) {
        if (rule.code != medium)
            continue;
        for (const char* name : rule.hidden)
            Show(Frame(QLatin1String(name)), false);
        for (const char* name : rule.shown)
            Show(Frame(QLatin1String(name)), true);
        if (rule.massFlowText)
            massFlow = rule.massFlowText;
        if (rule.densityEditable)
            Control(QStringLiteral("txtDisplayedValueRho(0)"))->setEnabled(true);
        if (rule.tabText) {
            tabs->picOptions(2)->setProperty("HelpContextID", rule.helpContext);
            tabs->InsertTab(2, kGasTab, rule.tabText);
            const int at = tabs->IndexOfKey(kGasTab);
            tabs->tbsOptions()->setTabText(at, GetTextFromResource(rule.tabText));
        }
    }
    for (const ElementRule& rule : kElementRules) {
        if (std::find(rule.codes.begin(), rule.codes.end(), element) == rule.codes.end())
            continue;
        const auto hide = [](std::initializer_list<const char*> names, QWidget* page) {
            for (const char* name : names)
                Show(page->findChild<QWidget*>(QLatin1String(name)), false);
        };
        hide(rule.hidden, this);
        if (Liquid(medium))
            hide(rule.hiddenForLiquid, this);
        else if (beta == 0)
            hide(rule.hiddenWithoutBeta, this);
        if (revision < kGeometryFrom)
            hide(rule.hiddenBeforeGeometry, this);
        if (rule.betaText)
            betaText = rule.betaText;
    }
    // The items "mvMolCO2" and "mvh0" hold the tube and primary-element
    // materials, which the device takes from the revision on that holds the
    // tube diameter; before it they stay at "not used", so there is nothing to choose.
    if (revision < kGeometryFrom) {
        Show(Frame(QStringLiteral("fraTubeMaterial")), false);
        Show(Frame(QStringLiteral("fraPrimaryElementMaterial")), false);
    }
    for (auto [label, id] : {std::pair{m_lblMassFlow, massFlow}, std::pair{m_lblBeta, betaText}}) {
        label->setProperty("Tag", QString::number(id));
        label->setText(GetTextFromResource(id));
    }
    tabs->SelectKey(selected);
    tabs->tbsOptions_Click();
    setUpdatesEnabled(true);
    // The frames hidden or shown above: the window follows its content, within the main window's room.
    GrowToContent();
}

void frmConfigFlow::UnitChanged(PioAppItem& unit, const QList<QLabel*>& labels)
{
    if (!Registered())
        return;
    const QString text = unit.UnitSymbol();
    for (QLabel* label : labels)
        label->setText(text);
}

void frmConfigFlow::LimitDesignDifferentialPressure()
{
    if (PioFieldControl* field = Control(QStringLiteral("PioText42(0)")))
        LimitToRange(*field, m_sensorLimits, static_cast<int16_t>(m_appMvInDpUnit->IntValue()));
}

void frmConfigFlow::appMvDefaultInpSel_ValueChanged()
{
    if (m_updating || !Registered())
        return;
    const bool fixed = (static_cast<unsigned>(m_appMvDefaultInpSel->StringValue().trimmed().toDouble()) &
                        kFixedTemperatureBit) != 0;
    m_chkFixedTemperature->setChecked(fixed);
    m_txtFixedTemperature->setEnabled(fixed);
}

void frmConfigFlow::chkFixedTemperatureValue_Click()
{
    m_updating = true;
    const unsigned present = static_cast<unsigned>(m_appMvDefaultInpSel->UIntValue());
    const bool fixed = m_chkFixedTemperature->checkState() == Qt::Checked;
    const bool cleared = m_chkFixedTemperature->checkState() == Qt::Unchecked;
    try {
        if (fixed || cleared) {
            m_txtFixedTemperature->setEnabled(fixed);
            const unsigned value = fixed ? (present | kFixedTemperatureBit) : (present & kWithoutFixedTemperature);
            m_appMvDefaultInpSel->SetStringValue(QString::number(value));
        }
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: fixed temperature not switched: %1").arg(error.description()));
        m_updating = false;
        appMvDefaultInpSel_ValueChanged(); // the check box shows the device's setting again
        Warn(kFixedTempNotTaken);
        return;
    }
    m_updating = false;
}

void frmConfigFlow::cmdCalculate_Click()
{
    // A value typed and not yet confirmed is one the calculation must take:
    // without it the coefficients of the old value would be reported done.
    controls::PioFieldControl::CommitPendingEdits();
    // An earlier calculation's "calculated" must not stand for this one.
    global::ShowStatus(QString());
    try {
        m_appAbortSequences->SetStringValue(QStringLiteral("0"));
        m_appCalculateMV->SetStringValue(QStringLiteral("1"));
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: calculation not requested: %1").arg(error.description()));
        Warn(kNotCalculated);
        return;
    }
    // The flow rules calculate within the write, take the request back and
    // ask for the abort when the calculation failed (and tell the user why).
    if (m_appAbortSequences->UIntValue() != 0)
        return;
    if (m_appCalculateMV->UIntValue() != 0) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: the calculation request was not taken up"));
        Warn(kNotCalculated);
        return;
    }
    Status(kCalculated);
}

bool frmConfigFlow::ResetMatrix()
{
    // Every value is computed before the first is written: a matrix half reset
    // would pair new points with the factors of the old ones.
    const float pressure = (m_appMvPkb[0]->FloatValue() + m_appMvPkb[2]->FloatValue()) / 2.0f;
    const float temperature = (m_appMvTkb[0]->FloatValue() + m_appMvTkb[2]->FloatValue()) / 2.0f;
    if (!std::isfinite(pressure) || !std::isfinite(temperature)) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: the mean of the matrix's outer points is out of range"));
        Warn(kMeanOutOfRange);
        return false;
    }
    std::vector<std::pair<PioAppItem*, QString>> before = {{m_appMvPkb[1], m_appMvPkb[1]->StringValue()},
                                                           {m_appMvTkb[1], m_appMvTkb[1]->StringValue()}};
    for (PioAppItem* factor : m_appMvZkb)
        before.emplace_back(factor, factor->StringValue());
    try {
        m_appMvPkb[1]->SetFloatValue(pressure);
        m_appMvTkb[1]->SetFloatValue(temperature);
        for (PioAppItem* factor : m_appMvZkb)
            factor->SetStringValue(QStringLiteral("1"));
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: the matrix was not reset: %1").arg(error.description()));
        // What was written before the refusal is taken back.
        for (const auto& [item, value] : before) {
            try {
                item->SetStringValue(value);
            } catch (const automation::ComError& restore) {
                applet::AppletTrace::Error(QStringLiteral("frmConfigFlow: %1 not restored: %2")
                                               .arg(item->AppItemName(), restore.description()));
            }
        }
        Warn(kMatrixNotTaken);
        return false;
    }
    Status(kMatrixReset);
    return true;
}

void frmConfigFlow::EnableMatrix(bool enabled)
{
    for (QGroupBox* matrix : m_fraMatrix)
        matrix->setEnabled(enabled);
}

void frmConfigFlow::optKorrektur_Click(int index)
{
    if (index == 0) {
        EnableMatrix(true);
        return;
    }
    if (ResetMatrix())
        EnableMatrix(false);
    else
        m_optKorrektur[0]->setChecked(true); // the matrix is as it was, and so is the correction
}

void frmConfigFlow::cmdReset_Click()
{
    ResetMatrix();
}

void frmConfigFlow::appMvModeBlkActual_ValueChanged()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    if (global::gDeviceInfo->MvActualBlockMode() != kComputingFlow)
        CloseLater();
}
