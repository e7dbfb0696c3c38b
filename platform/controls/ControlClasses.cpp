#include "platform/controls/ControlClasses.h"
#include "platform/controls/PioBarGraph.h"
#include "platform/controls/PioCombo.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/controls/PioLabel.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioPlotter.h"
#include "platform/controls/PioText.h"
#include "platform/controls/PioUserCurve.h"

namespace controls {

void RegisterClasses()
{
    automation::ClassRegistry& registry = automation::ClassRegistry::instance();
    registry.Register(PioText::kProgId, QString(), &CreateUnplaced<PioText>);
    registry.Register(PioCombo::kProgId, QString(), &CreateUnplaced<PioCombo>);
    registry.Register(PioLabel::kProgId, QString(), &CreateUnplaced<PioLabel>);
    registry.Register(PioLabelTextUnit::kProgId, QString(), &CreateUnplaced<PioLabelTextUnit>);
    registry.Register(PioLabelComboUnit::kProgId, QString(), &CreateUnplaced<PioLabelComboUnit>);
    registry.Register(PioBarGraph::kProgId, QString(), &CreateUnplaced<PioBarGraph>);
    registry.Register(PioPlotter::kProgId, QString(), &CreateUnplaced<PioPlotter>);
    registry.Register(PioUserCurve::kProgId, QString(), &CreateUnplaced<PioUserCurve>);
    registry.Register(PioCtrlItemHandler::kProgId, QString(),
                      [] { return std::static_pointer_cast<automation::ComObject>(std::make_shared<PioCtrlItemHandler>()); });
}

} // namespace controls
