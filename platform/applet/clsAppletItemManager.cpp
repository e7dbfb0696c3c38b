#include "platform/applet/clsAppletItemManager.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/NotificationStatistics.h"
#include "platform/applet/Description.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/UserDate.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/ValueAdmission.h"
#include "platform/applet/View.h"
#include "platform/loop/EventLoop.h"
#include <algorithm>
#include <cmath>
#include <exception>

namespace applet {

namespace {

qint64 gLiveNotifications = 0;

QString NameKey(const QString& name)
{
    QString owner;
    const SubItemKind kind = SubItemName::Parse(name, owner);
    if (kind == SubItemKind::None)
        return name.toLower();
    return SubItemName::Compose(kind, owner).toLower();
}

int32_t ToInt32(double number)
{
    if (std::isnan(number))
        return 0;
    return static_cast<int32_t>(static_cast<int64_t>(std::llround(number)));
}

} // namespace

clsAppletItemManager::clsAppletItemManager(std::shared_ptr<const Description> description,
                                           std::shared_ptr<TdxFileParser> parser, std::weak_ptr<AppletHost> host)
    : m_description(std::move(description)), m_parser(std::move(parser)), m_host(std::move(host))
{
    if (m_description)
        BuildItems();
}

clsAppletItemManager::~clsAppletItemManager() = default;

void clsAppletItemManager::AddItem(AppletItemDefinition definition)
{
    const QString key = NameKey(definition.name);
    if (m_byName.contains(key)) {
        AppletTrace::Error(QStringLiteral("Item %1 is described twice; the first one is kept").arg(definition.name));
        return;
    }
    const auto handle = static_cast<int32_t>(m_items.size() + 1);
    m_byName.insert(key, handle);
    m_items.push_back(std::make_unique<AppletItem>(handle, std::move(definition)));
}

void clsAppletItemManager::BuildItems()
{
    const Description& d = *m_description;
    for (const DescObject& object : d.objects) {
        AppletItemDefinition definition;
        definition.name = object.name;
        definition.type = object.type;
        definition.size = object.size;
        definition.deviceParameter = object.scope == ObjectScope::Device;
        definition.persistent = object.persistent;
        definition.initial = ItemValue::Default(object.type, object.size);
        if (!object.defaultText.isEmpty()) {
            QVariant value;
            if (ItemValue::FromText(object.type, object.size, object.defaultText, value))
                definition.initial = value;
            else
                AppletTrace::Error(QStringLiteral("Default '%1' of %2 does not fit; the type's default is used")
                                       .arg(object.defaultText, object.name));
        }
        AddItem(std::move(definition));
    }
    auto sub = [this](SubItemKind kind, const QString& owner, ItemType type, int32_t size, QVariant initial,
                      TextStyle style = TextStyle::Plain) {
        AppletItemDefinition definition;
        definition.name = SubItemName::Compose(kind, owner);
        definition.type = type;
        definition.size = size;
        definition.subKind = kind;
        definition.owner = owner;
        definition.textStyle = style;
        definition.initial = std::move(initial);
        AddItem(std::move(definition));
    };
    const QVariant zero = QVariant::fromValue<quint64>(0);
    for (const DescObject& object : d.objects) {
        if (object.enumeration.isEmpty())
            continue;
        const DescEnumeration* enumeration = d.FindEnumeration(object.enumeration);
        const auto count = enumeration ? enumeration->entries.size() : 0;
        sub(SubItemKind::ObjectLimit, object.name, ItemType::Octets, 0, QByteArray(count, '\x01'), TextStyle::Mask);
    }
    for (const DescSequence& sequence : d.sequences) {
        sub(SubItemKind::SequenceState, sequence.name, ItemType::Unsigned, 16, zero);
        sub(SubItemKind::SequenceControl, sequence.name, ItemType::Unsigned, 16, zero);
        sub(SubItemKind::SequenceProgress, sequence.name, ItemType::Int, 32, QVariant::fromValue<qint64>(0));
    }
    for (const DescRecord& record : d.records) {
        sub(SubItemKind::RecordState, record.name, ItemType::Unsigned, 16, zero);
        sub(SubItemKind::RecordResponse, record.name, ItemType::Octets, 0, QByteArray());
        sub(SubItemKind::RecordResponseControl, record.name, ItemType::Unsigned, 16, zero);
    }
    for (const DescMenuEntry& entry : d.menu)
        sub(SubItemKind::MenuState, entry.name, ItemType::Unsigned, 32,
            QVariant::fromValue<quint64>(static_cast<quint64>(entry.state)));
}

// --- Views ------------------------------------------------------------------

void clsAppletItemManager::RegisterView(const std::shared_ptr<View>& view, int32_t& result)
{
    result = kResultInvalidArgument;
    if (!view)
        return;
    int32_t handle = 0;
    for (const auto& [h, entry] : m_views)
        if (entry.view == view)
            handle = h;
    if (handle == 0) {
        handle = ++m_lastViewHandle;
        m_views[handle] = ViewEntry{handle, view};
    }
    std::shared_ptr<View> keep = view;
    std::shared_ptr<clsAppletItemManager> self = shared_from_this();
    int32_t viewResult = 0;
    try {
        view->SetAppletItemManagRef(handle, self, viewResult);
    } catch (const automation::ComError& error) {
        AppletTrace::Error(QStringLiteral("SetAppletItemManagRef of view %1 failed: %2 (0x%3)")
                               .arg(handle)
                               .arg(error.description())
                               .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0')));
        viewResult = error.number();
    } catch (const std::exception& error) {
        AppletTrace::Error(QStringLiteral("SetAppletItemManagRef of view %1 failed: %2").arg(handle).arg(QString::fromLocal8Bit(error.what())));
        viewResult = automation::E_FAIL_;
    }
    result = m_views.count(handle) != 0 ? viewResult : kResultOk;
}

void clsAppletItemManager::UnregisterView(const View* view, int32_t& result)
{
    result = kItemUnknown;
    auto it = m_views.begin();
    for (; it != m_views.end(); ++it)
        if (it->second.view.get() == view)
            break;
    if (it == m_views.end() || !view)
        return;
    const std::shared_ptr<clsAppletItemManager> self = weak_from_this().lock();
    const std::shared_ptr<View> keep = it->second.view;
    const int32_t handle = it->first;
    m_views.erase(it);
    bool timed = false;
    for (auto& registration : m_registrations) {
        if (registration->viewHandle == handle && registration->alive) {
            registration->alive = false;
            timed = timed || registration->updateInterval > 0;
        }
    }
    Prune();
    result = kResultOk;
    if (timed)
        IntervalsChanged();
    if (m_viewObserver)
        m_viewObserver(view);
}

void clsAppletItemManager::GetDataDictionary(std::shared_ptr<TdxFileParser>& parser)
{
    parser = m_parser;
}

void clsAppletItemManager::GetApplet(std::shared_ptr<AppletHost>& host)
{
    host = m_host.lock();
}

std::shared_ptr<View> clsAppletItemManager::ViewOf(int32_t viewHandle) const
{
    const auto it = m_views.find(viewHandle);
    return it == m_views.end() ? nullptr : it->second.view;
}

std::vector<std::shared_ptr<View>> clsAppletItemManager::RegisteredViews() const
{
    std::vector<std::shared_ptr<View>> views;
    for (const auto& [handle, entry] : m_views)
        views.push_back(entry.view);
    return views;
}

bool clsAppletItemManager::IsRegistered(const View* view) const
{
    for (const auto& [handle, entry] : m_views)
        if (entry.view.get() == view)
            return true;
    return false;
}

void clsAppletItemManager::SetObservers(ChangeObserver change, ViewObserver viewUnregistered)
{
    m_changeObserver = std::move(change);
    m_viewObserver = std::move(viewUnregistered);
}

// --- Registration -------------------------------------------------------------

void clsAppletItemManager::RegisterItem(const QString& name, bool shadow, int32_t viewHandle, int32_t& itemHandle,
                                        int32_t userLong, int32_t updateInterval, int32_t& failed)
{
    failed = kItemUnknown;
    const int32_t handle = HandleOf(name);
    if (handle == 0 || m_views.count(viewHandle) == 0)
        return;
    std::shared_ptr<Registration> registration;
    for (const auto& r : m_registrations)
        if (r->alive && r->viewHandle == viewHandle && r->itemHandle == handle && r->shadow == shadow)
            registration = r;
    if (!registration) {
        registration = std::make_shared<Registration>();
        registration->viewHandle = viewHandle;
        registration->itemHandle = handle;
        registration->shadow = shadow;
        m_registrations.push_back(registration);
    }
    registration->userLong = userLong;
    const bool timed = registration->updateInterval != std::max(updateInterval, 0);
    registration->updateInterval = std::max(updateInterval, 0);
    itemHandle = handle;
    failed = kItemOk;
    QueueRefresh(registration);
    if (timed)
        IntervalsChanged();
}

void clsAppletItemManager::UnregisterItem(int32_t viewHandle, int32_t itemHandle, bool shadow, int32_t& failed)
{
    failed = kItemUnknown;
    std::shared_ptr<Registration> match;
    for (const auto& r : m_registrations) {
        if (!r->alive || r->viewHandle != viewHandle || r->itemHandle != itemHandle)
            continue;
        if (r->shadow == shadow) {
            match = r;
            break;
        }
        if (!match)
            match = r;
    }
    if (!match)
        return;
    match->alive = false;
    Prune();
    failed = kItemOk;
    if (match->updateInterval > 0)
        IntervalsChanged();
}

void clsAppletItemManager::SetIntervalObserver(std::function<void()> intervalsChanged)
{
    m_intervalObserver = std::move(intervalsChanged);
}

void clsAppletItemManager::IntervalsChanged()
{
    if (m_intervalObserver)
        m_intervalObserver();
}

void clsAppletItemManager::Prune()
{
    if (m_deliveryDepth > 0)
        return;
    std::erase_if(m_registrations, [](const std::shared_ptr<Registration>& r) { return !r->alive; });
}

bool clsAppletItemManager::HasRegistrations(int32_t handle) const
{
    for (const auto& r : m_registrations)
        if (r->alive && r->itemHandle == handle)
            return true;
    return false;
}

std::map<int32_t, int32_t> clsAppletItemManager::UpdateIntervals() const
{
    std::map<int32_t, int32_t> intervals;
    for (const auto& r : m_registrations) {
        if (!r->alive || r->updateInterval <= 0)
            continue;
        auto it = intervals.find(r->itemHandle);
        if (it == intervals.end() || r->updateInterval < it->second)
            intervals[r->itemHandle] = r->updateInterval;
    }
    return intervals;
}

// --- Notification -------------------------------------------------------------

qint64 LiveNotificationsDelivered()
{
    return gLiveNotifications;
}

void clsAppletItemManager::CallView(const std::shared_ptr<View>& view, const Registration& registration,
                                    int32_t itemHandle, bool shadow, int32_t state)
{
    int32_t result = 0;
    try {
        view->NotifyChanged(itemHandle, shadow, state, registration.userLong, result);
    } catch (const automation::ComError& error) {
        AppletTrace::Error(QStringLiteral("NotifyChanged of view %1 for item %2 failed: %3")
                               .arg(registration.viewHandle)
                               .arg(itemHandle)
                               .arg(error.description()));
    } catch (const std::exception& error) {
        AppletTrace::Error(QStringLiteral("NotifyChanged of view %1 for item %2 failed: %3")
                               .arg(registration.viewHandle)
                               .arg(itemHandle)
                               .arg(QString::fromLocal8Bit(error.what())));
    }
}

void clsAppletItemManager::Deliver(AppletItem& item, Change change, int32_t extraBits,
                                   const std::vector<std::shared_ptr<Registration>>* only)
{
    std::vector<std::shared_ptr<Registration>> targets;
    if (only) {
        targets = *only;
    } else {
        for (const auto& r : m_registrations)
            if (r->alive && r->itemHandle == item.Handle())
                targets.push_back(r);
    }
    if (targets.empty())
        return;
    const std::shared_ptr<clsAppletItemManager> self = shared_from_this();
    // A handler may end the applet and let go of its host while host code
    // that made this change is still on the stack: the host then ends on the
    // next turn of the event loop instead of under that code.
    std::shared_ptr<AppletHost> host = m_host.lock();
    const int32_t handle = item.Handle();
    ++m_deliveryDepth;
    for (const auto& registration : targets) {
        if (!registration->alive)
            continue;
        const std::shared_ptr<View> view = ViewOf(registration->viewHandle);
        if (!view)
            continue;
        bool shadowFlag = registration->shadow;
        int32_t state = extraBits;
        switch (change) {
        case Change::Value:
            // A view bound to the device value of a parameter is not told of
            // dataset changes.
            if (registration->shadow && item.IsDeviceParameter())
                continue;
            state |= item.IsValid() ? StateInfo::kValueValid : 0;
            break;
        case Change::Shadow:
            shadowFlag = true;
            state |= item.IsShadowValid() ? StateInfo::kValueValid : 0;
            if (!registration->shadow)
                state |= StateInfo::kShadowOnly;
            break;
        case Change::Refresh:
            state |= StateInfo::kRefreshBits;
            if (registration->shadow ? item.IsShadowValid() : item.IsValid())
                state |= StateInfo::kValueValid;
            break;
        }
        if (registration->updateInterval > 0 && (state & StateInfo::kShadowOnly) == 0)
            ++gLiveNotifications;
        CallView(view, *registration, handle, shadowFlag, state);
    }
    --m_deliveryDepth;
    Prune();
    if (host && host.use_count() == 1)
        loop::PostToLoop([host = std::move(host)] {});
}

void clsAppletItemManager::QueueRefresh(const std::shared_ptr<Registration>& registration)
{
    const bool idle = m_refreshQueue.empty();
    m_refreshQueue.push_back(registration);
    if (!idle)
        return;
    std::weak_ptr<clsAppletItemManager> weak = weak_from_this();
    loop::PostToLoop(
        [weak] {
            if (auto self = weak.lock())
                self->RunQueuedRefreshes();
        },
        weak);
}

void clsAppletItemManager::RunQueuedRefreshes()
{
    std::vector<std::weak_ptr<Registration>> queue;
    queue.swap(m_refreshQueue);
    for (const auto& weak : queue)
        Refresh(weak.lock(), StateInfo::kRegistration);
}

void clsAppletItemManager::Refresh(const std::shared_ptr<Registration>& registration, int32_t extraBits)
{
    AppletItem* item = registration && registration->alive ? Item(registration->itemHandle) : nullptr;
    if (!item)
        return;
    const std::vector<std::shared_ptr<Registration>> one{registration};
    Deliver(*item, Change::Refresh, extraBits, &one);
}

void clsAppletItemManager::RefreshAll()
{
    const std::shared_ptr<clsAppletItemManager> self = weak_from_this().lock();
    const std::vector<std::shared_ptr<Registration>> all = m_registrations;
    for (const auto& registration : all)
        Refresh(registration, 0);
}

// --- Host access --------------------------------------------------------------

int32_t clsAppletItemManager::HandleOf(const QString& name) const
{
    return m_byName.value(NameKey(name), 0);
}

AppletItem* clsAppletItemManager::Item(int32_t handle)
{
    if (handle < 1 || handle > static_cast<int32_t>(m_items.size()))
        return nullptr;
    return m_items[static_cast<size_t>(handle - 1)].get();
}

const AppletItem* clsAppletItemManager::Item(int32_t handle) const
{
    if (handle < 1 || handle > static_cast<int32_t>(m_items.size()))
        return nullptr;
    return m_items[static_cast<size_t>(handle - 1)].get();
}

bool clsAppletItemManager::Write(int32_t handle, const QVariant& storedValue, WriteOrigin origin)
{
    // A handler may let go of the last reference to this manager.
    const std::shared_ptr<clsAppletItemManager> self = weak_from_this().lock();
    AppletItem* item = Item(handle);
    if (!item)
        return false;
    if (!item->SetValue(storedValue))
        return true;
    int32_t extra = 0;
    if (item->IsDeviceParameter()
        && (origin == WriteOrigin::Adjust || (origin == WriteOrigin::Client && m_deliveryDepth > 0)))
        extra |= StateInfo::kNoRules;
    Deliver(*item, Change::Value, extra);
    if (m_changeObserver)
        m_changeObserver(*item, origin, false);
    return true;
}

bool clsAppletItemManager::WriteShadow(int32_t handle, const QVariant& storedValue)
{
    const std::shared_ptr<clsAppletItemManager> self = weak_from_this().lock();
    AppletItem* item = Item(handle);
    if (!item)
        return false;
    if (!item->SetShadow(storedValue))
        return true;
    Deliver(*item, item->IsDeviceParameter() ? Change::Shadow : Change::Value, 0);
    if (m_changeObserver)
        m_changeObserver(*item, WriteOrigin::Device, item->IsDeviceParameter());
    return true;
}

void clsAppletItemManager::Load(int32_t handle, const QVariant& storedValue)
{
    if (AppletItem* item = Item(handle))
        item->SetValue(storedValue);
}

void clsAppletItemManager::ResetToDefault(int32_t handle)
{
    if (AppletItem* item = Item(handle))
        item->ResetValue();
}

// --- Value operations -----------------------------------------------------------

AppletItem* clsAppletItemManager::Checked(int32_t handle, ValueAccess access, int32_t& failed)
{
    AppletItem* item = Item(handle);
    if (!item) {
        failed = kItemUnknown;
        return nullptr;
    }
    if (!ItemValue::Accepts(item->Type(), access)) {
        failed = kItemWrongType;
        return nullptr;
    }
    failed = kItemOk;
    return item;
}

void clsAppletItemManager::ReadChecked(int32_t handle, ValueAccess access, bool shadow, int32_t& failed,
                                       const std::function<void(const AppletItem&, const QVariant&)>& take)
{
    if (const AppletItem* item = Checked(handle, access, failed))
        take(*item, shadow ? item->Shadow() : item->Value());
}

bool clsAppletItemManager::PutChecked(int32_t handle, ValueAccess access, int32_t& failed,
                                      const std::function<bool(const AppletItem&, QVariant&)>& convert)
{
    const AppletItem* item = Checked(handle, access, failed);
    if (!item)
        return false;
    QVariant stored;
    if (!convert(*item, stored)) {
        failed = kItemBadValue;
        return false;
    }
    Write(handle, stored, WriteOrigin::Client);
    return true;
}

void clsAppletItemManager::fncReadUIntValue(int32_t handle, double& value, bool shadow, int32_t& failed)
{
    ReadChecked(handle, ValueAccess::UInt, shadow, failed,
                [&](const AppletItem& item, const QVariant& v) { value = ItemValue::ToNumber(item.Type(), v); });
}

void clsAppletItemManager::fncReadIntValue(int32_t handle, int32_t& value, bool shadow, int32_t& failed)
{
    ReadChecked(handle, ValueAccess::Int, shadow, failed, [&](const AppletItem& item, const QVariant& v) {
        value = ToInt32(ItemValue::ToNumber(item.Type(), v));
    });
}

void clsAppletItemManager::fncReadFloatValue(int32_t handle, float& value, bool shadow, int32_t& failed)
{
    ReadChecked(handle, ValueAccess::Float, shadow, failed,
                [&](const AppletItem&, const QVariant& v) { value = v.value<float>(); });
}

void clsAppletItemManager::fncReadBCDValue(int32_t handle, int32_t& value, bool shadow, int32_t& failed)
{
    ReadChecked(handle, ValueAccess::Bcd, shadow, failed, [&](const AppletItem& item, const QVariant& v) {
        value = ToInt32(ItemValue::ToNumber(item.Type(), v));
    });
}

void clsAppletItemManager::ReadBytes(int32_t handle, ValueAccess access, QByteArray& value, bool shadow,
                                     int32_t& failed)
{
    ReadChecked(handle, access, shadow, failed,
                [&](const AppletItem& item, const QVariant& v) { value = ItemValue::ToBytes(item.Type(), v); });
}

void clsAppletItemManager::fncReadOctetsValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed)
{
    ReadBytes(handle, ValueAccess::Octets, value, shadow, failed);
}

void clsAppletItemManager::fncReadPCAValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed)
{
    ReadBytes(handle, ValueAccess::PackedAscii, value, shadow, failed);
}

