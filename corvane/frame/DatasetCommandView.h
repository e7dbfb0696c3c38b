#pragma once
// What the command views of the device user interface share (load, save and
// save-as of the dataset, save to the device, print preview). The user interface starts one
// by ProgID through the applet host's StartView; the host creates it and
// registers it, the view performs its whole command inside
// SetAppletItemManagRef and closes itself (UnregisterView) before returning.
// A failing step ends the command there: its error reaches the host as the
// call's result and the view stays registered until the host ends it.
// Show, Hide and NotifyChanged do nothing; no state outlives a command.
#include "pioextensions/IViewEx.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <memory>

class clsAppItem;
namespace applet {
class AppletHost;
}

class DatasetCommandView : public automation::ComObject, public applet::View, public IViewEx {
public:
    DatasetCommandView();
    ~DatasetCommandView() override;
    DatasetCommandView(const DatasetCommandView&) = delete;
    DatasetCommandView& operator=(const DatasetCommandView&) = delete;

    // View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) final;
    void Show(int32_t& result) final { result = 0; }
    void Hide(int32_t& result) final { result = 0; }
    void Destroy(int32_t& result) final;
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) final { result = 0; }

    // IViewEx
    std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const final { return m_manager; }
    void UnRegisterView() final {}

protected:
    // The command, between keeping the manager and closing the view.
    virtual void Perform() = 0;
    // The class name, for traces and raised errors.
    virtual QString Source() const = 0;

    // An item bound for the command (no shadow, update interval 0, no
    // handler); released, and so unbound, with the returned object.
    std::unique_ptr<clsAppItem> Bind(const QString& name) const;
    // The applet object of the manager; raises when there is none.
    std::shared_ptr<applet::AppletHost> Applet() const;
    // The text of a bound item as a number; raises a type mismatch when it is none.
    double Number(const clsAppItem& item) const;

private:
    void Close();

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
};
