#pragma once
// The applet item manager: the named items of one applet, the views that
// registered them, and the typed value operations of the toolkit.
//
// - Names are matched without regard to case; a sub-item may carry its marker
//   in front of or behind its owner's name. An item's handle (above 0) is the
//   same for every view.
// - A write notifies every view that registered the item, in registration
//   order, synchronously and before the write returns, and only when the value
//   really changed. Handlers may write (their notifications are delivered at
//   once, nested), register and unregister items or whole views, their own
//   included, and end the applet: when they let go of the last reference to
//   the host, it ends on the next turn of the event loop, after the code that
//   made the change has returned.
// - Each registration gets one refresh (StateInfo::kRefreshBits with
//   StateInfo::kRegistration) on the event loop turn after RegisterItem.
// - Value operations report a failed flag: kItemUnknown (no such handle),
//   kItemWrongType (the access does not fit the item's type), kItemBadValue
//   (the value does not fit the item); nothing is changed then.
#include "platform/applet/AppletItem.h"
#include "platform/applet/ItemValue.h"
#include "platform/automation/ClassRegistry.h"
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace applet {

class AppletHost;
class Description;
class TdxFileParser;
class View;

// Who changed an item; decides the state word of the notification.
enum class WriteOrigin {
    Client,  // a value operation of the manager (a view, a page, a rule)
    Host,    // the host's own bookkeeping (states, progress, connection)
    Adjust,  // dataset value copied from the shadow value
    Device,  // shadow value read from the device
};

class clsAppletItemManager : public automation::ComObject,
                             public std::enable_shared_from_this<clsAppletItemManager> {
public:
    clsAppletItemManager(std::shared_ptr<const Description> description, std::shared_ptr<TdxFileParser> parser,
                         std::weak_ptr<AppletHost> host);
    ~clsAppletItemManager() override;
    clsAppletItemManager(const clsAppletItemManager&) = delete;
    clsAppletItemManager& operator=(const clsAppletItemManager&) = delete;

    // --- Views ------------------------------------------------------------
    // Registers the view and calls its SetAppletItemManagRef before returning.
    // result: 0, or the view's nonzero result of SetAppletItemManagRef (the
    // view stays registered), or kResultInvalidArgument for no view.
    void RegisterView(const std::shared_ptr<View>& view, int32_t& result);
    // Ends every item registration of the view; result 0, or kItemUnknown
    // when the view was not registered.
    void UnregisterView(const View* view, int32_t& result);
    void GetDataDictionary(std::shared_ptr<TdxFileParser>& parser);
    void GetApplet(std::shared_ptr<AppletHost>& host);

    // --- Items ------------------------------------------------------------
    void RegisterItem(const QString& name, bool shadow, int32_t viewHandle, int32_t& itemHandle, int32_t userLong,
                      int32_t updateInterval, int32_t& failed);
    void UnregisterItem(int32_t viewHandle, int32_t itemHandle, bool shadow, int32_t& failed);

    void fncReadUIntValue(int32_t handle, double& value, bool shadow, int32_t& failed);
    void fncReadIntValue(int32_t handle, int32_t& value, bool shadow, int32_t& failed);
    void fncReadFloatValue(int32_t handle, float& value, bool shadow, int32_t& failed);
    void fncReadBCDValue(int32_t handle, int32_t& value, bool shadow, int32_t& failed);
    void fncReadOctetsValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed);
    void fncReadPCAValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed);
    void fncReadHartDateValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed);
    void fncReadString(int32_t handle, QString& value, bool shadow, int32_t& failed);

    void fncGetUIntValue(int32_t handle, double& value, int32_t& failed);
    void GetPreviousUIntValue(int32_t handle, double& value, int32_t& failed);
    void GetIntValue(int32_t handle, int32_t& value, int32_t& failed);
    void fncGetOctetsValue(int32_t handle, QByteArray& value, int32_t& failed);
    void GetOctetsValue(int32_t handle, QByteArray& value, bool shadow, int32_t& failed);
    void GetStringValue(int32_t handle, QString& value, int32_t& failed);
    void GetPreviousStringValue(int32_t handle, QString& value, int32_t& failed);
    void GetBoolValue(int32_t handle, int16_t& value, int32_t& failed);
    void GetValueAsText(int32_t handle, QString& value, bool shadow, int32_t& failed);

    void fncPutUintValue(int32_t handle, double value, int32_t& failed);
    void fncPutIntValue(int32_t handle, int32_t value, int32_t& failed);
    void fncPutFloatValue(int32_t handle, float value, int32_t& failed);
    void fncPutBCDValue(int32_t handle, int32_t value, int32_t& failed);
    void fncPutOctetsValue(int32_t handle, const QByteArray& value, int32_t& failed);
    void fncPutPCAValue(int32_t handle, const QByteArray& value, int32_t& failed);
    void fncPutHartDateValue(int32_t handle, const QByteArray& value, int32_t& failed);
    void fncPutString(int32_t handle, const QString& value, int32_t& failed);
    void PutOctetsValue(int32_t handle, const QByteArray& value, int32_t& failed);
    void PutStringValue(int32_t handle, const QString& value, int32_t& failed);
    void PutBoolValue(int32_t handle, int16_t value, int32_t& failed);
    // Checked as every value that enters a dataset (ValueAdmission); a date
    // text the user typed in the form of the user's language is taken in the
    // device's form, any other text the page of the date judges.
    void PutValueAsText(int32_t handle, const QString& value, int32_t& failed);

    // Copies the item's shadow value into its dataset value; result 0, or a
    // failed flag value.
    void AdjustItem(const QString& name, QVariant& result);

    // --- For the host -----------------------------------------------------
    int32_t HandleOf(const QString& name) const; // 0 when unknown
    AppletItem* Item(int32_t handle);
    const AppletItem* Item(int32_t handle) const;
    int32_t ItemCount() const { return static_cast<int32_t>(m_items.size()); }
    std::shared_ptr<const Description> GetDescription() const { return m_description; }

    // Writes with the given origin; returns false when the value did not fit
    // (nothing changed then). Notifies when the value changed.
    bool Write(int32_t handle, const QVariant& storedValue, WriteOrigin origin);
    bool WriteShadow(int32_t handle, const QVariant& storedValue);
    // Sets a value without notifying (reload); the refresh follows separately.
    void Load(int32_t handle, const QVariant& storedValue);
    void ResetToDefault(int32_t handle);
    // One refresh to every live registration, in registration order.
    void RefreshAll();
    bool HasRegistrations(int32_t handle) const;
    // The smallest update interval registered for each item (items without one omitted).
    std::map<int32_t, int32_t> UpdateIntervals() const;
    std::vector<std::shared_ptr<View>> RegisteredViews() const;
    bool IsRegistered(const View* view) const;

    // The host hears of every change (after the views) and of views that end.
    using ChangeObserver = std::function<void(const AppletItem& item, WriteOrigin origin, bool shadowChange)>;
    using ViewObserver = std::function<void(const View* view)>;
    void SetObservers(ChangeObserver change, ViewObserver viewUnregistered);
    // Hears when UpdateIntervals() may have changed: a registration with an
    // update interval came, went or changed its interval.
    void SetIntervalObserver(std::function<void()> intervalsChanged);

