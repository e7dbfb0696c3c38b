#include "pioitems/Ambient.h"
#include "pioitems/PioUserControl.h"
#include <QVariant>
#include <QWidget>

namespace pioitems::Ambient {

namespace {
constexpr char kUserModeProperty[] = "pioitemsUserMode";
}

void SetUserMode(QWidget* container, bool userMode)
{
    if (!container)
        return;
    container->setProperty(kUserModeProperty, userMode);
    for (PioUserControl* control : container->findChildren<PioUserControl*>())
        control->AmbientChanged();
}

bool UserMode(const QWidget* control)
{
    for (const QWidget* w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget()) {
        const QVariant mode = w->property(kUserModeProperty);
        if (mode.isValid())
            return mode.toBool();
    }
    return true;
}

} // namespace pioitems::Ambient
