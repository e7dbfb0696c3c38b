#include "fennick/fdt/frmCommProgress.h"
#include "fennick/services/LoadResource.h"
#include "platform/controls/Twips.h"
#include "platform/loop/TimerService.h"
#include <QGroupBox>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
constexpr int16_t kTextCaption = 501;
constexpr int16_t kTextFrame = 502;
constexpr int kWidthTwips = 4800;
constexpr int kHeightTwips = 1400;
} // namespace

frmCommProgress::frmCommProgress(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_frame(new QGroupBox(this)),
      m_gauge(new QProgressBar(m_frame))
{
    setObjectName(QStringLiteral("frmCommProgress"));
    m_frame->setObjectName(QStringLiteral("fraCommProgress"));
    m_gauge->setObjectName(QStringLiteral("gagCommProgress"));
    m_gauge->setRange(kGaugeLower, kGaugeUpper);
    m_gauge->setValue(kGaugeLower);
    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_gauge);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame);
    resize(controls::Twips::ToPixels(kWidthTwips), controls::Twips::ToPixels(kHeightTwips));

    m_timer = loop::TimerService::instance().CreateTimer([this] { TimerDisplayProgress_Timer(); });
    m_timer->SetInterval(kDisplayProgressIntervalMs);

    setWindowTitle(LoadResource::GetResourceString(kTextCaption));
    m_frame->setTitle(LoadResource::GetResourceString(kTextFrame));
}

frmCommProgress::~frmCommProgress() = default;

void frmCommProgress::SetGaugeCaption(const QString& caption)
{
    m_gauge->setFormat(caption);
    m_gauge->setTextVisible(!caption.isEmpty());
}

QString frmCommProgress::GaugeCaption() const
{
    return m_gauge->isTextVisible() ? m_gauge->format() : QString();
}

void frmCommProgress::TimerDisplayProgress_Timer()
{
    const int value = m_gauge->value();
    m_gauge->setValue(value + 1 > m_gauge->maximum() ? m_gauge->minimum() : value + 1);
}
