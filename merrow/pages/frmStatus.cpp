#include "merrow/pages/frmStatus.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
#include "platform/applet/AppletStates.h"
#include "platform/dialogs/DialogService.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/StateInfo.h"
#include "platform/controls/Twips.h"
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <cmath>
#include <utility>

using namespace pagecontrols;

namespace {

constexpr int kConnected = 2;
// The end of a self-test the user asked for: no fault, faults, not carried out.
constexpr int16_t kSelftestNoFault = 3962;
constexpr int16_t kSelftestFaults = 3963;
constexpr int16_t kSelftestFailed = 3964;
constexpr int kIconSize = 24;
constexpr int kListWidth = 6600; // twips

// Status pictures: the octet and bit of "Diagnosis" each marks, the text id
// of its name, and its place (column, row) in the two columns.
struct StatusPicture {
    int octet;
    int bit;
    int16_t textId;
    int column;
    int row;
};
constexpr StatusPicture kPictures[7] = {
    {0, 0, 2269, 0, 0}, // "Hardware electronic"
    {0, 4, 2270, 0, 1}, // "Memory checksum"
    {0, 5, 2271, 0, 2}, // "AD-Converter"
    {1, 2, 2272, 1, 0}, // "Configuration"
    {1, 5, 2273, 0, 3}, // "Maintainance"
    {1, 6, 2274, 1, 1}, // "Characteristic"
    {1, 7, 2275, 1, 2}, // "Identnumber"
};

// Octet 3 of "Diagnosis", bit 7: the extended diagnosis holds valid information.
constexpr int kExtensionOctet = 3;
constexpr int kExtensionBit = 7;

// Messages of the extended diagnosis, in the order the list shows them, and
// whether each tells of a fault. The device also reports states it was put in
// or passes through (the output current fixed by the user, a busy device, a
// save to its memory): the list shows them, the self-test's verdict does not
// count them.
struct ExtensionMessage {
    int octet;
    int bit;
    int16_t textId;
    bool fault;
};
constexpr ExtensionMessage kMessages[] = {
    {0, 0, 2500, true},  {0, 1, 2501, true},  {0, 2, 2502, true},  {0, 3, 2503, true},  {0, 4, 2504, true},
    {0, 5, 2505, true},  {0, 6, 2506, true},  {0, 7, 2507, true},  {1, 0, 2508, true},  {1, 1, 2509, false},
    {1, 2, 2510, true},  {1, 4, 2511, false}, {1, 5, 2512, true},  {1, 6, 2513, true},  {1, 7, 2514, true},
    {2, 0, 2515, true},  {2, 1, 2516, true},  {2, 2, 2517, true},  {2, 4, 2518, true},  {2, 5, 2519, true},
    {2, 6, 2520, true},  {3, 4, 2521, false}, {3, 5, 2522, true},  {3, 6, 2523, true},  {4, 0, 2524, true},
    {4, 1, 2525, true},  {4, 2, 2526, true},  {4, 4, 2527, true},  {4, 5, 2528, true},  {5, 4, 2529, true},
    {5, 5, 2530, true},  {5, 6, 2531, true},  {5, 7, 2532, true},
};

// The two marks: "ACHTUNG", a red warning triangle with an exclamation
// mark, and "OK", a green disc with a tick.
QPixmap Icon(bool fault)
{
    QPixmap picture(kIconSize, kIconSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = kIconSize;
    if (fault) {
        QPainterPath triangle;
        triangle.moveTo(s / 2, 1);
        triangle.lineTo(s - 1, s - 2);
        triangle.lineTo(1, s - 2);
        triangle.closeSubpath();
        painter.fillPath(triangle, QColor(0xD3, 0x2F, 0x2F));
        painter.setPen(QPen(Qt::white, s / 9, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(s / 2, s * 0.35), QPointF(s / 2, s * 0.65));
        painter.drawPoint(QPointF(s / 2, s * 0.80));
    } else {
        painter.setBrush(QColor(0x2E, 0x7D, 0x32));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(1, 1, s - 2, s - 2));
        painter.setPen(QPen(Qt::white, s / 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF tick[] = {{s * 0.28, s * 0.52}, {s * 0.44, s * 0.68}, {s * 0.72, s * 0.34}};
        painter.drawPolyline(tick, 3);
    }
    return picture;
}

} // namespace

frmStatus::frmStatus() : PioPage(QStringLiteral("frmStatus"), false, false)
{
    setProperty("Tag", QStringLiteral("2537"));
    setWindowTitle(QStringLiteral("Status/Selftest"));
    auto* grid = new QGridLayout(this);
    for (int n = 0; n < 7; ++n) {
        const StatusPicture& p = kPictures[n];
        QLabel* name = TaggedLabel(this, QStringLiteral("Label3(%1)").arg(n), p.textId);
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("Picture1(%1)").arg(n));
        picture->setFixedSize(kIconSize, kIconSize);
        grid->addWidget(name, p.row, p.column * 2);
        grid->addWidget(picture, p.row, p.column * 2 + 1);
        m_pictures[static_cast<size_t>(n)] = picture;
    }
    grid->addWidget(TaggedLabel(this, QStringLiteral("Label1"), 2538, QStringLiteral("Messages")), 4, 0, 1, 4);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setMinimumWidth(controls::Twips::ToPixels(kListWidth)); // the longest message in one line
    grid->addWidget(m_list, 5, 0, 1, 4);
    m_selftest = new QPushButton(QStringLiteral("Selftest"), this);
    m_selftest->setObjectName(QStringLiteral("cmdSelftest"));
    m_selftest->setProperty("Tag", QStringLiteral("1046"));
    m_selftest->setEnabled(false);
    grid->addWidget(m_selftest, 6, 3);
    connect(m_selftest, &QPushButton::clicked, this, [this] { cmdSelftest_Click(); });

    // Which value the item controls follow is set while the page is designed.
    pioitems::Ambient::SetUserMode(this, false);
    m_appDiagnosis = AppItem(this, QStringLiteral("appDiagnosis"), QStringLiteral("Diagnosis"));
    m_appDiagnosis->SetRegisterOnShadow(true);
    m_appDiagnosisExtension = AppItem(this, QStringLiteral("appDiagnosisExtension"), QStringLiteral("DiagnosisExtension"));
    m_appDiagnosisExtension->SetRegisterOnShadow(true);
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_seqGetDiagnosis = SequenceItem(this, QStringLiteral("seqGetDiagnosis"), QStringLiteral("GetDiagnosis"));
    pioitems::Ambient::SetUserMode(this, true);
    // A change counts only as a value read from the device (a reload of a
    // dataset announces the defaults of a device never read).
    connect(m_appDiagnosis, &pioitems::PioAppItem::ValueChanged, this, [this] {
        if (m_appDiagnosis->ItemState() & applet::StateInfo::kValueValid)
            appDiagnosis_ValueChanged();
    });
    for (pioitems::PioAppItem* item : {m_appDiagnosis, m_appDiagnosisExtension})
        connect(&item->AppItem(), &clsAppItem::ValueChanged3, this,
                [this](const QString&, int32_t itemState) { Announced(itemState); });
    connect(m_appDiagnosisExtension, &pioitems::PioAppItem::ValueChanged, this, [this] {
        if (m_appDiagnosisExtension->ItemState() & applet::StateInfo::kValueValid)
            appDiagnosisExtension_ValueChanged();
    });
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_seqGetDiagnosis, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqGetDiagnosis_StatusChanged(status); });
    connect(m_seqGetDiagnosis, &pioitems::PioSequenceItem::ActionDropped, this,
            [this] { seqGetDiagnosis_ActionDropped(); });
}

