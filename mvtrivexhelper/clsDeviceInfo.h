#pragma once
// Which transmitter this DTM talks to, derived from a fixed set of applet
// items: bus kind, module type, software revision, multivariable function and
// block mode, country code, and a display name from tag and descriptor.
// Each user creates its own object and calls Register with its item manager;
// the object binds its items (app items) when the manager hands it the view
// handle, and raises its three signals when the device values behind them
// change. Every read goes to the item manager anew; only the last values seen
// by the signal handlers are kept.
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/ItemViewBinding.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QObject>
#include <QString>
#include <array>
#include <memory>

class clsAppItem;

class clsDeviceInfo : public QObject, public automation::ComObject, public IDeviceInfo, public applet::View {
    Q_OBJECT
public:
    clsDeviceInfo();
    // Unregisters from the manager when the items were bound.
    ~clsDeviceInfo() override;
    clsDeviceInfo(const clsDeviceInfo&) = delete;
    clsDeviceInfo& operator=(const clsDeviceInfo&) = delete;

    // IDeviceInfo. A member that reads an item before binding raises
    // kObjectNotSet, except MvFunctionEnabled (False), MvActualBlockMode (0)
    // and PidEnabled (False).
    int16_t CountryCode() override;
    QString DeviceIdentName() override;
    enmCommType CommType() override;
    bool MvFunctionEnabled() override;
    bool PidEnabled() override;
    enmModuleType ModuleType() override;
    QString softwareRevision() override;
    QString ExtractSoftwareRevision(const QString& softwareRevision,
                                    const QVariant& softwareRevisionEx = QVariant()) override;
    bool DeviceCanBeBusy() override;
    QVariant Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    int32_t MvActualBlockMode() override;
    int16_t GetPtrbLinTypeCode(enmPtrbLinType linType) override;

    bool Registered() const { return m_registered; }

    // applet::View: SetAppletItemManagRef binds the items and returns 0, or
    // the number of the error that stopped the binding. The manager keeps the
    // views it was given, so Register hands it a stand-in view that passes the
    // handover on: the object still ends when its user lets go of it.
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override { result = 0; }
    // Changes reach the object through its items.
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }

signals:
    // The extracted revision (not the item's raw value).
    void SoftwareRevisionChanged(const QString& softwareRevision);
    void MvActualBlockModeChanged(int32_t MvActualBlockMode);
    void MvFunctionChanged(bool mvFunction);

private:
    // The bound items, in binding order.
    enum Role { Country, Module, BusKind, MvFunction, MvBlockMode, PidTarget, Tag, Descriptor, Revision, RevisionEx,
                kRoleCount };

    clsAppItem& Item(Role role) const;
    QString Text(Role role) const;
    void Unbind();
    void OnMvFunction(const QString& value, bool suppressRule);
    void OnMvBlockMode(const QString& value, bool suppressRule);
    void OnRevision(const QString& value, bool suppressRule);

    int32_t m_viewHandle = 0;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    ItemViewBinding m_view;
    bool m_registered = false;
    std::array<std::unique_ptr<clsAppItem>, kRoleCount> m_items;
    QString m_lastBlockMode;
    QString m_lastMvFunction;
    QString m_lastRevision;
};
