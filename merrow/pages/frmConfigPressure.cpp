#include "merrow/pages/frmConfigPressure.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/Enumerations.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/controls/PioCombo.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioUserCurve.h"
#include "platform/dialogs/DialogService.h"
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

using namespace pagecontrols;
using controls::PioUserCurve;

namespace {

constexpr int kConnected = 2;
constexpr int kFlowBlockMode = 8;
constexpr int kCurveRevision = 22;
// Below this software revision a device computing flow keeps its range in
// mbar: the rules set any other unit back, so the page offers no other.
constexpr int kFreeRangeUnitRevision = 21;
constexpr int16_t kCaptionDifferential = 2018;
constexpr int16_t kCaptionPressure = 2019;
constexpr int16_t kTitleParallelShift = 2046;
constexpr int16_t kRangeLimitsExceeded = 2127;
constexpr int16_t kTiltQuestion = 2125;
constexpr int16_t kTiltTitle = 2126;
constexpr int16_t kNotANumber = 2700;
constexpr int16_t kOrificeTabText = 2571;
constexpr int16_t kRangeSet = 2701;
constexpr int16_t kRangeShifted = 2702;
constexpr int16_t kZeroAdjusted = 2703;
constexpr int16_t kNotCarriedOut = 2704;
constexpr int16_t kCurveRead = 3807;    // "Data read from the device."
constexpr int16_t kCurveWritten = 3808; // "Data written to the device."
constexpr int32_t kRun = applet::SequenceAction::Run;

// The order in which the page walks the linearisation types.
constexpr enmPtrbLinType kLinTypeOrder[] = {
    enmPtrbLinType::LINEAR,        enmPtrbLinType::SQUARE_ROOT, enmPtrbLinType::SQUARE_ROOT_3,
    enmPtrbLinType::SQUARE_ROOT_5, enmPtrbLinType::USER_CURVE,  enmPtrbLinType::CYLINDRIC,
    enmPtrbLinType::SPHERICAL,     enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION,
};

// The preset curves of the fixed shapes other than linear and square root.
struct PresetCurve {
    enmPtrbLinType type;
    const char* formula;
};
constexpr PresetCurve kPresets[] = {
    {enmPtrbLinType::SQUARE_ROOT_3, "x^(3/2)/10"},
    {enmPtrbLinType::SQUARE_ROOT_5, "x^(5/2)/1000"},
    {enmPtrbLinType::CYLINDRIC, "0.4*x+0.0181*x^2-0.000121*x^3"},
    {enmPtrbLinType::SPHERICAL, "0.03*x^2-0.0002*x^3"},
};
constexpr float kPresetStep = 5;

// The integration time the automatic adjustment gives a linear transfer
// function: above each turndown the larger step.
struct TurndownStep {
    double above;
    const char* steps;
};
constexpr TurndownStep kTurndownSteps[] = {{40, "13"}, {20, "8"}, {10, "4"}, {-1, "2"}};

// The output tab's fields: control name, item, caption text id, unit (none: no unit).
struct OutputField {
    const char* control;
    const char* item;
    int16_t textId;
    const char* unit;
};
constexpr OutputField kOutputFields[] = {
    {"txtAiLoLim", "aiDPLoLim", 2113, nullptr},    {"txtAiHiLim", "aiDPHiLim", 2114, nullptr},
    {"txtAiLoLoLim", "aiDPLoLoLim", 2115, nullptr}, {"txtAiHiHiLim", "aiDPHiHiLim", 2116, nullptr},
    {"txtAiPvFtime", "aiDPPvFtime", 2112, "s"},    {"txtAiAlarmHys", "aiDPAlarmHys", 2117, "%"},
};

// The number value of an item's text, as the device wrote it; its float value when the text is no number.
double NumberOf(const pioitems::PioAppItem& item)
{
    bool ok = false;
    const double value = item.StringValue().trimmed().toDouble(&ok);
    return ok ? value : double(item.FloatValue());
}

controls::PioLabelTextUnit* Field(QWidget* parent, const QString& name, const QString& item, int16_t textId,
                                  const char* unit)
{
    auto* field = new controls::PioLabelTextUnit(parent);
    field->setObjectName(name);
    field->SetObjectNameText(item);
    field->setProperty("Tag", QString::number(textId));
    field->SetUnitVisible(unit != nullptr);
    if (unit)
        field->SetUnitText(QLatin1String(unit));
    return field;
}

QPushButton* Button(QWidget* parent, const QString& name, int16_t textId, const QString& design)
{
    auto* button = new QPushButton(design, parent);
    button->setObjectName(name);
    button->setProperty("Tag", QString::number(textId));
    return button;
}

QGroupBox* Frame(QWidget* parent, const QString& name, int16_t textId)
{
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(name);
    frame->setProperty("Tag", QString::number(textId));
    return frame;
}

void Warn(int16_t titleId, int16_t textId)
{
    dialogs::DialogService::instance().Warning(global::LoadLocalizedText(titleId), global::LoadLocalizedText(textId));
}

// A refused parallel shift is told under the function's own name.
void WarnParallelShift(int16_t textId)
{
    dialogs::DialogService::instance().Warning(dialogs::OwnTitle{global::LoadLocalizedText(kTitleParallelShift)},
                                               global::LoadLocalizedText(textId));
}

} // namespace

