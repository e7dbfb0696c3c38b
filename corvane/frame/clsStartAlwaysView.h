#pragma once
// The view the applet host starts with every device applet, and the frame of
// the always-started components. At start it loads the hidden host form (whose
// control item handler registers the form's rule controls), creates the
// components in their fixed order, keeps them under their keys in Components
// and registers them; the end of an upload is forwarded to its receivers in a
// fixed order; Destroy takes everything down again.
#include "corvane/frame/clsCompCol.h"
#include "pioextensions/IViewEx.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QObject>
#include <QPointer>
#include <memory>

class IPioForm;
class frmRecordItemHandler;

class clsStartAlwaysView : public QObject,
                           public automation::ComObject,
                           public applet::View,
                           public IViewEx,
                           public std::enable_shared_from_this<clsStartAlwaysView> {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsStartAlwaysView");
    static inline const QString kClassId = QStringLiteral("{EC63AAA5-5134-4693-B25E-AAF0142D062A}");

    clsStartAlwaysView();
    ~clsStartAlwaysView() override;
    clsStartAlwaysView(const clsStartAlwaysView&) = delete;
    clsStartAlwaysView& operator=(const clsStartAlwaysView&) = delete;

    // View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override;
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

    // IViewEx
    std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const override { return m_manager; }
    void UnRegisterView() override {}

    // The components, created empty on first use.
    clsCompCol& Components();
    bool Started() const { return m_started; }
    // The hidden host form while started; none before and after.
    frmRecordItemHandler* HostForm() const;

public slots:
    // The upload fan-out; ignored while not started.
    void m_UploadDownloadMgr_UploadCompleted();

private:
    void CreateComponents();

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    std::unique_ptr<frmRecordItemHandler> m_form;
    std::unique_ptr<clsCompCol> m_components;
    std::shared_ptr<IStartAlwaysComp> m_UploadDownloadMgr;
    bool m_started = false;
};
