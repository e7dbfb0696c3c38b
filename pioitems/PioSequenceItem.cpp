#include "pioitems/PioSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "pioitems/ControlErrors.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QPalette>
#include <algorithm>
#include <functional>

namespace pioitems {

namespace {

// The deferred action messages and what each carries out.
struct SequenceMessage {
    int32_t message;
    const char* action;
    void (*carryOut)(clsSequenceItem& item, int32_t wParam);
};

constexpr std::array<SequenceMessage, 4> kSequenceMessages{{
    {PioSequenceItem::kDoActionMessage, "DoAction", [](clsSequenceItem& item, int32_t wParam) { item.DoAction(wParam); }},
    {PioSequenceItem::kStartMessage, "Start", [](clsSequenceItem& item, int32_t) { item.Start(); }},
    {PioSequenceItem::kForceMessage, "Force", [](clsSequenceItem& item, int32_t) { item.Force(); }},
    {PioSequenceItem::kAdjustMessage, "Adjust", [](clsSequenceItem& item, int32_t) { item.Adjust(); }},
}};

const SequenceMessage* FindMessage(int32_t message)
{
    const auto it = std::find_if(kSequenceMessages.begin(), kSequenceMessages.end(),
                                 [message](const SequenceMessage& m) { return m.message == message; });
    return it == kSequenceMessages.end() ? nullptr : &*it;
}

} // namespace

const std::array<PersistedProperty<PioSequenceItem>, 3> PioSequenceItem::kPersisted{{
    {QStringLiteral("RegisterStateItem"), &PioSequenceItem::m_RegisterStateItem, true},
    {QStringLiteral("RegisterControlItem"), &PioSequenceItem::m_RegisterControlItem, true},
    {QStringLiteral("AppItemName"), &PioSequenceItem::m_AppItemName, QString()},
}};

PioSequenceItem::PioSequenceItem(QWidget* parent)
    : PioItemControl(QStringLiteral("PioSequenceItem"), QStringLiteral("Sequence: "), parent),
      m_messages([this](int32_t message, int32_t wParam) { HandleSequenceMessage(message, wParam); },
                 [this] { return QStringLiteral("PioSequenceItem(%1)").arg(m_AppItemName); })
{
    QPalette red = palette();
    red.setColor(QPalette::Window, QColor(255, 0, 0));
    setPalette(red);
    setAutoFillBackground(true);
    // A status is a change; the refresh that follows the registration is none.
    connect(&m_item, &clsSequenceItem::StatusChanged, this, [this](int32_t status) {
        if ((m_item.NotifiedState() & applet::StateInfo::kRegistration) == 0)
            emit StatusChanged(status);
    });
    m_messages.SetDroppedHandler([this](const QString& action, int32_t number, const QString& description) {
        emit ActionDropped(action, number, description);
    });
}

PioSequenceItem::~PioSequenceItem()
{
    UnRegister();
}

double PioSequenceItem::SequenceState() const
{
    double state = 0;
    if (!ControlErrors::Run(Context("SequenceState"),
                            [&] { state = m_item.SequenceState(); }))
        return 0;
    return state;
}

bool PioSequenceItem::Stopped() const
{
    double action = 0;
    if (!ControlErrors::Run(Context("Stopped"), [&] {
            const auto& manager = m_item.Manager();
            if (!manager || m_item.ControlHandle() <= 0)
                return;
            int32_t failed = 0;
            manager->fncReadUIntValue(m_item.ControlHandle(), action, false, failed);
        }))
        return false;
    return static_cast<int32_t>(action) == applet::SequenceAction::Stop;
}

void PioSequenceItem::RegisterItem(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    const int16_t mask = static_cast<int16_t>((m_RegisterStateItem ? REGISTER_STATE : 0)
                                              | (m_RegisterControlItem ? REGISTER_CONTROL : 0));
    m_item.Register(manager, m_AppItemName, m_RegisterOnShadow, 0, mask, nullptr, QString());
}

void PioSequenceItem::UnRegisterItem()
{
    m_item.UnRegister();
}

void PioSequenceItem::Adjust(bool immediate)
{
    if (immediate)
        m_item.Adjust();
    else
        Post(kAdjustMessage, 0);
}

void PioSequenceItem::DoAction(int32_t action, bool immediate)
{
    if (immediate) {
        m_item.DoAction(action);
        return;
    }
    if (!m_hasRegisteredWindow) {
        applet::AppletTrace::Error(
            QStringLiteral("PioSequenceItem(%1): deferred DoAction %2 not carried out: the control was never registered")
                .arg(m_AppItemName)
                .arg(action));
        return;
    }
    Post(kDoActionMessage, action);
}

void PioSequenceItem::Force(bool immediate)
{
    if (immediate)
        m_item.Force();
    else
        Post(kForceMessage, 0);
}

void PioSequenceItem::Start(bool immediate)
{
    if (immediate)
        m_item.Start();
    else
        Post(kStartMessage, 0);
}

void PioSequenceItem::Post(int32_t message, int32_t wParam)
{
    m_messages.Post(message, wParam, QLatin1String(FindMessage(message)->action));
}

void PioSequenceItem::HandleSequenceMessage(int32_t message, int32_t wParam)
{
    if (const SequenceMessage* entry = FindMessage(message))
        entry->carryOut(m_item, wParam);
}

void PioSequenceItem::SetRegisterStateItem(bool value)
{
    m_RegisterStateItem = value;
    MarkPropertyChanged(QStringLiteral("RegisterStateItem"));
}

void PioSequenceItem::SetRegisterControlItem(bool value)
{
    m_RegisterControlItem = value;
    MarkPropertyChanged(QStringLiteral("RegisterControlItem"));
}

void PioSequenceItem::ReadProperties(const automation::PropertyBag& bag)
{
    ReadPersisted<PioSequenceItem>(*this, bag, kPersisted, ClassName() + QStringLiteral(".ReadProperties"));
    ShowName();
}

void PioSequenceItem::WriteProperties(automation::PropertyBag& bag) const
{
    WritePersisted<PioSequenceItem>(*this, bag, kPersisted);
}

} // namespace pioitems
