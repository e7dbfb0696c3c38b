#include "pioitems/PioUserControl.h"
#include "pioitems/Ambient.h"
#include <QEvent>
#include <QLabel>

namespace pioitems {

PioUserControl::PioUserControl(const QString& className, QWidget* parent)
    : QWidget(parent), m_className(className), m_face(new QLabel(this))
{
    m_face->move(0, 0);
    AmbientChanged();
}

PioUserControl::~PioUserControl() = default;

bool PioUserControl::UserMode() const
{
    return Ambient::UserMode(this);
}

QString PioUserControl::FaceCaption() const
{
    return m_face->text();
}

void PioUserControl::AmbientChanged()
{
    // The face is for the designer; a running form does not show the control.
    // A control without a container is not shown either: it would become a
    // window of its own.
    setVisible(parentWidget() != nullptr && !UserMode());
}

void PioUserControl::SetFaceCaption(const QString& caption)
{
    m_face->setText(caption);
    m_face->adjustSize();
    FitFace();
}

void PioUserControl::RequireDesignMode(const char* property) const
{
    if (UserMode())
        throw automation::ComError(kErrSetNotSupportedAtRuntime, QStringLiteral("Set not supported at runtime"),
                                   m_className + QLatin1Char('.') + QLatin1String(property));
}

void PioUserControl::RequireRunMode(const char* property) const
{
    if (!UserMode())
        throw automation::ComError(kErrSetNotPermitted, QStringLiteral("Set not permitted"),
                                   m_className + QLatin1Char('.') + QLatin1String(property));
}

void PioUserControl::FitFace()
{
    m_face->resize(width(), m_face->sizeHint().height());
    if (height() != m_face->height())
        resize(width(), m_face->height());
}

bool PioUserControl::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange)
        AmbientChanged();
    return handled;
}

void PioUserControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitFace();
}

} // namespace pioitems