frmConfigPressure::frmConfigPressure() : PioPage(QStringLiteral("frmConfigPressure"), false, false)
{
    setProperty("Tag", QString::number(kCaptionPressure));
    setWindowTitle(QStringLiteral("Configure Pressure Meas."));
    auto* column = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    column->addWidget(tabs);
    tabs->AddTab(QStringLiteral("0t"), 2104, BuildProcessVariableTab());
    tabs->AddTab(QStringLiteral("1t"), 2105, BuildOutputTab());
    tabs->AddTab(QStringLiteral("2t"), 2106, BuildTransferFunctionTab());
    tabs->AddTab(QStringLiteral("3t"), kOrificeTabText, BuildOrificeTab());
    tabs->AddTab(QStringLiteral("4t"), 2066, BuildDigitisationTab());

    pioitems::Ambient::SetUserMode(this, false);
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_appMessanfang = AppItem(this, QStringLiteral("appMessanfang"), QStringLiteral("ptrbScaleIn0"));
    m_appMessende = AppItem(this, QStringLiteral("appMessende"), QStringLiteral("ptrbScaleIn100"));
    m_appPercentRange = AppItem(this, QStringLiteral("appPercentRange"), QStringLiteral("percentRange"));
    m_appLowerSensorLimit =
        AppItem(this, QStringLiteral("appPtrbLowerSensorLimit"), QStringLiteral("ptrbLowerSensorLimit"));
    m_appUpperSensorLimit =
        AppItem(this, QStringLiteral("appPtrbUpperSensorLimit"), QStringLiteral("ptrbUpperSensorLimit"));
    m_appSensorLimitUnit = AppItem(this, QStringLiteral("appPtrbSensorLimitUnit"), QStringLiteral("ptrbSensorLimitUnit"));
    m_appScaleInUnit = AppItem(this, QStringLiteral("appPtrbScaleInUnit"), QStringLiteral("ptrbScaleInUnit"));
    for (int i = 0; i < 2; ++i) {
        m_appMeasIntegrationTime[i] = AppItem(this, QStringLiteral("appMeasIntegrationTime(%1)").arg(i),
                                              QStringLiteral("measIntegrationTimeADC"));
        m_appThresholdTime[i] =
            AppItem(this, QStringLiteral("appThresholdTime(%1)").arg(i), QStringLiteral("thresholdTimeADC"));
    }
    m_appMeasIntegrationTime[0]->SetRegisterOnShadow(true);
    m_appThresholdTime[0]->SetRegisterOnShadow(true);
    m_appThresholdValue = AppItem(this, QStringLiteral("appThresholdValue"), QStringLiteral("thresholdValADC"));
    m_appPtrbLinType = AppItem(this, QStringLiteral("appPtrbLinType"), QStringLiteral("ptrbLinType"));
    m_appSqareRoot[0] = AppItem(this, QStringLiteral("appSqareRoot(0)"), QStringLiteral("ptrbLowFlowCutOff"));
    m_appSqareRoot[1] = AppItem(this, QStringLiteral("appSqareRoot(1)"), QStringLiteral("ptrbFlowLinSqrtPoint"));
    m_appCurrentSequence = AppItem(this, QStringLiteral("appCurrentSequence"), QStringLiteral("currentSequence"));
    m_appUserCurveDirty = AppItem(this, QStringLiteral("appUserCurveDirty"), QStringLiteral("userCurveDirty"));
    m_appAdjustUserCurve = AppItem(this, QStringLiteral("appAdjustUserCurve"), QStringLiteral("adjustUserCurve"));
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    m_appSensorType = AppItem(this, QStringLiteral("appSensorType"), QStringLiteral("ptrbSensorTypeFF"));
    AppItem(this, QStringLiteral("appOutscaleUnit"), QStringLiteral("aiDPOutScaleUnit"));
    AppItem(this, QStringLiteral("appPtrbChannel1MapFF"), QStringLiteral("ptrbChannel1MapFF"));
    AppItem(this, QStringLiteral("appAiDPChannel"), QStringLiteral("aiDPChannel"));
    AppItem(this, QStringLiteral("appPtrbSoftwareSpecifics"), QStringLiteral("pbSoftwareSpecifics"));

    m_seqSetLower = SequenceItem(this, QStringLiteral("seqSetPtrbLowerRangeValue"), QStringLiteral("SetPtrbLowerRangeValue"));
    m_seqSetUpper = SequenceItem(this, QStringLiteral("seqSetPtrbUpperRangeValue"), QStringLiteral("SetPtrbUpperRangeValue"));
    m_seqGetParallelShiftData =
        SequenceItem(this, QStringLiteral("seqGetParallelShiftData"), QStringLiteral("GetParallelShiftData"));
    m_seqSetParallelShiftData =
        SequenceItem(this, QStringLiteral("seqSetParallelShiftData"), QStringLiteral("SetParallelShiftData"));
    m_seqSetSecondaryVariable1Zero =
        SequenceItem(this, QStringLiteral("seqSetSecondaryVariable1Zero"), QStringLiteral("SetSecondaryVariable1Zero"));
    m_seqGetUserCurve = SequenceItem(this, QStringLiteral("seqGetUserCurve"), QStringLiteral("GetUserCurve"));
    m_seqSetUserCurve = SequenceItem(this, QStringLiteral("seqSetUserCurve"), QStringLiteral("SetUserCurve"));
    m_seqCloseUserCurve = SequenceItem(this, QStringLiteral("seqCloseUserCurve"), QStringLiteral("CloseUserCurve"));
    for (auto* sequence : {m_seqGetUserCurve, m_seqSetUserCurve, m_seqCloseUserCurve})
        sequence->SetRegisterControlItem(false);
    pioitems::Ambient::SetUserMode(this, true);

    using pioitems::PioAppItem;
    using pioitems::PioSequenceItem;
    connect(m_appConnectionStatus, &PioAppItem::ValueChanged, this, [this] { appConnectionStatus_ValueChanged(); });
    for (int i = 0; i < 2; ++i) {
        connect(m_appMeasIntegrationTime[i], &PioAppItem::ValueChanged, this,
                [this] { appMeasIntegrationTime_ValueChanged(); });
        connect(m_appThresholdTime[i], &PioAppItem::ValueChanged, this, [this] { appThresholdTime_ValueChanged(); });
        connect(m_appSqareRoot[i], &PioAppItem::ValueChanged, this, [this] { InitUserCurve(); });
    }
    connect(m_appPtrbLinType, &PioAppItem::ValueChanged, this, [this] { appPtrbLinType_ValueChanged(); });
    connect(m_appMvModeBlkActual, &PioAppItem::ValueChanged, this, [this] { ApplyDeviceVariant(); });
    connect(m_appSensorType, &PioAppItem::ValueChanged, this, [this] { ApplyDeviceVariant(); });
    connect(m_appCurrentSequence, &PioAppItem::ValueChanged, this, [this] { appCurrentSequence_ValueChanged(); });
    for (auto* sequence : {m_seqSetLower, m_seqSetUpper})
        connect(sequence, &PioSequenceItem::StatusChanged, this,
                [this, sequence](int32_t status) { seqSetRangeValue_StatusChanged(*sequence, status); });
    connect(m_seqGetParallelShiftData, &PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqGetParallelShiftData_StatusChanged(status); });
    connect(m_seqSetParallelShiftData, &PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetParallelShiftData_StatusChanged(status); });
    connect(m_seqSetSecondaryVariable1Zero, &PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetSecondaryVariable1Zero_StatusChanged(status); });
    // A read of the shift data that never started ends the shift: its entry must not shift a later range.
    connect(m_seqGetParallelShiftData, &PioSequenceItem::ActionDropped, this, [this] {
        m_parallelShiftPending = false;
        m_parallelShiftPhase = 0;
    });
    for (auto* sequence : {m_seqGetUserCurve, m_seqSetUserCurve, m_seqCloseUserCurve}) {
        connect(sequence, &PioSequenceItem::StatusChanged, this,
                [this, sequence](int32_t status) { seqUserCurve_StatusChanged(*sequence, status); });
        connect(sequence, &PioSequenceItem::ActionDropped, this, [this, sequence] {
            if (m_curveSequence == sequence) {
                m_curveSequence = nullptr;
                Finished(kNotCarriedOut);
            }
        });
    }
}

