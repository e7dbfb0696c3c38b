#include "pioitems/PioItemsClasses.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioRecordItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/controls/ControlClasses.h"
#include <QPointer>

namespace pioitems {

using controls::CreateUnplaced;

void RegisterClasses()
{
    automation::ClassRegistry& registry = automation::ClassRegistry::instance();
    registry.Register(PioAppItem::kProgId, QString(), &CreateUnplaced<PioAppItem>);
    registry.Register(PioRecordItem::kProgId, QString(), &CreateUnplaced<PioRecordItem>);
    registry.Register(PioSequenceItem::kProgId, QString(), &CreateUnplaced<PioSequenceItem>);
    registry.Register(PioControlItemHandler::kProgId, QString(), &CreateUnplaced<PioControlItemHandler>);
}

QWidget* CreateControl(const QString& progId, QWidget* container)
{
    const QString source = QStringLiteral("PioItems.CreateControl");
    if (!container)
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("No container to place %1 on").arg(progId), source);
    const std::shared_ptr<automation::ComObject> object = automation::ClassRegistry::instance().CreateObject(progId);
    auto* control = dynamic_cast<QWidget*>(object.get());
    if (!control)
        throw automation::ComError(automation::E_NOINTERFACE_, QStringLiteral("%1 is not a control").arg(progId),
                                   source);
    control->setParent(container);
    return control;
}

} // namespace pioitems
