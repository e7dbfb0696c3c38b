#pragma once
// The job behind the module configuration of a modular device: a view of the
// applet item manager that opens the configuration dialog when it is
// registered, tells the dialog of every change of the configuration item and
// reports the dialog's end through Done (0 confirmed, 1 cancelled or not
// possible). Its owner ends it with CloseConfigurator. Always held by a
// shared_ptr.
#include "platform/applet/View.h"
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class clsDataManager;
class clsDataManagerDataItem;
class frmChannelManagerDialog;

class clsChannelConfigurator : public applet::View, public std::enable_shared_from_this<clsChannelConfigurator> {
public:
    // Without a data manager the DTM object's is used.
    explicit clsChannelConfigurator(std::shared_ptr<clsDataManager> data = nullptr);
    ~clsChannelConfigurator() override;

    // The applet item a data item of the configuration names: its object
    // name, or for an item the FDT file fixes, the name its value holds.
    static QString ItemNameOf(const std::shared_ptr<clsDataManagerDataItem>& item);

    // Event: 0 the configuration was confirmed, 1 cancelled or not possible.
    // The handler may close and drop this object.
    using DoneHandler = std::function<void(int32_t success)>;
    void SetDoneHandler(DoneHandler handler) { m_done = std::move(handler); }

    // Ends the registration and unloads the dialog.
    void CloseConfigurator();

    frmChannelManagerDialog* ConfigurationDialog() const;
    int32_t ConfigurationHandle() const { return m_configurationHandle; }

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 1; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    void ConfigurationDialog_Done(int32_t success);
    std::shared_ptr<clsDataManager> DataManager() const;

    std::shared_ptr<clsDataManager> m_data;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = -1;
    int32_t m_configurationHandle = -1;
    QPointer<frmChannelManagerDialog> m_dialog;
    DoneHandler m_done;
};
