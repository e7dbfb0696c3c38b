#include "merrow/pages/frmIdentificationHART.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioText.h"
#include "platform/applet/AppletTrace.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

using namespace pagecontrols;

namespace {

constexpr int kModbusDeviceType = 139;

// Communication type by bus kind; the HART kind tells Modbus apart by its device type.
struct CommTypeText {
    enmCommType kind;
    int16_t textId;
};
constexpr CommTypeText kCommTypeTexts[] = {
    {enmCommType::PROFIBUS, 2257}, // "Profibus Revision 3.0"
    {enmCommType::ff, 2258},       // "Fieldbus"
};
constexpr int16_t kHartText = 2256;   // "HART Revision 5.4"
constexpr int16_t kModbusText = 2606; // "Modbus"

} // namespace

frmIdentificationHART::frmIdentificationHART() : PioPage(QStringLiteral("frmIdentificationHART"), false, false)
{
    setProperty("Tag", QStringLiteral("2078"));
    setWindowTitle(QStringLiteral("Identification"));
    auto* layout = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    layout->addWidget(tabs);

    auto* device = new QWidget;
    auto* deviceGrid = new QGridLayout(device);
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label1(4)"), 2079), Text(device, QStringLiteral("PioText1(4)"), QStringLiteral("_tagHart")));
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label1(5)"), 2085), Text(device, QStringLiteral("PioText1(5)"), QStringLiteral("pbDescriptor")));
    AddRow(*deviceGrid, TaggedLabel(device, QStringLiteral("Label1(6)"), 2086), Text(device, QStringLiteral("PioText1(6)"), QStringLiteral("pbDeviceMessage"), kDeviceMessageCharacters));
    auto* address = new QGroupBox(device);
    address->setObjectName(QStringLiteral("fraAddress"));
    auto* addressGrid = new QGridLayout(address);
    AddRow(*addressGrid, TaggedLabel(address, QStringLiteral("Label2(0)"), 2080), Label(address, QStringLiteral("PioLabel1"), QStringLiteral("&&private_PM&&Address")));
    AddRow(*addressGrid, TaggedLabel(address, QStringLiteral("Label2(1)"), 2081), Text(address, QStringLiteral("PioText2(1)"), QStringLiteral("_mfridhart")));
    AddRow(*addressGrid, TaggedLabel(address, QStringLiteral("Label2(2)"), 2082), Label(address, QStringLiteral("PioLabel3"), QStringLiteral("pbDeviceIdPROFI")));
    AddRow(*addressGrid, TaggedLabel(address, QStringLiteral("Label2(3)"), 2083), Label(address, QStringLiteral("PioLabel2"), QStringLiteral("_deviceIdNumberHART")));
    deviceGrid->addWidget(address, deviceGrid->rowCount(), 0, 1, 2);
    deviceGrid->setRowStretch(deviceGrid->rowCount(), 1);

    const AdditionalInformation more = AdditionalInformationTab(
        QStringLiteral("pbSoftwareRevisionHART"), Label(nullptr, QStringLiteral("PioLabel5"), QStringLiteral("ptrbSensorSerialNumber")));
    m_lblHardwareRev = more.lblHardwareRev;
    m_lblCommType = more.lblCommType;

    tabs->AddTab(QStringLiteral("0t"), 2155, device);
    tabs->AddTab(QStringLiteral("1t"), 2540, more.tab);

    m_appDeviceTypeHART = AppItem(this, QStringLiteral("appDeviceTypeHART"), QStringLiteral("_mfrDeviceTypeHART"));
    m_appPbHardwareRev = AppItem(this, QStringLiteral("appPbHardwareRev"), QStringLiteral("pbHardwareRev"));
    connect(m_appPbHardwareRev, &pioitems::PioAppItem::ValueChanged, this, [this] { appPbHardwareRev_ValueChanged(); });
}

QString frmIdentificationHART::HardwareRevisionText(unsigned value)
{
    const unsigned octet = value & 0xFF;
    return QStringLiteral("%1.%2").arg(octet / 8).arg(octet & 7);
}

void frmIdentificationHART::appPbHardwareRev_ValueChanged()
{
    if (!Registered())
        return;
    m_lblHardwareRev->setText(HardwareRevisionText(static_cast<unsigned>(m_appPbHardwareRev->UIntValue())));
}

void frmIdentificationHART::OnFirstActivation()
{
    ShowCommunicationType();
    // The value the registration pushed arrived before the page counted as
    // registered; the label shows the registered value, not its design text.
    appPbHardwareRev_ValueChanged();
}

void frmIdentificationHART::ShowCommunicationType()
{
    if (!global::gDeviceInfo) {
        applet::AppletTrace::Error(QStringLiteral("frmIdentificationHART: no device information"));
        return;
    }
    const enmCommType kind = global::gDeviceInfo->CommType();
    int16_t textId = 0;
    if (kind == enmCommType::HART) {
        const double deviceType = m_appDeviceTypeHART->StringValue().trimmed().toDouble();
        textId = std::lround(deviceType) == kModbusDeviceType ? kModbusText : kHartText;
    }
    for (const CommTypeText& entry : kCommTypeTexts)
        if (entry.kind == kind)
            textId = entry.textId;
    if (textId > 0) {
        m_lblCommType->setText(GetTextFromResource(textId));
        m_lblCommType->setProperty("TextId", textId); // which text it shows, whatever the language
    }
}
