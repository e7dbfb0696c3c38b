#include "merrow/shell/frmSplash.h"
#include "merrow/shell/frmAbout.h"
#include "merrow/shell/global.h"
#include <QLinearGradient>
#include <QPainter>

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    m_picture = global::LoadJpegResource(QStringLiteral("SPLASH_SCREEN_138"));
    resize(m_picture.isNull() ? QSize(480, 260) : m_picture.size());
    m_title = global::LoadLocalizedText(2635);
}

frmSplash::~frmSplash() = default;

void frmSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull()) {
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
        gradient.setColorAt(1, QColor(0x0b, 0x25, 0x3f));
        painter.fillRect(rect(), gradient);
    } else {
        painter.drawPixmap(0, 0, m_picture);
    }
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(20);
    font.setBold(true);
    painter.setFont(font);
    // The title beside the picture's gauge, the version below it.
    painter.drawText(rect().adjusted(24, 0, -150, -40), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_title);
    font.setPointSize(10);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(rect().adjusted(24, 0, -150, -40), Qt::AlignLeft | Qt::AlignBottom, frmAbout::VersionText());
}
