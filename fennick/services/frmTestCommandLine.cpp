#include "fennick/services/frmTestCommandLine.h"
#include "platform/automation/CheckedFile.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Publics.h"
#include "platform/controls/Twips.h"
#include "platform/dialogs/DialogService.h"
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QXmlStreamReader>
#include <algorithm>

namespace {

using controls::Twips::ToPixels;

const QString kCaption = QStringLiteral("Fennick - Test command line");
const QString kDeploymentFrame = QStringLiteral("Deployment functions");
const QString kDtmFrame = QStringLiteral("Dtm functions");
const QString kGetDtmInfo = QStringLiteral("Get DTM Info");
const QString kStepCaption = QStringLiteral("Test ");

// Where the controls stand, in twips: the viewer at the margin, the two
// frames side by side below it.
constexpr int kMarginTwips = 105;
constexpr int kDeploymentFrameWidthTwips = 4200;
constexpr int kDtmFrameWidthTwips = 1800;
constexpr int kFrameHeightTwips = 1500;
constexpr int kFrameSpacingTwips = 120;
constexpr int kStartWidthTwips = 6600;
constexpr int kStartHeightTwips = 7200;
constexpr int kStepColumns = 3;

// The document one tag a line, indented by depth, as a viewer of XML shows
// it; every tag keeps its own text. A text that is no well-formed XML is
// shown as it is.
QString Indented(const QString& text)
{
    constexpr int kIndent = 2;
    QXmlStreamReader reader(text);
    QStringList lines;
    int depth = 0;
    qint64 from = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        const qint64 to = reader.characterOffset();
        const QString raw = text.mid(from, to - from).trimmed();
        from = to;
        if (reader.isEndElement())
            --depth;
        if (!raw.isEmpty())
            lines << QString(std::max(depth, 0) * kIndent, QLatin1Char(' ')) + raw;
        if (reader.isStartElement())
            ++depth;
    }
    return reader.hasError() ? text : lines.join(QLatin1Char('\n'));
}

} // namespace

frmTestCommandLine::frmTestCommandLine(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_fraDeployment(new QGroupBox(this)),
      m_fraDtm(new QGroupBox(this)),
      m_getDtmInfo(new QPushButton(m_fraDtm)),
      m_viewer(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("frmTestCommandLine"));
    setWindowTitle(kCaption);
    m_fraDeployment->setObjectName(QStringLiteral("fraDeployment"));
    m_fraDeployment->setTitle(kDeploymentFrame);
    m_fraDtm->setObjectName(QStringLiteral("fraDtm"));
    m_fraDtm->setTitle(kDtmFrame);
    m_viewer->setObjectName(QStringLiteral("CatalogueViewer"));
    m_viewer->setReadOnly(true);
    m_viewer->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* steps = new QGridLayout(m_fraDeployment);
    for (size_t i = 0; i < m_steps.size(); ++i) {
        auto* button = new QPushButton(m_fraDeployment);
        button->setObjectName(QStringLiteral("cmdDeployMentTestStep_%1").arg(i));
        const int index = static_cast<int>(i);
        steps->addWidget(button, index / kStepColumns, index % kStepColumns);
        connect(button, &QPushButton::clicked, this, [this, index] { cmdDeployMentTestStep_Click(index); });
        m_steps[i] = button;
    }
    m_getDtmInfo->setObjectName(QStringLiteral("cmdGetDtmInfo"));
    m_getDtmInfo->setText(kGetDtmInfo);
    auto* dtm = new QVBoxLayout(m_fraDtm);
    dtm->addWidget(m_getDtmInfo);
    connect(m_getDtmInfo, &QPushButton::clicked, this, [this] { cmdGetDtmInfo_Click(); });

    setMinimumSize(ToPixels(kMinWidthTwips), ToPixels(kMinHeightTwips));
    Form_Load();
    resize(ToPixels(kStartWidthTwips), ToPixels(kStartHeightTwips));
    Form_Resize();
}

void frmTestCommandLine::Form_Load()
{
    m_viewer->hide();
    m_lines = TestCommandLine::PreparedCommandLines(Publics::ProgramFolder());
    for (size_t i = 0; i < m_steps.size(); ++i) {
        QPushButton* button = m_steps[i];
        const QString line = i < static_cast<size_t>(m_lines.size()) ? m_lines.at(static_cast<qsizetype>(i)) : QString();
        button->setText(kStepCaption + QString::number(i));
        button->setToolTip(line);
        button->setEnabled(!line.isEmpty());
    }
}

void frmTestCommandLine::cmdDeployMentTestStep_Click(int index)
{
    const QString line = m_lines.value(index);
    if (line.isEmpty())
        return;
    if (!Deployment::ProcessCommandLine(line))
        Debugging::TraceError(kStepCaption + QString::number(index) + QStringLiteral(": the function was not carried out"));
    Navigate(Deployment::CataloguePath());
}

void frmTestCommandLine::cmdGetDtmInfo_Click()
{
    // The document itself is shown: it is what the frame gets, and its debug
    // copy exists only beside a program that keeps debug copies.
    const QString information = Deployment::GetDtmInformationXml();
    if (information.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Get DTM Info: no DTM information without a device catalogue"));
        m_viewer->hide();
        dialogs::DialogService::instance().Warning(
            kCaption, QStringLiteral("There is no DTM information: the device catalogue %1 is missing or cannot be read.")
                          .arg(Deployment::CataloguePath()));
        return;
    }
    ShowText(information);
}

void frmTestCommandLine::Navigate(const QString& path)
{
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, automation::CheckedFile::kMaxBytes, bytes, &reason)) {
        Debugging::TraceError(QStringLiteral("Unable to show ") + reason);
        m_viewer->hide();
        dialogs::DialogService::instance().Warning(kCaption, QStringLiteral("The file cannot be shown: %1").arg(reason));
        return;
    }
    ShowText(QString::fromUtf8(bytes));
}

void frmTestCommandLine::ShowText(const QString& text)
{
    m_viewer->setPlainText(Indented(text));
    m_viewer->show();
}

void frmTestCommandLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmTestCommandLine::Form_Resize()
{
    if (isMinimized())
        return;
    // The minimum size keeps the window from becoming narrower or lower.
    const int width = controls::Twips::FromPixels(this->width());
    const int height = controls::Twips::FromPixels(this->height());
    m_viewer->setGeometry(ToPixels(kMarginTwips), ToPixels(kMarginTwips), ToPixels(width - kViewerWidthLossTwips),
                          ToPixels(height - kViewerHeightLossTwips));
    const int frameTop = m_viewer->geometry().bottom() + 1 + ToPixels(kFrameGapTwips);
    m_fraDeployment->setGeometry(ToPixels(kMarginTwips), frameTop, ToPixels(kDeploymentFrameWidthTwips),
                                 ToPixels(kFrameHeightTwips));
    m_fraDtm->setGeometry(ToPixels(kMarginTwips + kDeploymentFrameWidthTwips + kFrameSpacingTwips), frameTop,
                          ToPixels(kDtmFrameWidthTwips), ToPixels(kFrameHeightTwips));
}
