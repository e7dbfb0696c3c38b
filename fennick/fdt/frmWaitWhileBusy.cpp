#include "fennick/fdt/frmWaitWhileBusy.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/LoadResource.h"
#include "platform/automation/ComError.h"
#include "platform/controls/Twips.h"
#include "platform/loop/TimerService.h"
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

namespace {
constexpr int16_t kTextCaption = 601;
constexpr int16_t kTextFrame = 602;
constexpr int16_t kTextStatus = 603;
constexpr int16_t kTextAbort = 604;
constexpr int16_t kTextSeconds = 605;
constexpr int kWidthTwips = 4800;
constexpr int kHeightTwips = 2200;

// The plain lookup; a missing text leaves the element without one (traced).
QString LoadText(int16_t id)
{
    try {
        return LoadResource::LoadResString(id);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
        return QString();
    }
}
} // namespace

frmWaitWhileBusy::frmWaitWhileBusy(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_frame(new QGroupBox(this)),
      m_gauge(new QProgressBar(m_frame)),
      m_status(new QLabel(this)),
      m_abort(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmWaitWhileBusy"));
    m_frame->setObjectName(QStringLiteral("fraCommProgress"));
    m_gauge->setObjectName(QStringLiteral("Mh3dGauge1"));
    m_status->setObjectName(QStringLiteral("lblDTMStatus"));
    m_abort->setObjectName(QStringLiteral("cmdCommAbort"));
    m_gauge->setRange(0, kGaugeModulo - 1);
    m_gauge->setValue(0);
    m_gauge->setFormat(QString());
    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_gauge);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_frame);
    layout->addWidget(m_abort, 0, Qt::AlignRight);
    resize(controls::Twips::ToPixels(kWidthTwips), controls::Twips::ToPixels(kHeightTwips));
    connect(m_abort, &QPushButton::clicked, this, [this] { cmdCommAbort_Click(); });

    m_timer = loop::TimerService::instance().CreateTimer([this] { BusyTimeout_Timer(); });
    Form_Load();
    m_timer->Start(kBusyTimeoutIntervalMs);
}

frmWaitWhileBusy::~frmWaitWhileBusy() = default;

void frmWaitWhileBusy::Form_Load()
{
    setWindowTitle(LoadText(kTextCaption));
    m_frame->setTitle(LoadText(kTextFrame));
    m_status->setText(LoadText(kTextStatus));
    m_abort->setText(LoadText(kTextAbort));
    m_abort->setEnabled(false);
    m_counter = 0;
    m_timeout = false;
}

QString frmWaitWhileBusy::GaugeCaption() const
{
    return m_gauge->format();
}

void frmWaitWhileBusy::BusyTimeout_Timer()
{
    // The counter stops at its largest value instead of overflowing.
    if (m_counter < std::numeric_limits<int16_t>::max())
        ++m_counter;
    m_gauge->setFormat(QString::number(m_counter) + LoadResource::GetResourceString(kTextSeconds));
    m_gauge->setValue(m_counter % kGaugeModulo);
    if (m_counter > kAbortAfterTicks)
        m_abort->setEnabled(true);
    if (m_counter > kTimeoutAfterTicks)
        m_timeout = true;
}

void frmWaitWhileBusy::cmdCommAbort_Click()
{
    m_timeout = true;
}

void frmWaitWhileBusy::closeEvent(QCloseEvent* event)
{
    event->ignore();
}