bool frmStatus::BitSet(const QByteArray& octets, int octet, int bit)
{
    return octet >= 0 && octet < octets.size() && bit >= 0 && bit < 8 &&
           (static_cast<uint8_t>(octets[octet]) & (1u << bit)) != 0;
}

std::optional<bool> frmStatus::PictureFault(int n) const
{
    return n >= 0 && n < 7 ? m_shown[static_cast<size_t>(n)] : std::nullopt;
}

QList<int> frmStatus::MessageIds() const
{
    QList<int> ids;
    for (int i = 0; i < m_list->count(); ++i)
        ids.append(m_list->item(i)->data(Qt::UserRole).toInt());
    return ids;
}

void frmStatus::ShowPicture(int n, bool fault)
{
    m_shown[static_cast<size_t>(n)] = fault;
    QLabel* picture = m_pictures[static_cast<size_t>(n)];
    picture->setPixmap(Icon(fault));
    picture->setProperty("Picture", fault ? QStringLiteral("ACHTUNG") : QStringLiteral("OK"));
}

void frmStatus::appDiagnosis_ValueChanged()
{
    if (!Registered())
        return;
    m_diagnosis = m_appDiagnosis->OctetValue().toByteArray();
    for (int n = 0; n < 7; ++n)
        ShowPicture(n, BitSet(m_diagnosis, kPictures[n].octet, kPictures[n].bit));
}