void clsAppletItemManager::fncReadHartDateValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed)
{
    ReadBytes(handle, ValueAccess::HartDate, value, shadow, failed);
}

void clsAppletItemManager::fncReadString(int32_t handle, QString& value, bool shadow, int32_t& failed)
{
    ReadChecked(handle, ValueAccess::Text, shadow, failed, [&](const AppletItem& item, const QVariant& v) {
        value = ItemValue::ToText(item.Type(), v, item.Style());
    });
}

void clsAppletItemManager::fncGetUIntValue(int32_t handle, double& value, int32_t& failed)
{
    fncReadUIntValue(handle, value, false, failed);
}

void clsAppletItemManager::GetPreviousUIntValue(int32_t handle, double& value, int32_t& failed)
{
    if (const AppletItem* item = Checked(handle, ValueAccess::UInt, failed))
        value = ItemValue::ToNumber(item->Type(), item->Previous());
}

void clsAppletItemManager::GetIntValue(int32_t handle, int32_t& value, int32_t& failed)
{
    fncReadIntValue(handle, value, false, failed);
}

void clsAppletItemManager::fncGetOctetsValue(int32_t handle, QByteArray& value, int32_t& failed)
{
    fncReadOctetsValue(handle, value, false, failed);
}

void clsAppletItemManager::GetOctetsValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed)
{
    fncReadOctetsValue(handle, value, shadow, failed);
}

