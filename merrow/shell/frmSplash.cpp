#include "merrow/shell/frmSplash.h"
#include "merrow/shell/frmAbout.h"
#include "merrow/shell/global.h"
#include <QLinearGradient>
#include <QPainter>

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    resize(480, 260);
    m_title = global::LoadLocalizedText(2635);
}

frmSplash::~frmSplash() = default;

void frmSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    gradient.setColorAt(1, QColor(0x0b, 0x25, 0x3f));
    painter.fillRect(rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect().adjusted(20, 0, -20, -40), Qt::AlignCenter | Qt::TextWordWrap, m_title);
    font.setPointSize(10);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(rect().adjusted(20, 0, -20, -20), Qt::AlignHCenter | Qt::AlignBottom, frmAbout::VersionText());
}
