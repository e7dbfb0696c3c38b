#include "merrow/pages/frmIdentificationFieldbus.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioText.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioText.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace pagecontrols;

namespace {

struct TagRow {
    const char* label;
    int16_t textId;
    const char* control;
    const char* item;
};
// The tags of the function blocks; the last three are those of the multivariable function.
constexpr TagRow kBlockTags[] = {
    {"Label3(0)", 2157, "PioText2(6)", "ptrbTagDesc"},
    {"Label3(4)", 2158, "PioText2(4)", "aidpTagDesc"},
    {"Label3(5)", 2159, "PioText2(5)", "aipTagDesc"},
    {"Label3(6)", 2163, "PioText1(2)", "pidTagDesc"},
};
constexpr TagRow kMvTags[] = {
    {"Label3(1)", 2160, "PioText2(3)", "ttrbTagDesc"},
    {"Label3(2)", 2161, "PioText1(0)", "aitTagDesc"},
    {"Label3(3)", 2162, "PioText1(1)", "mvTagDesc"},
};

void AddTagRow(QWidget* parent, QGridLayout& grid, const TagRow& row)
{
    AddRow(grid, TaggedLabel(parent, QLatin1String(row.label), row.textId),
           Text(parent, QLatin1String(row.control), QLatin1String(row.item)));
}

} // namespace

frmIdentificationFieldbus::frmIdentificationFieldbus(const Variant& variant)
    : PioPage(QLatin1String(variant.formName), false, false), m_variant(variant)
{
    setProperty("Tag", QStringLiteral("2078"));
    setWindowTitle(QStringLiteral("Identification"));
    auto* layout = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    layout->addWidget(tabs);

    auto* device = new QWidget;
    auto* deviceGrid = new QGridLayout(device);
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label1(4)"), 2079), Text(device, QStringLiteral("PioText1(4)"), QStringLiteral("pbTagDesc")));
    if (variant.hasDescription)
        AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label1(5)"), 2152), Text(device, QStringLiteral("PioText1(5)"), QStringLiteral("pbDescriptor")));
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label1(6)"), 2153), Text(device, QStringLiteral("PioText1(6)"), QStringLiteral("pbDeviceMessage"), kDeviceMessageCharacters));
    m_lblAddress = new QLabel(device);
    m_lblAddress->setObjectName(QStringLiteral("lblAddress"));
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label2(0)"), 2148), m_lblAddress);
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label2(1)"), 2149), Text(device, QStringLiteral("PioText2(1)"), QLatin1String(variant.manufacturerItem)));
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label2(2)"), 2154), Text(device, QStringLiteral("PioText2(2)"), QStringLiteral("pbDeviceIdPROFI")));
    deviceGrid->setRowStretch(deviceGrid->rowCount(), 1);

    auto* tags = new QWidget;
    auto* tagColumn = new QVBoxLayout(tags);
    auto* blockGrid = new QGridLayout;
    for (const TagRow& row : kBlockTags)
        AddTagRow(tags, *blockGrid, row);
    tagColumn->addLayout(blockGrid);
    m_fraMVTagDesc = new QGroupBox(tags);
    m_fraMVTagDesc->setObjectName(QStringLiteral("fraMVTagDesc"));
    auto* mvGrid = new QGridLayout(m_fraMVTagDesc);
    for (const TagRow& row : kMvTags)
        AddTagRow(m_fraMVTagDesc, *mvGrid, row);
    tagColumn->addWidget(m_fraMVTagDesc);
    tagColumn->addStretch(1);

    m_lblSensorNumber = new QLabel;
    m_lblSensorNumber->setObjectName(QStringLiteral("lblSensorNumber"));
    const AdditionalInformation more =
        AdditionalInformationTab(QLatin1String(variant.softwareItem), m_lblSensorNumber, QLatin1String(variant.commType));
    m_lblCommType = more.lblCommType;

    tabs->AddTab(QStringLiteral("0t"), 2155, device);
    tabs->AddTab(QStringLiteral("1t"), 2156, tags);
    tabs->AddTab(QStringLiteral("2t"), 2540, more.tab);

    // These two follow their items from the registration on, its own push included.
    m_appAddress = AppItem(this, QStringLiteral("appAddress"), QStringLiteral("&&private_PM&&Address"));
    m_appSensorNumber = AppItem(this, QStringLiteral("appSensorNumber"), QStringLiteral("ptrbSensorSerialNumber"));
    connect(m_appAddress, &pioitems::PioAppItem::ValueChanged, this,
            [this] { m_lblAddress->setText(m_appAddress->StringValue()); });
    connect(m_appSensorNumber, &pioitems::PioAppItem::ValueChanged, this,
            [this] { m_lblSensorNumber->setText(m_appSensorNumber->StringValue()); });
}

void frmIdentificationFieldbus::OnFirstActivation()
{
    if (!global::gDeviceInfo) {
        applet::AppletTrace::Error(QStringLiteral("%1: no device information").arg(objectName()));
        return;
    }
    if (m_variant.staticPressureByModule && global::gDeviceInfo->ModuleType() == enmModuleType::ABSOLUT_PRESSURE) {
        // A module without static-pressure sensor has no static-pressure output.
        findChild<QLabel*>(QStringLiteral("Label3(5)"))->setVisible(false);
        auto* tag = findChild<controls::PioText*>(QStringLiteral("PioText2(5)"));
        tag->setVisible(false);
        tag->setEnabled(false);
    }
    const bool mv = global::gDeviceInfo->MvFunctionEnabled();
    m_fraMVTagDesc->setVisible(mv);
    m_fraMVTagDesc->setEnabled(mv);
}