frmConfigPressure::~frmConfigPressure() = default;

QWidget* frmConfigPressure::BuildProcessVariableTab()
{
    auto* tab = new QWidget(this);
    auto* column = new QVBoxLayout(tab);

    QGroupBox* scaling = Frame(tab, QStringLiteral("fraScaling"), 2047);
    auto* grid = new QGridLayout(scaling);
    m_optWerteingabe = new QRadioButton(QStringLiteral("Value Input"), scaling);
    m_optWerteingabe->setObjectName(QStringLiteral("optWerteingabe"));
    m_optWerteingabe->setProperty("Tag", QStringLiteral("2044"));
    m_optWerteingabe->setChecked(true);
    m_optProzess = new QRadioButton(QStringLiteral("Process Pressure Transfer"), scaling);
    m_optProzess->setObjectName(QStringLiteral("optProzessdruckübernahme"));
    m_optProzess->setProperty("Tag", QStringLiteral("2045"));
    m_optProzess->setEnabled(false);
    grid->addWidget(m_optWerteingabe, 0, 0);
    grid->addWidget(m_optProzess, 0, 1);
    m_txtMessanfang = Field(scaling, QStringLiteral("txtMessanfang"), QStringLiteral("ptrbScaleIn0"), 2042, "");
    m_txtMessende = Field(scaling, QStringLiteral("txtMessende"), QStringLiteral("ptrbScaleIn100"), 2043, "");
    m_txtMessanfang->SetObjectNameUnit(QStringLiteral("ptrbScaleInUnit"));
    m_txtMessende->SetObjectNameUnit(QStringLiteral("ptrbScaleInUnit"));
    m_cmdSetLower = Button(scaling, QStringLiteral("cmdSetLowerRangeValue"), 2048, QStringLiteral("Set Lower Range Value"));
    m_cmdSetUpper = Button(scaling, QStringLiteral("cmdSetUpperRangeValue"), 2049, QStringLiteral("Set Upper Range Value"));
    m_cmdSetLower->setEnabled(false);
    m_cmdSetUpper->setEnabled(false);
    grid->addWidget(m_txtMessanfang, 1, 0);
    grid->addWidget(m_cmdSetLower, 1, 1);
    grid->addWidget(m_txtMessende, 2, 0);
    grid->addWidget(m_cmdSetUpper, 2, 1);
    m_cmbPvScaleUnit = new controls::PioCombo(scaling);
    m_cmbPvScaleUnit->setObjectName(QStringLiteral("cmbPvScaleUnit"));
    m_cmbPvScaleUnit->SetObjectNameCombo(QStringLiteral("ptrbScaleInUnit"));
    AddRow(*grid, TaggedLabel(scaling, QStringLiteral("lblPvScaleUnit"), 2050, QStringLiteral("Unit")), m_cmbPvScaleUnit);
    column->addWidget(scaling);
    connect(m_optWerteingabe, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optWerteingabe_Click();
    });
    connect(m_optProzess, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optProzessdruckuebernahme_Click();
    });
    connect(m_cmdSetLower, &QPushButton::clicked, this, [this] { cmdSetRangeValue_Click(*m_seqSetLower); });
    connect(m_cmdSetUpper, &QPushButton::clicked, this, [this] { cmdSetRangeValue_Click(*m_seqSetUpper); });

    auto* lower = new QHBoxLayout;
    QGroupBox* tilt = Frame(tab, QStringLiteral("fraOblique"), 2132);
    auto* tiltRow = new QHBoxLayout(tilt);
    m_cmdTilt = Button(tilt, QStringLiteral("cmdMesswerkschieflageAbgleichen"), 2136, QStringLiteral("Adjust"));
    m_cmdTilt->setEnabled(false);
    tiltRow->addWidget(m_cmdTilt);
    connect(m_cmdTilt, &QPushButton::clicked, this, [this] { cmdMesswerkschieflageAbgleichen_Click(); });
    lower->addWidget(tilt);

    m_fraParallelShift = Frame(tab, QStringLiteral("fraParallelShift"), 2046);
    auto* shift = new QGridLayout(m_fraParallelShift);
    shift->addWidget(TaggedLabel(m_fraParallelShift, QStringLiteral("lblMesswertAktuell"), 2108,
                                 QStringLiteral("The current meas. value corresponds to:")),
                     0, 0, 1, 3);
    m_txtMesswertAktuell = new QLineEdit(m_fraParallelShift);
    m_txtMesswertAktuell->setObjectName(QStringLiteral("txtMesswertAktuell"));
    // Keys other than digits, sign and the two decimal marks never reach the text.
    m_txtMesswertAktuell->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,.\\-]*")), m_txtMesswertAktuell));
    shift->addWidget(m_txtMesswertAktuell, 1, 0);
    shift->addWidget(TaggedLabel(m_fraParallelShift, QStringLiteral("lblProzent"), 2011, QStringLiteral("%")), 1, 1);
    m_cmdParallelShift = Button(m_fraParallelShift, QStringLiteral("cmdParallelShift"), 2051, QStringLiteral("Execute"));
    m_cmdParallelShift->setEnabled(false);
    shift->addWidget(m_cmdParallelShift, 1, 2);
    connect(m_txtMesswertAktuell, &QLineEdit::textChanged, this, [this] { txtMesswertAktuell_Change(); });
    connect(m_cmdParallelShift, &QPushButton::clicked, this, [this] { cmdParallelShift_Click(); });
    lower->addWidget(m_fraParallelShift, 1);
    column->addLayout(lower);
    column->addStretch(1);
    return tab;
}

