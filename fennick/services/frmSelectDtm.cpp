#include "fennick/services/frmSelectDtm.h"
#include "fennick/services/LoadResource.h"
#include "fennick/services/XMLHelper.h"
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Captions by string id.
constexpr int16_t kTextDeviceTypeIds = 301;
constexpr int16_t kTextDeviceTypeInformation = 302;
constexpr int16_t kTextDeviceCategory = 303;
constexpr int16_t kTextManufacturerId = 304;
constexpr int16_t kTextSelectDeviceType = 305;
constexpr int16_t kTextOk = 306;
constexpr int16_t kTextCancel = 307;

// What each detail frame shows of the chosen entry, and its caption.
struct Detail {
    int16_t captionId;
    const char* attribute;
};
constexpr std::array<Detail, 3> kDetails{{
    {kTextManufacturerId, "manufacturerId"},
    {kTextDeviceTypeInformation, "deviceTypeInformation"},
    {kTextDeviceCategory, "classificationId"},
}};

} // namespace

frmSelectDtm::frmSelectDtm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectDtm"));
    setWindowTitle(LoadResource::GetResourceString(kTextSelectDeviceType));

    fraDeviceTypes = new QGroupBox(LoadResource::GetResourceString(kTextDeviceTypeIds), this);
    fraDeviceTypes->setObjectName(QStringLiteral("fraDeviceTypes"));
    lstDeviceTypIds = new QListWidget(fraDeviceTypes);
    lstDeviceTypIds->setObjectName(QStringLiteral("lstDeviceTypIds"));
    (new QVBoxLayout(fraDeviceTypes))->addWidget(lstDeviceTypIds);

    auto* details = new QVBoxLayout;
    for (size_t i = 0; i < kDetails.size(); ++i) {
        fraDetail[i] = new QGroupBox(LoadResource::GetResourceString(kDetails[i].captionId), this);
        fraDetail[i]->setObjectName(QStringLiteral("fraDetail%1").arg(i));
        lblDetail[i] = new QLabel(fraDetail[i]);
        lblDetail[i]->setObjectName(QStringLiteral("lblDetail%1").arg(i));
        lblDetail[i]->setWordWrap(true);
        lblDetail[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        (new QVBoxLayout(fraDetail[i]))->addWidget(lblDetail[i]);
        details->addWidget(fraDetail[i]);
    }
    details->addStretch();

    auto* buttonFrame = new QFrame(this);
    buttonFrame->setObjectName(QStringLiteral("fraButtons"));
    cmdOK = new QPushButton(LoadResource::GetResourceString(kTextOk), buttonFrame);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setEnabled(false);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(LoadResource::GetResourceString(kTextCancel), buttonFrame);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout(buttonFrame);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* top = new QHBoxLayout;
    top->addWidget(fraDeviceTypes, 1);
    top->addLayout(details, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttonFrame);

    connect(lstDeviceTypIds, &QListWidget::currentRowChanged, this, &frmSelectDtm::lstDeviceTypIds_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSelectDtm::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelectDtm::cmdCancel_Click);
}

void frmSelectDtm::ShowDeviceTypes(const xml::XmlNodeList& deviceTypes)
{
    {
        const QSignalBlocker blocker(lstDeviceTypIds);
        lstDeviceTypIds->clear();
        m_deviceTypes = deviceTypes;
        for (const xml::XmlNode& entry : m_deviceTypes)
            lstDeviceTypIds->addItem(XMLHelper::GetAttribute(entry, QStringLiteral("deviceTypeId")));
    }
    if (!m_deviceTypes.isEmpty())
        lstDeviceTypIds->setCurrentRow(0);
}

void frmSelectDtm::lstDeviceTypIds_Click(int row)
{
    if (row < 0 || row >= m_deviceTypes.size())
        return;
    m_selectedIndex = static_cast<int16_t>(row);
    const xml::XmlNode& entry = m_deviceTypes[row];
    for (size_t i = 0; i < kDetails.size(); ++i)
        lblDetail[i]->setText(XMLHelper::GetAttribute(entry, QString::fromLatin1(kDetails[i].attribute)));
    cmdOK->setEnabled(true);
}

void frmSelectDtm::cmdOK_Click()
{
    accept();
}

void frmSelectDtm::cmdCancel_Click()
{
    m_selectedIndex = -1;
    reject();
}
