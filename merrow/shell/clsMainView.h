#pragma once
// The main view of the device user interface: the applet host creates it when
// a function asks for the device's own windows, hands it the item manager and
// shows, hides and ends it. It owns the main window and offers pages the
// item manager through IViewEx.
#include "merrow/shell/frmMain.h"
#include "merrow/shell/frmSplash.h"
#include "pioextensions/IViewEx.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QObject>
#include <QPointer>
#include <memory>


class clsMainView : public QObject,
                    public automation::ComObject,
                    public applet::View,
                    public IViewEx,
                    public std::enable_shared_from_this<clsMainView> {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("Merrow.clsMainView");

    // The view with its splash window and its main window (not loaded yet).
    static std::shared_ptr<clsMainView> Create();
    ~clsMainView() override;
    clsMainView(const clsMainView&) = delete;
    clsMainView& operator=(const clsMainView&) = delete;

    // View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override;
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }

    // IViewEx
    std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const override { return m_manager; }
    void UnRegisterView() override;

    ::frmMain* MainWindow() const { return m_main; }
    frmSplash* Splash() const { return m_splash; }

private:
    clsMainView();

    QPointer<::frmMain> m_main;
    QPointer<frmSplash> m_splash;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
};