QWidget* frmConfigPressure::BuildOutputTab()
{
    auto* tab = new QWidget(this);
    auto* column = new QVBoxLayout(tab);
    QGroupBox* output = Frame(tab, QStringLiteral("fraOutput"), 2130);
    auto* fields = new QVBoxLayout(output);
    for (const OutputField& f : kOutputFields)
        fields->addWidget(Field(output, QLatin1String(f.control), QLatin1String(f.item), f.textId, f.unit));
    auto* linType = new controls::PioLabelComboUnit(output);
    linType->setObjectName(QStringLiteral("cmbAiLinType"));
    // Shown, not edited: the transfer function the device applies, as the
    // measuring tab sets it and the print-out names it.
    linType->SetObjectNameCombo(QStringLiteral("ptrbLinType"));
    linType->setProperty("Tag", QStringLiteral("2118"));
    linType->SetUnitVisible(false);
    linType->setEnabled(false);
    m_cmbAiLinType = linType;
    fields->addWidget(linType);
    m_txtNullRuecker = Field(output, QStringLiteral("txtNullRücker"), QStringLiteral("aiDPLowCut"), 2020, "%");
    m_txtNullRuecker->setEnabled(false);
    fields->addWidget(m_txtNullRuecker);
    column->addWidget(output);

    QGroupBox* scaling = Frame(tab, QStringLiteral("fraOutScaling"), 2047);
    auto* grid = new QGridLayout(scaling);
    auto* unit = new controls::PioCombo(scaling);
    unit->setObjectName(QStringLiteral("cmbOutScaleUnit"));
    unit->SetObjectNameCombo(QStringLiteral("aiDPOutScaleUnit"));
    m_cmbOutScaleUnit = unit;
    AddRow(*grid, TaggedLabel(scaling, QStringLiteral("lblOutUnit"), 2109, QStringLiteral("Unit")), unit);
    const char* limitItems[2] = {"aiDPOutScale100", "aiDPOutScale0"};
    const int16_t limitTexts[2] = {2111, 2110};
    for (int i = 1; i >= 0; --i) {
        m_txtAidpLimit[i] = Field(scaling, QStringLiteral("txtAidpLimit(%1)").arg(i), QLatin1String(limitItems[i]),
                                  limitTexts[i], nullptr);
        m_lblOutScaleUnit[i] = new QLabel(scaling);
        m_lblOutScaleUnit[i]->setObjectName(QStringLiteral("lblOutScaleUnit(%1)").arg(i));
        const int row = grid->rowCount();
        grid->addWidget(m_txtAidpLimit[i], row, 0);
        grid->addWidget(m_lblOutScaleUnit[i], row, 1);
    }
    m_lblOutScaleUnit[2] = new QLabel(scaling);
    m_lblOutScaleUnit[2]->setObjectName(QStringLiteral("lblOutScaleUnit(2)"));
    m_lblOutScaleUnit[2]->hide();
    column->addWidget(scaling);
    column->addStretch(1);
    connect(linType->EntryList(), &QComboBox::currentIndexChanged, this, [this] { cmbAiLinType_Click(); });
    // The limits' unit labels follow the unit item, also where a rule or a transfer changed it.
    connect(unit, &controls::PioFieldControl::ItemsShown, this, [this] { cmbOutScaleUnit_Click(); });
    return tab;
}

namespace {

PioUserCurve* CurveControl(QWidget* parent, int index, bool transferFunction)
{
    auto* curve = new PioUserCurve(parent);
    curve->setObjectName(QStringLiteral("UserCurve(%1)").arg(index));
    curve->SetIndex(index);
    curve->setObjectnamex(QStringLiteral("UserCurveX"));
    curve->setObjectnamey(QStringLiteral("UserCurveY"));
    curve->setObjectnametabactno(QStringLiteral("UserCurveActualNumber"));
    if (transferFunction)
        curve->setObjectnameusercurve(QStringLiteral("ptrbLinType"));
    curve->settabminno(2);
    curve->settabmaxno(PioUserCurve::kMaxPoints);
    curve->setformatx(QStringLiteral("####0.00"));
    curve->setusercurvecaption(QString());
    for (int c = 0; c < PioUserCurve::kCommands; ++c)
        curve->SetCommandVisible(static_cast<PioUserCurve::Command>(c), false);
    if (!transferFunction) {
        curve->SetCommandEnabled(PioUserCurve::LoadCurve, false);
        curve->SetCommandEnabled(PioUserCurve::SaveCurve, false);
    }
    return curve;
}

} // namespace

QWidget* frmConfigPressure::BuildTransferFunctionTab()
{
    auto* tab = new QWidget(this);
    auto* column = new QVBoxLayout(tab);
    m_fraRadiziert = Frame(tab, QStringLiteral("fraRadiziert"), 0);
    auto* row = new QHBoxLayout(m_fraRadiziert);
    row->addWidget(Field(m_fraRadiziert, QStringLiteral("txtSqareRoot(0)"), QStringLiteral("ptrbLowFlowCutOff"), 2020, "%"));
    row->addWidget(
        Field(m_fraRadiziert, QStringLiteral("txtSqareRoot(1)"), QStringLiteral("ptrbFlowLinSqrtPoint"), 2147, "%"));
    m_fraRadiziert->setEnabled(false);
    column->addWidget(m_fraRadiziert);
    m_curves[0] = CurveControl(tab, 0, true);
    column->addWidget(m_curves[0], 1);
    return tab;
}

