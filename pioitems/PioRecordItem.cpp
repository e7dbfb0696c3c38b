#include "pioitems/PioRecordItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/StateInfo.h"

namespace pioitems {

const std::array<PersistedProperty<PioRecordItem>, 4> PioRecordItem::kPersisted{{
    {QStringLiteral("RegisterStateItem"), &PioRecordItem::m_RegisterStateItem, true},
    {QStringLiteral("RegisterControlItem"), &PioRecordItem::m_RegisterControlItem, true},
    {QStringLiteral("RegisterResponseItem"), &PioRecordItem::m_RegisterResponseItem, true},
    {QStringLiteral("AppItemName"), &PioRecordItem::m_AppItemName, QString()},
}};

PioRecordItem::PioRecordItem(QWidget* parent)
    : PioItemControl(QStringLiteral("PioRecordItem"), QStringLiteral("Record: "), parent)
{
    // A status or a response is a change; the refresh that follows the
    // registration is none.
    connect(&m_item, &clsRecordItem::ResponseCatched, this, [this](const QByteArray& response) {
        if ((m_item.NotifiedState() & applet::StateInfo::kRegistration) == 0)
            emit GotResponse(response);
    });
    connect(&m_item, &clsRecordItem::StatusChanged, this, [this](int32_t status) {
        if ((m_item.NotifiedState() & applet::StateInfo::kRegistration) == 0)
            emit StatusChanged(status);
    });
}

PioRecordItem::~PioRecordItem()
{
    UnRegister();
}

QByteArray PioRecordItem::ResponseCode() const
{
    return m_item.ResponseCode();
}

void PioRecordItem::RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    const int16_t mask = static_cast<int16_t>((m_RegisterStateItem ? REGISTER_STATE : 0)
                                              | (m_RegisterControlItem ? REGISTER_CONTROL : 0)
                                              | (m_RegisterResponseItem ? REGISTER_RESPONSE : 0));
    m_item.Register(manager, m_AppItemName, m_RegisterOnShadow, 0, mask, nullptr, QString());
}

void PioRecordItem::UnRegisterItem()
{
    m_item.UnRegister();
}

void PioRecordItem::DoAction(int32_t action)
{
    m_item.DoAction(action);
}

void PioRecordItem::SetRegisterStateItem(bool value)
{
    m_RegisterStateItem = value;
    MarkPropertyChanged(QStringLiteral("RegisterStateItem"));
}

void PioRecordItem::SetRegisterControlItem(bool value)
{
    m_RegisterControlItem = value;
    MarkPropertyChanged(QStringLiteral("RegisterControlItem"));
}

void PioRecordItem::SetRegisterResponseItem(bool value)
{
    m_RegisterResponseItem = value;
    MarkPropertyChanged(QStringLiteral("RegisterResponseItem"));
}

void PioRecordItem::ReadProperties(const automation::PropertyBag& bag)
{
    ReadPersisted<PioRecordItem>(*this, bag, kPersisted, ClassName() + QStringLiteral(".ReadProperties"));
    ShowName();
}

void PioRecordItem::WriteProperties(automation::PropertyBag& bag) const
{
    WritePersisted<PioRecordItem>(*this, bag, kPersisted);
}

} // namespace pioitems
