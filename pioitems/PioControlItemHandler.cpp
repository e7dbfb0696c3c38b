#include "pioitems/PioControlItemHandler.h"
#include "pioitems/ControlErrors.h"
#include "pioitems/PioItemProtocol.h"
#include "platform/controls/PioCtrlItemHandler.h"
#include <QLabel>

namespace pioitems {

namespace {

struct ItemControl {
    QPointer<QWidget> widget;
    PioItemProtocol* protocol = nullptr;
};

// The controls below parent that take part in the item protocol, depth first
// in the order of the form; a taking part control is not entered.
void CollectItemControls(const QWidget* parent, QList<ItemControl>& found)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (auto* protocol = dynamic_cast<PioItemProtocol*>(widget))
            found.append({widget, protocol});
        else
            CollectItemControls(widget, found);
    }
}

QList<ItemControl> ItemControlsOf(const QWidget* form)
{
    QList<ItemControl> found;
    if (form)
        CollectItemControls(form, found);
    return found;
}

QString Describe(const QWidget* widget)
{
    const QString name = widget->objectName();
    return name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name;
}

} // namespace

const std::array<PersistedProperty<PioControlItemHandler>, 1> PioControlItemHandler::kPersisted{{
    {QStringLiteral("StandAlone"), &PioControlItemHandler::m_StandAlone, false},
}};

PioControlItemHandler::PioControlItemHandler(QWidget* parent)
    : PioUserControl(QStringLiteral("PioControlItemHandler"), parent),
      m_embedded(std::make_shared<controls::PioCtrlItemHandler>())
{
    SetFaceCaption(QStringLiteral("PioControlItemHandler"));
}

PioControlItemHandler::~PioControlItemHandler() = default;

void PioControlItemHandler::Register1(QWidget* parentForm,
                                      const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    const QString source = ClassName() + QStringLiteral(".Register");
    if (!parentForm)
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("No form to register the item controls of"), source);
    if (!m_StandAlone) {
        const int32_t result = m_embedded->Register(parentForm, AppletItemManagerRef);
        if (result != 0)
            throw automation::ComError(result == -1 ? automation::E_INVALIDARG_ : result,
                                       QStringLiteral("The item-handler control refused form %1 (%2)")
                                           .arg(Describe(parentForm))
                                           .arg(result),
                                       source);
    }
    m_parentForm = parentForm;
    for (const ItemControl& control : ItemControlsOf(parentForm))
        if (control.widget)
            ControlErrors::Run(source + QStringLiteral("(%1)").arg(Describe(control.widget)), [&] {
                if (control.protocol->Typ() == kPioItemTyp)
                    control.protocol->Register(AppletItemManagerRef);
            });
}

void PioControlItemHandler::Register(QWidget* parentForm,
                                     const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    Register1(parentForm, AppletItemManagerRef);
}

void PioControlItemHandler::UnRegister()
{
    const QString source = ClassName() + QStringLiteral(".UnRegister");
    if (!m_StandAlone)
        ControlErrors::Run(source, [&] { m_embedded->Unregister(); });
    for (const ItemControl& control : ItemControlsOf(m_parentForm))
        if (control.widget)
            ControlErrors::Run(source + QStringLiteral("(%1)").arg(Describe(control.widget)), [&] {
                if (control.protocol->Typ() == kPioItemTyp)
                    control.protocol->UnRegister();
            });
    m_parentForm.clear();
}

void PioControlItemHandler::UpdatePioControls()
{
    if (!m_StandAlone)
        m_embedded->UpdateControls();
}

void PioControlItemHandler::SetStandAlone(bool value)
{
    RequireDesignMode("StandAlone");
    m_StandAlone = value;
    MarkPropertyChanged(QStringLiteral("StandAlone"));
}

void PioControlItemHandler::FitFace()
{
    Face()->adjustSize();
    if (size() != Face()->size())
        resize(Face()->size());
}

void PioControlItemHandler::ReadProperties(const automation::PropertyBag& bag)
{
    ReadPersisted<PioControlItemHandler>(*this, bag, kPersisted, ClassName() + QStringLiteral(".ReadProperties"));
}

void PioControlItemHandler::WriteProperties(automation::PropertyBag& bag) const
{
    WritePersisted<PioControlItemHandler>(*this, bag, kPersisted);
}

} // namespace pioitems