QWidget* frmConfigPressure::BuildOrificeTab()
{
    auto* tab = new QWidget(this);
    auto* column = new QVBoxLayout(tab);
    m_curves[1] = CurveControl(tab, 1, false);
    column->addWidget(m_curves[1], 1);
    for (PioUserCurve* curve : m_curves) {
        connect(curve, &PioUserCurve::ReadCurveRequest, this, [this] { UserCurve_ReadCurveRequest(); });
        connect(curve, &PioUserCurve::WriteCurveRequest, this, [this] { UserCurve_WriteCurveRequest(); });
    }
    return tab;
}

QWidget* frmConfigPressure::BuildDigitisationTab()
{
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    m_cmdAutoAdjust = Button(tab, QStringLiteral("cmdAutoAdjust"), 2541, QStringLiteral("Automatic Adjustment"));
    grid->addWidget(m_cmdAutoAdjust, 0, 0, 1, 4);
    grid->addWidget(Field(tab, QStringLiteral("txtThreshold"), QStringLiteral("thresholdValADC"), 2556, nullptr), 1, 0, 1, 4);
    connect(m_cmdAutoAdjust, &QPushButton::clicked, this, [this] { AutoAdjustThreshold(); });
    // Slider rows: caption, scale ends, the value label; the position is the item's value.
    struct SliderRow {
        const char* slider;
        const char* label;
        int16_t textId;
        const char* low;
        const char* high;
        int maximum;
    };
    const SliderRow rows[2] = {{"sldMeasIntegrationTime", "lblMeasIntegrationTime", 2543, "100ms", "1300ms", 13},
                               {"sldThresholdTime", "lblThresholdTime", 2542, "10ms", "2000ms", 200}};
    for (int i = 0; i < 2; ++i) {
        const SliderRow& r = rows[i];
        const int row = 2 + i * 2;
        auto* slider = new QSlider(Qt::Horizontal, tab);
        slider->setObjectName(QLatin1String(r.slider));
        slider->setRange(1, r.maximum);
        auto* value = new QLabel(tab);
        value->setObjectName(QLatin1String(r.label));
        grid->addWidget(TaggedLabel(tab, QStringLiteral("lblSliderCaption(%1)").arg(i), r.textId), row, 0, 1, 2);
        grid->addWidget(value, row, 2, 1, 2);
        grid->addWidget(new QLabel(QLatin1String(r.low), tab), row + 1, 0);
        grid->addWidget(slider, row + 1, 1, 1, 2);
        grid->addWidget(new QLabel(QLatin1String(r.high), tab), row + 1, 3);
        (i == 0 ? m_sldIntegration : m_sldThreshold) = slider;
        (i == 0 ? m_lblIntegration : m_lblThreshold) = value;
    }
    grid->setRowStretch(6, 1);
    connect(m_sldIntegration, &QSlider::valueChanged, this,
            [this] { SliderScroll(*m_sldIntegration, *m_appMeasIntegrationTime[1]); });
    connect(m_sldThreshold, &QSlider::valueChanged, this,
            [this] { SliderScroll(*m_sldThreshold, *m_appThresholdTime[1]); });
    return tab;
}

void frmConfigPressure::OnLoad()
{
    for (PioUserCurve* curve : m_curves)
        for (auto command : {PioUserCurve::ReadCurve, PioUserCurve::WriteCurve, PioUserCurve::LoadCurve,
                             PioUserCurve::SaveCurve, PioUserCurve::NewCurve, PioUserCurve::ChangeCurve})
            curve->SetCommandVisible(command, true);
}

void frmConfigPressure::OnBeforeRegister()
{
    const auto view = viewRef();
    m_converter = std::make_shared<clsChangeUnitValue>();
    m_converter->Register(view ? view->appletItemManagerRef() : nullptr);
    // Newer HART devices show the range in the extended unit set.
    if (global::gDeviceInfo && global::gDeviceInfo->CommType() == enmCommType::HART
        && global::gDeviceInfo->softwareRevision().trimmed().toDouble() > 20) {
        const QString unit = QStringLiteral("ptrbScaleInUnit_21");
        m_cmbPvScaleUnit->SetObjectNameCombo(unit);
        m_txtMessanfang->SetObjectNameUnit(unit);
        m_txtMessende->SetObjectNameUnit(unit);
    }
}

void frmConfigPressure::OnFirstActivation()
{
    ApplyDeviceVariant();
    appConnectionStatus_ValueChanged();
    appMeasIntegrationTime_ValueChanged();
    appThresholdTime_ValueChanged();
    InitUserCurve();
    appPtrbLinType_ValueChanged();
    // The unit list was filled as it registered, without a selection change: the limits show its unit now.
    cmbOutScaleUnit_Click();
}

bool frmConfigPressure::Connected() const
{
    return std::lround(m_appConnectionStatus->StringValue().trimmed().toDouble()) == kConnected;
}

bool frmConfigPressure::German() const
{
    return global::GermanTexts();
}

void frmConfigPressure::ApplyDeviceVariant()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    IDeviceInfo& info = *global::gDeviceInfo;
    const int16_t caption =
        info.ModuleType() == enmModuleType::DIFFERENTIAL_PRESSURE ? kCaptionDifferential : kCaptionPressure;
    setProperty("Tag", QString::number(caption));
    setWindowTitle(GetTextFromResource(caption));
    const bool flowMode = info.MvActualBlockMode() == kFlowBlockMode && info.MvFunctionEnabled();
    bool curvesEnabled = true;
    const double revision = info.softwareRevision().trimmed().toDouble();
    if (flowMode)
        curvesEnabled = revision >= kCurveRevision;
    m_cmbPvScaleUnit->setEnabled(!flowMode || revision >= kFreeRangeUnitRevision);
    m_fraParallelShift->setEnabled(!flowMode);
    m_txtMesswertAktuell->setEnabled(!flowMode);
    m_cmdParallelShift->setEnabled(!flowMode && Connected() && !m_txtMesswertAktuell->text().isEmpty());
    m_cmbOutScaleUnit->setEnabled(!flowMode);
    for (auto* limit : m_txtAidpLimit)
        limit->setEnabled(!flowMode);
    for (PioUserCurve* curve : m_curves)
        curve->setEnabled(curvesEnabled);
    cmbAiLinType_Click();
}

