#include "merrow/shell/frmAbout.h"
#include "merrow/shell/global.h"
#include "platform/dialogs/DialogService.h"
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {
constexpr int16_t kSysInfoText = 3820;   // the button
constexpr int16_t kNoSysInfoText = 3821; // no system information program
} // namespace

#ifndef TRIVEX_BUILD_VERSION
#define TRIVEX_BUILD_VERSION "0"
#endif

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setProperty("Tag", QStringLiteral("1093"));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(global::LoadJpegResource(QStringLiteral("ABOUT_138")));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont font = m_title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    m_title->setFont(font);
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* sysInfo = new QPushButton(this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setProperty("Tag", QString::number(kSysInfoText));
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(m_title, 0, 1, 1, 2);
    layout->addWidget(m_version, 1, 1, 1, 2);
    layout->addWidget(ok, 2, 1);
    layout->addWidget(sysInfo, 2, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    global::LocalizeForm(*this);
    m_version->setText(VersionText());
    m_title->setText(global::LoadLocalizedText(2635));
}

frmAbout::~frmAbout() = default;

QString frmAbout::VersionText()
{
    // The version is this build's own; no installation registry is consulted.
    return QStringLiteral("Version 01.02.02, Build ") + QLatin1String(TRIVEX_BUILD_VERSION);
}

void frmAbout::StartSysInfo()
{
    // No system information program belongs to this platform; the message is in the user's language.
    dialogs::DialogService::instance().Information(global::kProductTitle, global::LoadLocalizedText(kNoSysInfoText));
}