private:
    struct Registration {
        int32_t viewHandle = 0;
        int32_t itemHandle = 0;
        bool shadow = false;
        int32_t userLong = 0;
        int32_t updateInterval = 0;
        bool alive = true;
    };
    struct ViewEntry {
        int32_t handle = 0;
        std::shared_ptr<View> view;
    };
    enum class Change { Value, Shadow, Refresh };

    void BuildItems();
    void AddItem(AppletItemDefinition definition);
    AppletItem* Checked(int32_t handle, ValueAccess access, int32_t& failed);
    bool PutChecked(int32_t handle, ValueAccess access, int32_t& failed,
                    const std::function<bool(const AppletItem&, QVariant&)>& convert);
    void ReadChecked(int32_t handle, ValueAccess access, bool shadow, int32_t& failed,
                     const std::function<void(const AppletItem&, const QVariant&)>& take);
    // The byte accesses (octets, packed ASCII, HART date) differ only in their family.
    void ReadBytes(int32_t handle, ValueAccess access, QByteArray& value, bool shadow, int32_t& failed);
    void PutBytes(int32_t handle, ValueAccess access, const QByteArray& value, int32_t& failed);
    void Deliver(AppletItem& item, Change change, int32_t extraBits,
                 const std::vector<std::shared_ptr<Registration>>* only = nullptr);
    void CallView(const std::shared_ptr<View>& view, const Registration& registration, int32_t itemHandle,
                  bool shadow, int32_t state);
    std::shared_ptr<View> ViewOf(int32_t viewHandle) const;
    void QueueRefresh(const std::shared_ptr<Registration>& registration);
    void Refresh(const std::shared_ptr<Registration>& registration, int32_t extraBits);
    void RunQueuedRefreshes();
    void Prune();
    void IntervalsChanged();

    std::shared_ptr<const Description> m_description;
    std::shared_ptr<TdxFileParser> m_parser;
    std::weak_ptr<AppletHost> m_host;
    std::vector<std::unique_ptr<AppletItem>> m_items; // handle = index + 1
    QHash<QString, int32_t> m_byName;                 // lower-case canonical name
    std::map<int32_t, ViewEntry> m_views;             // by handle = registration order
    std::vector<std::shared_ptr<Registration>> m_registrations; // registration order
    std::vector<std::weak_ptr<Registration>> m_refreshQueue;
    int32_t m_lastViewHandle = 0;
    int m_deliveryDepth = 0;
    ChangeObserver m_changeObserver;
    ViewObserver m_viewObserver;
    std::function<void()> m_intervalObserver;
};

} // namespace applet
