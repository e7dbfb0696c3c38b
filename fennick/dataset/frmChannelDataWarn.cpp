#include "fennick/dataset/frmChannelDataWarn.h"
#include "fennick/services/LoadResource.h"
#include "platform/controls/Twips.h"
#include "platform/controls/WindowPlacement.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {
constexpr int16_t kTextCaption = 809;
constexpr int16_t kTextRemember = 810;
constexpr int16_t kTextSuppress = 807;
constexpr int16_t kTextOk = 808;
// The hint is these texts joined in this order.
constexpr int16_t kHintTexts[] = {801, 802, 803, 804, 805, 806};
constexpr int kWidthTwips = 7200;
constexpr int kIconPixels = 32;
} // namespace

frmChannelDataWarn::frmChannelDataWarn(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_picture(new QLabel(this)),
      m_hint(new QLabel(this)),
      m_remember(new QLabel(this)),
      m_suppress(new QCheckBox(this)),
      m_ok(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmChannelDataWarn"));
    m_picture->setObjectName(QStringLiteral("Picture1"));
    m_hint->setObjectName(QStringLiteral("lblHint"));
    m_remember->setObjectName(QStringLiteral("lblRemember"));
    m_suppress->setObjectName(QStringLiteral("chkSuppress"));
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(kIconPixels, kIconPixels));
    m_picture->setAlignment(Qt::AlignTop);
    m_hint->setWordWrap(true);
    QFont bold = m_remember->font();
    bold.setBold(true);
    m_remember->setFont(bold);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_picture, 0, 0, 2, 1);
    layout->addWidget(m_remember, 0, 1);
    layout->addWidget(m_hint, 1, 1);
    layout->addWidget(m_suppress, 2, 1);
    layout->addWidget(m_ok, 3, 1, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, [this] { Unload(); });
    Form_Load();
    resize(controls::Twips::ToPixels(kWidthTwips), sizeHint().height());
}

frmChannelDataWarn::~frmChannelDataWarn()
{
    // Deleted by its owner without being closed: Done still comes.
    Form_Unload();
}

void frmChannelDataWarn::Form_Load()
{
    setWindowTitle(LoadResource::GetResourceString(kTextCaption));
    m_remember->setText(LoadResource::GetResourceString(kTextRemember));
    QString hint;
    for (int16_t id : kHintTexts)
        hint += LoadResource::GetResourceString(id);
    m_hint->setText(hint);
    m_suppress->setText(LoadResource::GetResourceString(kTextSuppress));
    m_ok->setText(LoadResource::GetResourceString(kTextOk));
}

bool frmChannelDataWarn::IsTopMost() const
{
    return controls::WindowPlacement::IsTopMost(*this);
}

void frmChannelDataWarn::Unload()
{
    close();
}

void frmChannelDataWarn::Form_Unload()
{
    if (m_doneRaised)
        return;
    m_doneRaised = true;
    emit Done(m_suppress->checkState() != Qt::Unchecked);
}

void frmChannelDataWarn::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmChannelDataWarn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    controls::WindowPlacement::SetTopMost(*this, true);
}