void clsAppletItemManager::GetStringValue(int32_t handle, QString& value, int32_t& failed)
{
    fncReadString(handle, value, false, failed);
}

void clsAppletItemManager::GetPreviousStringValue(int32_t handle, QString& value, int32_t& failed)
{
    if (const AppletItem* item = Checked(handle, ValueAccess::Text, failed))
        value = ItemValue::ToText(item->Type(), item->Previous(), item->Style());
}

void clsAppletItemManager::GetBoolValue(int32_t handle, int16_t& value, int32_t& failed)
{
    ReadChecked(handle, ValueAccess::Bool, false, failed, [&](const AppletItem& item, const QVariant& v) {
        value = ItemValue::ToNumber(item.Type(), v) != 0 ? int16_t(-1) : int16_t(0);
    });
}

void clsAppletItemManager::GetValueAsText(int32_t handle, QString& value, bool shadow, int32_t& failed)
{
    fncReadString(handle, value, shadow, failed);
}

void clsAppletItemManager::fncPutUintValue(int32_t handle, double value, int32_t& failed)
{
    PutChecked(handle, ValueAccess::UInt, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromNumber(item.Type(), item.Size(), value, stored);
    });
}

void clsAppletItemManager::fncPutIntValue(int32_t handle, int32_t value, int32_t& failed)
{
    PutChecked(handle, ValueAccess::Int, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromNumber(item.Type(), item.Size(), value, stored);
    });
}