void frmConfigPressure::appConnectionStatus_ValueChanged()
{
    const bool connected = Connected();
    m_optProzess->setEnabled(connected);
    if (!connected) {
        m_optWerteingabe->setChecked(true);
        optWerteingabe_Click();
    }
    m_cmdParallelShift->setEnabled(connected && m_fraParallelShift->isEnabled()
                                   && !m_txtMesswertAktuell->text().isEmpty());
    m_cmdTilt->setEnabled(connected);
    for (PioUserCurve* curve : m_curves) {
        curve->SetCommandEnabled(PioUserCurve::ReadCurve, connected);
        curve->SetCommandEnabled(PioUserCurve::WriteCurve, connected);
    }
}

void frmConfigPressure::optWerteingabe_Click()
{
    m_txtMessanfang->setEnabled(true);
    m_txtMessende->setEnabled(true);
    m_cmdSetLower->setEnabled(false);
    m_cmdSetUpper->setEnabled(false);
}

void frmConfigPressure::optProzessdruckuebernahme_Click()
{
    m_cmdSetLower->setEnabled(true);
    m_cmdSetUpper->setEnabled(true);
    m_txtMessanfang->setEnabled(false);
    m_txtMessende->setEnabled(false);
}

void frmConfigPressure::cmdSetRangeValue_Click(pioitems::PioSequenceItem& sequence)
{
    if (ForceSequence(sequence))
        m_rangeSequenceRunning = true;
}

void frmConfigPressure::seqSetRangeValue_StatusChanged(pioitems::PioSequenceItem& sequence, int32_t status)
{
    if (status == applet::SequenceState::WriteRequest || status == applet::SequenceState::ReadRequest) {
        sequence.DoAction(kRun);
        return;
    }
    // Only the end of a sequence this page started reads the data of the
    // parallel shift again; the ready state pushed at registration does not.
    if (status != applet::SequenceState::Ready || !Registered() || !m_rangeSequenceRunning)
        return;
    m_rangeSequenceRunning = false;
    // A range the device refused (pressure beyond the sensor limits, span too
    // small) is read back as well, so the page shows what the device holds.
    m_rangeResult = kRangeSet;
    if (SequenceFailed(sequence.AppItemName())) {
        applet::AppletTrace::Error(QStringLiteral("%1: the device refused the range").arg(sequence.AppItemName()));
        m_rangeResult = kNotCarriedOut;
    }
    if (!StartSequence(*m_seqGetParallelShiftData))
        Finished(std::exchange(m_rangeResult, 0));
}

void frmConfigPressure::cmdMesswerkschieflageAbgleichen_Click()
{
    const bool ok = dialogs::DialogService::instance().AskOkCancel(dialogs::OwnTitle{GetTextFromResource(kTiltTitle)},
                                                                   GetTextFromResource(kTiltQuestion),
                                                                   dialogs::MessageIcon::Information);
    if (ok)
        ForceSequence(*m_seqSetSecondaryVariable1Zero);
}

void frmConfigPressure::seqSetSecondaryVariable1Zero_StatusChanged(int32_t status)
{
    if (status == applet::SequenceState::WriteRequest || status == applet::SequenceState::ReadRequest) {
        m_tiltRunning = true;
        m_seqSetSecondaryVariable1Zero->DoAction(kRun);
    } else if (status == applet::SequenceState::Ready && m_tiltRunning) {
        m_tiltRunning = false;
        global::SetMainWindowEnabled(true);
        Finished(SequenceFailed(m_seqSetSecondaryVariable1Zero->AppItemName()) ? kNotCarriedOut : kZeroAdjusted);
    }
}

void frmConfigPressure::Finished(int16_t textId)
{
    // A failure is a message under the page's caption; a success a line in the status bar.
    if (textId == kNotCarriedOut) {
        Warn(static_cast<int16_t>(property("Tag").toInt()), textId);
        return;
    }
    ShowStatus(textId);
}

void frmConfigPressure::txtMesswertAktuell_Change()
{
    m_cmdParallelShift->setEnabled(!m_txtMesswertAktuell->text().isEmpty() && Connected()
                                   && m_fraParallelShift->isEnabled());
}

