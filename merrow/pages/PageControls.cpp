#include "merrow/pages/PageControls.h"
#include "dalvex/ctlDisplaySetting.h"
#include "merrow/shell/frmMain.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioText.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace pagecontrols {

QLabel* TaggedLabel(QWidget* parent, const QString& name, int16_t textId, const QString& design)
{
    auto* label = new QLabel(design, parent);
    label->setObjectName(name);
    label->setProperty("Tag", QString::number(textId));
    return label;
}

controls::PioText* Text(QWidget* parent, const QString& name, const QString& item)
{
    auto* text = new controls::PioText(parent);
    text->setObjectName(name);
    text->SetObjectNameText(item);
    return text;
}

controls::PioLabel* Label(QWidget* parent, const QString& name, const QString& item)
{
    auto* label = new controls::PioLabel(parent);
    label->setObjectName(name);
    label->SetObjectNameLabel(item);
    return label;
}

pioitems::PioAppItem* AppItem(QWidget* parent, const QString& name, const QString& item)
{
    auto* control = new pioitems::PioAppItem(parent);
    control->setObjectName(name);
    control->SetAppItemName(item);
    control->hide();
    return control;
}

pioitems::PioSequenceItem* SequenceItem(QWidget* parent, const QString& name, const QString& sequence)
{
    auto* control = new pioitems::PioSequenceItem(parent);
    control->setObjectName(name);
    control->SetAppItemName(sequence);
    control->hide();
    return control;
}

void RequestRangeValuesOnce(pioitems::PioSequenceItem& seqGetRangeValues)
{
    if (frmMain::RangeValuesRead || frmMain::RangeValuesRequested)
        return;
    frmMain::RangeValuesRequested = true;
    // A start that fails for good never runs: the next window asks again.
    QObject::connect(&seqGetRangeValues, &pioitems::PioSequenceItem::ActionDropped, &seqGetRangeValues,
                     [] { frmMain::RangeValuesRequested = false; });
    seqGetRangeValues.Start();
}

void InitDisplaySetting(ctlDisplaySetting& setting, QObject* displayCtrl, QComboBox* cmbMeasValue)
{
    try {
        setting.Init(displayCtrl, cmbMeasValue);
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: the measured values were not offered: %2").arg(setting.objectName(), error.description()));
    }
}

void AddRow(QGridLayout& grid, QLabel* caption, QWidget* field)
{
    const int row = grid.rowCount();
    grid.addWidget(caption, row, 0);
    grid.addWidget(field, row, 1);
}

AdditionalInformation AdditionalInformationTab(const QString& softwareItem, QWidget* serialNumber,
                                               const QString& commTypeDesign)
{
    AdditionalInformation parts;
    parts.tab = new QWidget;
    auto* column = new QVBoxLayout(parts.tab);
    auto* revisions = new QGroupBox(parts.tab);
    revisions->setObjectName(QStringLiteral("fraRevisions"));
    revisions->setProperty("Tag", QStringLiteral("2260"));
    auto* revisionGrid = new QGridLayout(revisions);
    AddRow(*revisionGrid, TaggedLabel(revisions, QStringLiteral("Label4(0)"), 2261),
           Text(revisions, QStringLiteral("PioText4"), softwareItem));
    parts.lblHardwareRev = new QLabel(QStringLiteral("1.0"), revisions);
    parts.lblHardwareRev->setObjectName(QStringLiteral("lblHardwareRev"));
    AddRow(*revisionGrid, TaggedLabel(revisions, QStringLiteral("Label4(1)"), 2262), parts.lblHardwareRev);
    column->addWidget(revisions);
    auto* lower = new QGroupBox(parts.tab);
    lower->setObjectName(QStringLiteral("fraMore"));
    auto* lowerGrid = new QGridLayout(lower);
    serialNumber->setParent(lower);
    AddRow(*lowerGrid, TaggedLabel(lower, QStringLiteral("Label5(0)"), 2263), serialNumber);
    parts.lblCommType = new QLabel(commTypeDesign, lower);
    parts.lblCommType->setObjectName(QStringLiteral("lblCommType"));
    AddRow(*lowerGrid, TaggedLabel(lower, QStringLiteral("Label5(1)"), 2259), parts.lblCommType);
    column->addWidget(lower);
    column->addStretch(1);
    return parts;
}

} // namespace pagecontrols
