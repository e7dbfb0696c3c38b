#include "dalvex/DesignedItemControl.h"
#include "pioitems/PioAppItem.h"
#include "platform/automation/PropertyBag.h"

namespace dalvex {

pioitems::PioAppItem* CreateDesignedItemControl(QWidget* parent, const QString& name, const ItemControlDesign& design)
{
    auto* control = new pioitems::PioAppItem(parent);
    control->setObjectName(name);
    automation::PropertyBag bag;
    bag.Write(QStringLiteral("AppItemName"), QString::fromLatin1(design.item));
    bag.Write(QStringLiteral("RegisterOnShadow"), design.registerOnShadow);
    bag.Write(QStringLiteral("UpdateInterval"), design.updateInterval);
    if (design.decimalPlaces >= 0)
        bag.Write(QStringLiteral("DecimalPlaces"), design.decimalPlaces);
    control->ReadProperties(bag);
    control->hide();
    return control;
}

} // namespace dalvex