std::optional<double> frmConfigPressure::ParsePercent(const QString& text, bool german)
{
    const QString trimmed = text.trimmed();
    QLocale user(german ? QLocale::German : QLocale::English, german ? QLocale::Germany : QLocale::UnitedStates);
    user.setNumberOptions(QLocale::RejectGroupSeparator);
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = user.toDouble(trimmed, &ok);
    if (!ok)
        value = c.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void frmConfigPressure::cmdParallelShift_Click()
{
    // A text that is no number would shift by an undefined amount: refused before anything runs.
    if (!ParsePercent(m_txtMesswertAktuell->text(), German())) {
        applet::AppletTrace::Error(
            QStringLiteral("parallel shift: \"%1\" is not a percentage").arg(m_txtMesswertAktuell->text()));
        WarnParallelShift(kNotANumber);
        return;
    }
    if (StartSequence(*m_seqGetParallelShiftData)) {
        m_parallelShiftPending = true;
        m_parallelShiftPhase = 0;
    }
}

void frmConfigPressure::seqGetParallelShiftData_StatusChanged(int32_t status)
{
    if (status == applet::SequenceState::ReadRequest) {
        m_parallelShiftPhase = 1;
        m_seqGetParallelShiftData->DoAction(kRun);
        return;
    }
    if (status != applet::SequenceState::Ready)
        return;
    if (m_parallelShiftPhase == 0) {
        // An end without a read of the page's: whatever shift was pending is over.
        m_parallelShiftPending = false;
        return;
    }
    if (m_parallelShiftPhase == 1) {
        // A read that failed leaves stale values: nothing is taken, nothing computed.
        if (SequenceFailed(m_seqGetParallelShiftData->AppItemName())) {
            applet::AppletTrace::Error(QStringLiteral("parallel shift: the range was not read; nothing is shifted"));
            m_parallelShiftPhase = 0;
            m_parallelShiftPending = false;
            m_rangeResult = 0;
            global::SetMainWindowEnabled(true);
            Finished(kNotCarriedOut);
            return;
        }
        m_parallelShiftPhase = 2;
        m_seqGetParallelShiftData->Adjust();
        return;
    }
    m_parallelShiftPhase = 0;
    if (!m_parallelShiftPending) {
        global::SetMainWindowEnabled(true);
        if (m_rangeResult)
            Finished(std::exchange(m_rangeResult, 0));
        return;
    }
    m_parallelShiftPending = false;
    if (!ComputeParallelShift()) {
        global::SetMainWindowEnabled(true);
        return;
    }
    ForceSequence(*m_seqSetParallelShiftData);
}

void frmConfigPressure::seqSetParallelShiftData_StatusChanged(int32_t status)
{
    if (status == applet::SequenceState::WriteRequest) {
        m_shiftWriting = true;
        m_seqSetParallelShiftData->DoAction(kRun);
    } else if (status == applet::SequenceState::Ready && m_shiftWriting) {
        m_shiftWriting = false;
        global::SetMainWindowEnabled(true);
        Finished(SequenceFailed(m_seqSetParallelShiftData->AppItemName()) ? kNotCarriedOut : kRangeShifted);
    }
}

bool frmConfigPressure::ComputeParallelShift()
{
    const std::optional<double> entered = ParsePercent(m_txtMesswertAktuell->text(), German());
    if (!entered)
        return false;
    const int32_t limitUnit = static_cast<int32_t>(std::lround(m_appSensorLimitUnit->UIntValue()));
    const int32_t rangeUnit = static_cast<int32_t>(std::lround(m_appScaleInUnit->UIntValue()));
    const double L = m_converter->ChangeUnitValue(NumberOf(*m_appLowerSensorLimit), limitUnit, rangeUnit);
    const double U = m_converter->ChangeUnitValue(NumberOf(*m_appUpperSensorLimit), limitUnit, rangeUnit);
    const double start = NumberOf(*m_appMessanfang);
    const double end = NumberOf(*m_appMessende);
    const float shift = static_cast<float>((end - start) * (NumberOf(*m_appPercentRange) - *entered) / 100.0);
    const bool rising = m_appMessanfang->FloatValue() < m_appMessende->FloatValue();
    const double lo = rising ? start : end;
    const double hi = rising ? end : start;
    if (L - U / 10 > lo + shift || U + U / 10 < hi + shift) {
        applet::AppletTrace::Error(QStringLiteral("parallel shift by %1 leaves the band %2 to %3")
                                       .arg(double(shift))
                                       .arg(L - U / 10)
                                       .arg(U + U / 10));
        WarnParallelShift(kRangeLimitsExceeded);
        return false;
    }
    m_appMessende->SetStringValue(QString::number(end + shift, 'g', 9));
    m_appMessanfang->SetStringValue(QString::number(start + shift, 'g', 9));
    return true;
}

namespace {

// The label of a converter time: plain when the dataset and the device hold
// the same, blue and underlined when they differ; the time in ms.
void ShowConverterTime(QLabel& label, const pioitems::PioAppItem& shadow, const pioitems::PioAppItem& value,
                       int factor)
{
    const bool same = shadow.StringValue() == value.StringValue();
    QFont font = label.font();
    font.setUnderline(!same);
    label.setFont(font);
    label.setStyleSheet(same ? QStringLiteral("color: #000000;") : QStringLiteral("color: #0000FF;"));
    bool ok = false;
    const double steps = value.StringValue().trimmed().toDouble(&ok);
    if (ok)
        label.setText(QStringLiteral("%1 ms").arg(std::lround(steps * factor)));
}

} // namespace

void frmConfigPressure::appMeasIntegrationTime_ValueChanged()
{
    ShowConverterTime(*m_lblIntegration, *m_appMeasIntegrationTime[0], *m_appMeasIntegrationTime[1], 100);
    if (!m_scrolling) {
        const QSignalBlocker quiet(m_sldIntegration);
        m_sldIntegration->setValue(static_cast<int>(std::lround(m_appMeasIntegrationTime[1]->UIntValue())));
    }
}

void frmConfigPressure::appThresholdTime_ValueChanged()
{
    ShowConverterTime(*m_lblThreshold, *m_appThresholdTime[0], *m_appThresholdTime[1], 10);
    if (!m_scrolling) {
        const QSignalBlocker quiet(m_sldThreshold);
        m_sldThreshold->setValue(static_cast<int>(std::lround(m_appThresholdTime[1]->UIntValue())));
    }
}

void frmConfigPressure::SliderScroll(QSlider& slider, pioitems::PioAppItem& item)
{
    if (!Registered())
        return;
    m_scrolling = true;
    item.SetStringValue(QString::number(slider.value()));
    m_scrolling = false;
}

void frmConfigPressure::AutoAdjustThreshold()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    m_appThresholdValue->SetStringValue(QStringLiteral("100"));
    m_appThresholdTime[1]->SetStringValue(QStringLiteral("200"));
    IDeviceInfo& info = *global::gDeviceInfo;
    const auto code = [&info](enmPtrbLinType type) { return info.GetPtrbLinTypeCode(type); };
    const int32_t linType = static_cast<int32_t>(std::lround(m_appPtrbLinType->UIntValue()));
    const char* steps = nullptr;
    if (linType == code(enmPtrbLinType::LINEAR)) {
        double turndown = 0;
        const int32_t limitUnit = static_cast<int32_t>(std::lround(m_appSensorLimitUnit->UIntValue()));
        const int32_t rangeUnit = static_cast<int32_t>(std::lround(m_appScaleInUnit->UIntValue()));
        const double span = std::fabs(m_appMessende->FloatValue() - m_appMessanfang->FloatValue());
        if (span > 0)
            turndown = m_converter->ChangeUnitValue(NumberOf(*m_appUpperSensorLimit), limitUnit, rangeUnit) / span;
        if (!std::isfinite(turndown))
            turndown = 0;
        for (const TurndownStep& step : kTurndownSteps)
            if (turndown > step.above) {
                steps = step.steps;
                break;
            }
    } else {
        for (enmPtrbLinType type : {enmPtrbLinType::SQUARE_ROOT, enmPtrbLinType::SQUARE_ROOT_3,
                                    enmPtrbLinType::SQUARE_ROOT_5, enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION})
            if (linType == code(type))
                steps = "8";
        for (enmPtrbLinType type : {enmPtrbLinType::USER_CURVE, enmPtrbLinType::CYLINDRIC, enmPtrbLinType::SPHERICAL})
            if (!steps && linType == code(type))
                steps = "4";
    }
    if (steps)
        m_appMeasIntegrationTime[1]->SetStringValue(QLatin1String(steps));
}