void frmStatus::appDiagnosisExtension_ValueChanged()
{
    if (!Registered())
        return;
    m_extension = m_appDiagnosisExtension->OctetValue().toByteArray();
    m_list->clear();
    // The main diagnosis tells whether the extension holds valid information;
    // a device that reports no main diagnosis at all (no octet 3) is taken
    // at its extension, so its conditions are not hidden.
    const QByteArray diagnosis = m_appDiagnosis->OctetValue().toByteArray();
    if (diagnosis.size() > kExtensionOctet && !BitSet(diagnosis, kExtensionOctet, kExtensionBit))
        return;
    for (const ExtensionMessage& message : kMessages) {
        if (!BitSet(m_extension, message.octet, message.bit))
            continue;
        auto* line = new QListWidgetItem(GetTextFromResource(message.textId), m_list);
        line->setData(Qt::UserRole, message.textId);
    }
}

void frmStatus::appConnectionStatus_ValueChanged()
{
    m_selftest->setEnabled(std::lround(m_appConnectionStatus->StringValue().trimmed().toDouble()) == kConnected);
}

void frmStatus::Announced(int32_t itemState)
{
    // Nothing is shown at the first activation: before a read the items hold
    // their defaults, zeros that would stand for a device without faults.
    // What was read before the page opened arrives with the announcement
    // that follows the registration (a value read from the device is valid);
    // a read of the page shows its result when it ends.
    if (!Registered() || (itemState & applet::StateInfo::kRegistration) == 0
        || (itemState & applet::StateInfo::kValueValid) == 0 || m_shownRead)
        return;
    ShowRead();
}

void frmStatus::ShowRead()
{
    m_shownRead = true;
    appDiagnosis_ValueChanged();
    appDiagnosisExtension_ValueChanged();
}

void frmStatus::OnActivate()
{
    m_seqGetDiagnosis->Force();
}

void frmStatus::cmdSelftest_Click()
{
    m_selftestStep = ForceSequence(*m_seqGetDiagnosis) ? 1 : 0;
}

void frmStatus::seqGetDiagnosis_ActionDropped()
{
    // The read the user asked for will not come: the self-test ends as not
    // carried out, instead of waiting for an end that a later read would
    // give it with values it did not ask for.
    if (std::exchange(m_selftestStep, 0) == 0)
        return;
    applet::AppletTrace::Error(QStringLiteral("frmStatus: the self-test's read was dropped; the page shows no verdict"));
    dialogs::DialogService::instance().Warning(windowTitle(), GetTextFromResource(kSelftestFailed));
}

void frmStatus::seqGetDiagnosis_StatusChanged(int32_t sequenceStatus)
{
    FollowForcedSequence(*m_seqGetDiagnosis, sequenceStatus);
    if (!Registered())
        return;
    if (sequenceStatus != applet::SequenceState::Ready) {
        if (sequenceStatus == applet::SequenceState::ReadActive)
            m_reading = true;
        if (m_selftestStep == 1)
            m_selftestStep = 2;
        return;
    }
    const bool read = std::exchange(m_reading, false);
    // The ready state of before the self-test began does not end it.
    const bool selftest = m_selftestStep == 2;
    if (selftest)
        m_selftestStep = 0;
    if (!read && !selftest)
        return;
    if (SequenceFailed(*m_seqGetDiagnosis)) {
        applet::AppletTrace::Error(QStringLiteral("frmStatus: the diagnosis was not read; the page shows no verdict"));
        if (selftest)
            dialogs::DialogService::instance().Warning(windowTitle(), GetTextFromResource(kSelftestFailed));
        return;
    }
    // A read that finds the device unchanged raises no change: its end shows what it read.
    if (read)
        ShowRead();
    if (!selftest)
        return;
    // ... and the self-test's end is told, also when the page looks as before.
    const QByteArray diagnosis = m_appDiagnosis->OctetValue().toByteArray();
    int faults = 0;
    for (const int textId : MessageIds())
        for (const ExtensionMessage& message : kMessages)
            if (message.textId == textId && message.fault)
                ++faults;
    for (const StatusPicture& picture : kPictures)
        faults += BitSet(diagnosis, picture.octet, picture.bit) ? 1 : 0;
    global::ShowStatus(faults == 0 ? GetTextFromResource(kSelftestNoFault)
                                   : global::FillPlaceholders(GetTextFromResource(kSelftestFaults), {faults}));
}