void clsAppletItemManager::fncPutFloatValue(int32_t handle, float value, int32_t& failed)
{
    PutChecked(handle, ValueAccess::Float, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromNumber(item.Type(), item.Size(), static_cast<double>(value), stored);
    });
}

void clsAppletItemManager::fncPutBCDValue(int32_t handle, int32_t value, int32_t& failed)
{
    PutChecked(handle, ValueAccess::Bcd, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromNumber(item.Type(), item.Size(), value, stored);
    });
}

void clsAppletItemManager::PutBytes(int32_t handle, ValueAccess access, const QByteArray& value, int32_t& failed)
{
    PutChecked(handle, access, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromBytes(item.Type(), item.Size(), value, stored);
    });
}

void clsAppletItemManager::fncPutOctetsValue(int32_t handle, const QByteArray& value, int32_t& failed)
{
    PutBytes(handle, ValueAccess::Octets, value, failed);
}

void clsAppletItemManager::fncPutPCAValue(int32_t handle, const QByteArray& value, int32_t& failed)
{
    PutBytes(handle, ValueAccess::PackedAscii, value, failed);
}

void clsAppletItemManager::fncPutHartDateValue(int32_t handle, const QByteArray& value, int32_t& failed)
{
    PutBytes(handle, ValueAccess::HartDate, value, failed);
}