void frmConfigPressure::cmbAiLinType_Click()
{
    m_txtNullRuecker->setVisible(m_cmbAiLinType->EntryList()->currentIndex() == 1);
}

void frmConfigPressure::cmbOutScaleUnit_Click()
{
    const QString unit = m_cmbOutScaleUnit->EntryList()->currentText();
    for (QLabel* label : m_lblOutScaleUnit)
        label->setText(unit);
}

void frmConfigPressure::appPtrbLinType_ValueChanged()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    PageTabs* tabs = Tabs();
    const int selected = tabs->tbsOptions()->currentIndex();
    m_fraRadiziert->setEnabled(false);
    tabs->RemoveTab(QStringLiteral("3t"));
    const int32_t linType = static_cast<int32_t>(std::lround(m_appPtrbLinType->UIntValue()));
    if (linType == global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::SQUARE_ROOT)) {
        m_fraRadiziert->setEnabled(true);
    } else if (linType == global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION)) {
        m_fraRadiziert->setEnabled(true);
        tabs->InsertTab(3, QStringLiteral("3t"), kOrificeTabText);
        tabs->tbsOptions_Click();
    }
    tabs->tbsOptions()->setCurrentIndex(std::min(selected, tabs->tbsOptions()->count() - 1));
    tabs->tbsOptions_Click();
}

void frmConfigPressure::InitUserCurve()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    IDeviceInfo& info = *global::gDeviceInfo;
    controls::CurveDefinitions& curves = m_curves[0]->Curves();
    for (enmPtrbLinType type : kLinTypeOrder)
        curves.RemoveCurve(info.GetPtrbLinTypeCode(type));
    try {
        const int16_t linear = info.GetPtrbLinTypeCode(enmPtrbLinType::LINEAR);
        curves.DefineCurve(linear);
        curves.AddCurveSegment(linear, QStringLiteral("x"), 0, 100, 100);
        BuildSquareRootCurves();
        for (const PresetCurve& preset : kPresets) {
            const int16_t code = info.GetPtrbLinTypeCode(preset.type);
            curves.DefineCurve(code);
            curves.AddCurveSegment(code, QLatin1String(preset.formula), 0, 100, kPresetStep);
        }
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("transfer function curves: %1").arg(error.description()));
    }
    m_curves[0]->RefreshCurves();
}

void frmConfigPressure::BuildSquareRootCurves()
{
    // The input percentages at which the square-root output reaches the cut-off and the transition point.
    const auto inputOf = [](float percent) {
        const double tenth = std::nearbyint(double(percent) * 10.0) / 10.0; // ties to even
        return std::pow(tenth / 10.0, 2);
    };
    const double c = inputOf(m_appSqareRoot[0]->FloatValue());
    const double t = inputOf(m_appSqareRoot[1]->FloatValue());
    controls::CurveDefinitions& curves = m_curves[0]->Curves();
    const QString root = QStringLiteral("10*x^(1/2)");
    for (enmPtrbLinType type : {enmPtrbLinType::SQUARE_ROOT, enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION}) {
        const int16_t code = global::gDeviceInfo->GetPtrbLinTypeCode(type);
        curves.RemoveCurve(code);
        curves.DefineCurve(code);
        if (c > 0)
            curves.AddCurveSegment(code, QStringLiteral("0"), 0, float(c), float(c));
        if (t - c > 0.1) {
            curves.AddCurveSegment(code, root, float(c), float(t), float(t - c));
            curves.AddCurveSegment(code, root, float(t), 100, 2);
        } else {
            curves.AddCurveSegment(code, root, float(c), 100, 2);
        }
    }
}

void frmConfigPressure::UserCurve_ReadCurveRequest()
{
    m_curveSequence = m_seqGetUserCurve;
    m_seqGetUserCurve->Start();
}

void frmConfigPressure::UserCurve_WriteCurveRequest()
{
    m_appAdjustUserCurve->SetStringValue(QStringLiteral("1"));
    m_curveSequence = m_seqSetUserCurve;
    m_seqSetUserCurve->Force();
}

void frmConfigPressure::seqUserCurve_StatusChanged(pioitems::PioSequenceItem& sequence, int32_t status)
{
    if (!Registered() || status != applet::SequenceState::Ready)
        return;
    // Only the end of the curve's own request counts: a later end of the other sequence leaves it waiting.
    const bool mine = m_curveSequence == &sequence;
    if (mine)
        m_curveSequence = nullptr;
    // A curve that was not read or written stays the user's edit: it stays
    // marked, so the next download still writes it.
    if (SequenceFailed(sequence)) {
        applet::AppletTrace::Error(
            QStringLiteral("%1 failed: the edited curve stays marked as not written").arg(sequence.AppItemName()));
        if (mine)
            Finished(kNotCarriedOut);
        return;
    }
    if (mine)
        ShowStatus(&sequence == m_seqGetUserCurve ? kCurveRead : kCurveWritten);
    // Other buses take the curve in use with "CloseUserCurve"; their flags stay until it ends.
    if (&sequence == m_seqSetUserCurve
        && (!global::gDeviceInfo || global::gDeviceInfo->CommType() != enmCommType::HART))
        return;
    for (PioUserCurve* curve : m_curves)
        curve->SetModified(false);
}

void frmConfigPressure::appCurrentSequence_ValueChanged()
{
    // Written only when the edited state changes, so a 1 set elsewhere is not cleared by a sequence starting.
    const bool modified = m_curves[0]->Modified() || m_curves[1]->Modified();
    if (modified == m_dirtyWritten)
        return;
    try {
        m_appUserCurveDirty->SetUIntValue(modified ? 1 : 0);
        m_dirtyWritten = modified;
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("userCurveDirty not written: %1").arg(error.description()));
    }
}
