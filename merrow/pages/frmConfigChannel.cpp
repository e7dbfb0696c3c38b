#include "merrow/pages/frmConfigChannel.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioFieldControl.h"
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace pagecontrols;

namespace {

constexpr int kComputingFlow = 8;
constexpr int kSquareRoot = 1; // the transfer function index that has a low cut-off

// The output controls: name (%1: the limit control's name), kind, label text id, fixed unit, frame (2 or 3).
struct OutputRow {
    const char* control;
    FieldKind kind;
    int16_t textId;
    const char* unit;
    int frame;
};
constexpr OutputRow kOutputRows[frmConfigChannel::kOutputs] = {
    {"cmbOutScaleUnit", FieldKind::Combo, 2109, nullptr, 2},
    {"%1(0)", FieldKind::Text, 2110, nullptr, 2},
    {"%1(1)", FieldKind::Text, 2111, nullptr, 2},
    {"txtNullRücker", FieldKind::Text, 2020, "%", 3},
    {"PioText1(1)", FieldKind::Text, 2113, nullptr, 3},
    {"PioText2(1)", FieldKind::Text, 2114, nullptr, 3},
    {"PioText1(2)", FieldKind::Text, 2115, nullptr, 3},
    {"PioText2(2)", FieldKind::Text, 2116, nullptr, 3},
    {"PioText1(4)", FieldKind::Text, 2112, "s", 3},
    {"PioText1(5)", FieldKind::Text, 2117, "%", 3},
    {"cmbAiLinType", FieldKind::Combo, 2118, nullptr, 3},
};
constexpr int kUnit = 0;
constexpr int kLowerLimit = 1; // the upper limit follows it
constexpr int kLowCut = 3;
constexpr int kLinType = 10;

} // namespace

frmConfigChannel::frmConfigChannel(const Variant& variant)
    : PioPage(QLatin1String(variant.formName), false, false), m_variant(variant)
{
    setProperty("Tag", QString::number(variant.captionId));
    setWindowTitle(QLatin1String(variant.caption));
    auto* layout = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    layout->addWidget(tabs);

    m_pvTab = new QWidget;
    auto* pvColumn = new QVBoxLayout(m_pvTab);
    QGroupBox* scaling = TaggedFrame(m_pvTab, QStringLiteral("fraSkalierung"), 2047);
    auto* scalingColumn = new QVBoxLayout(scaling);
    for (const FieldRow& row : variant.range)
        scalingColumn->addWidget(pagecontrols::Field(scaling, row));
    pvColumn->addWidget(scaling);
    pvColumn->addStretch(1);

    auto* output = new QWidget;
    auto* outputColumn = new QVBoxLayout(output);
    QGroupBox* frames[2] = {TaggedFrame(output, QStringLiteral("Frame2"), 2047), TaggedFrame(output, QStringLiteral("Frame3"), 2130)};
    QGridLayout* grids[2] = {new QGridLayout(frames[0]), new QGridLayout(frames[1])};
    // An empty grid already counts one row, so each frame counts its own rows.
    int rows[2] = {0, 0};
    for (int i = 0; i < kOutputs; ++i) {
        const OutputRow& o = kOutputRows[i];
        QString name = QString::fromUtf8(o.control);
        if (name.contains(QLatin1String("%1")))
            name = name.arg(QLatin1String(variant.limitControl));
        const QByteArray nameBytes = name.toUtf8();
        const FieldRow row = {nameBytes.constData(), o.kind, variant.outputItems[static_cast<size_t>(i)], o.textId,
                              o.unit, nullptr, false};
        const int f = o.frame - 2;
        controls::PioFieldControl* field = pagecontrols::Field(frames[f], row);
        grids[f]->addWidget(field, rows[f]++, 0);
        m_outputs.push_back(field);
    }
    // The unit labels beside the output scale's lower and upper limit, as on
    // the pressure page; the third keeps the unit without a place of its own.
    for (int n = 0; n < 3; ++n) {
        auto* label = new QLabel(frames[0]);
        label->setObjectName(QStringLiteral("lblOutScaleUnit(%1)").arg(n));
        m_unitLabels[static_cast<size_t>(n)] = label;
        if (n < 2)
            grids[0]->addWidget(label, kLowerLimit + n, 1);
        else
            label->hide();
    }
    outputColumn->addWidget(frames[0]);
    outputColumn->addWidget(frames[1]);
    outputColumn->addStretch(1);

    tabs->AddTab(QStringLiteral("0t"), 2104, m_pvTab);
    tabs->AddTab(QStringLiteral("1t"), 2105, output);

    pioitems::Ambient::SetUserMode(this, false);
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    pioitems::Ambient::SetUserMode(this, true);
    connect(m_appMvModeBlkActual, &pioitems::PioAppItem::ValueChanged, this, [this] {
        if (Registered())
            EnablingRules();
    });
    if (QComboBox* list = m_outputs[kLinType]->EntryList())
        connect(list, &QComboBox::currentIndexChanged, this, [this] { cmbAiLinType_Click(); });
    // The limits' unit labels follow the unit item, also where a rule or a transfer changed it.
    connect(m_outputs[kUnit], &controls::PioFieldControl::ItemsShown, this, [this] { cmbOutScaleUnit_Click(); });
}

controls::PioFieldControl* frmConfigChannel::Field(const QString& name) const
{
    return findChild<controls::PioFieldControl*>(name);
}

void frmConfigChannel::OnFirstActivation()
{
    EnablingRules();
    cmbOutScaleUnit_Click();
}

void frmConfigChannel::EnablingRules()
{
    if (!global::gDeviceInfo) {
        applet::AppletTrace::Error(QStringLiteral("%1: no device information").arg(objectName()));
        return;
    }
    IDeviceInfo& device = *global::gDeviceInfo;
    // While the flow block computes, the flow function owns the output scale.
    const bool flowOwnsScale = device.MvActualBlockMode() == kComputingFlow && device.MvFunctionEnabled();
    for (int i : {0, 1, 2})
        m_outputs[static_cast<size_t>(i)]->setEnabled(!flowOwnsScale);
    cmbAiLinType_Click();
}

void frmConfigChannel::cmbAiLinType_Click()
{
    const QComboBox* list = m_outputs[kLinType]->EntryList();
    m_outputs[kLowCut]->setVisible(list && list->currentIndex() == kSquareRoot);
}

void frmConfigChannel::cmbOutScaleUnit_Click()
{
    const QComboBox* list = m_outputs[kUnit]->EntryList();
    const QString unit = list ? list->currentText() : QString();
    for (QLabel* label : m_unitLabels)
        label->setText(unit);
}