void clsAppletItemManager::fncPutString(int32_t handle, const QString& value, int32_t& failed)
{
    PutChecked(handle, ValueAccess::Text, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromText(item.Type(), item.Size(), value, stored);
    });
}

void clsAppletItemManager::PutOctetsValue(int32_t handle, const QByteArray& value, int32_t& failed)
{
    fncPutOctetsValue(handle, value, failed);
}

void clsAppletItemManager::PutStringValue(int32_t handle, const QString& value, int32_t& failed)
{
    fncPutString(handle, value, failed);
}

void clsAppletItemManager::PutBoolValue(int32_t handle, int16_t value, int32_t& failed)
{
    PutChecked(handle, ValueAccess::Bool, failed, [&](const AppletItem& item, QVariant& stored) {
        return ItemValue::FromNumber(item.Type(), item.Size(), value != 0 ? 1.0 : 0.0, stored);
    });
}

void clsAppletItemManager::PutValueAsText(int32_t handle, const QString& value, int32_t& failed)
{
    // The road of a value the user or the frame gives: checked against the
    // item and its description as every value that enters the dataset.
    // A date the user typed in the form of the user's language is kept in the
    // device's form; any other text the page that shows the date refuses
    // itself, asking for the form it takes.
    QString text = value;
    const DescObject* object = m_description ? m_description->FindObject(Item(handle) ? Item(handle)->Name() : QString())
                                             : nullptr;
    if (object && object->dateText) {
        const QDate date = UserDate::Read(value, UserNumber::CountryCode(*this));
        if (!date.isValid()) {
            fncPutString(handle, value, failed);
            return;
        }
        text = date.toString(UserDate::kDeviceFormat);
    }
    PutChecked(handle, ValueAccess::Text, failed, [&](const AppletItem& item, QVariant& stored) {
        QString why;
        if (ValueAdmission::FromText(m_description.get(), item, text, stored, why))
            return true;
        AppletTrace::Info(ValueAdmission::Refusal(item.Name(), value, why));
        return false;
    });
}

void clsAppletItemManager::AdjustItem(const QString& name, QVariant& result)
{
    const int32_t handle = HandleOf(name);
    AppletItem* item = Item(handle);
    if (!item) {
        result = kItemUnknown;
        return;
    }
    if (item->IsDeviceParameter())
        Write(handle, item->Shadow(), WriteOrigin::Adjust);
    result = kResultOk;
}

} // namespace applet
