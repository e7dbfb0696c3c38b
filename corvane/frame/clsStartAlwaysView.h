#pragma once
// The view the applet host starts with every device applet, and the frame of
// the always-started components. At start it loads the hidden host form (whose
// control item handler registers the form's rule controls), creates the
// components in their fixed order, keeps them under their keys in Components
// and registers them; the end of an upload is forwarded to its receivers in a
// fixed order, and so are values that entered the dataset by another road:
// the values the project holds at start, a reload of the stored values, a
// dataset file, a download about to write. Destroy takes everything down
// again.
#include "corvane/frame/clsCompCol.h"
#include "corvane/rules/TwinItems.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/IViewEx.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QMap>
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

    // Values entered the dataset (how says by which road, for the trace):
    // each twin pair is given one value (before: the pairs as they stood
    // before, where the road knows it), then the receivers set what their
    // rules derive. What changed is traced and marks the dataset changed,
    // so that the command that loaded it stores it. Returns why a pair could
    // not be given one value; empty on success and while not started.
    QString ValuesEntered(const QString& how, const twins::PairTexts* before = nullptr);
    // Before a download: each twin pair is given one value as above (a
    // value a default dataset wrote into one item only), nothing else; a
    // copy the user edited on a page keeps the edit.
    QString AlignTwins(const QString& how);
    // Why the project's values, read from a device, no longer fit the
    // connected one: its software revision or its flow function (as the
    // device last reported them) differ from those the values entered with,
    // so that units and values the rules forced there are not the device's.
    // Empty when they fit, or when the values did not come from a device.
    QString DeviceIdentityChanged() const;

public slots:
    // The upload fan-out; ignored while not started.
    void m_UploadDownloadMgr_UploadCompleted();

private:
    void CreateComponents();
    // Calls each receiver: the host form for kHostFormReceiver, else the
    // component of that key; a component this frame does not carry is traced.
    template <class FormCall, class ComponentCall>
    void TellReceivers(const std::vector<QString>& receivers, const QString& what, FormCall formCall,
                       ComponentCall componentCall);
    // The refresh after the host reloaded its values.
    void OnReload(int32_t itemState);
    // The dataset's revision and flow function as its values entered.
    void RememberIdentity();
    // ValuesEntered, the receivers told only where tell is set.
    QString Derive(const QString& how, const twins::PairTexts* before, bool tell);

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    std::unique_ptr<frmRecordItemHandler> m_form;
    std::unique_ptr<clsCompCol> m_components;
    std::shared_ptr<IStartAlwaysComp> m_UploadDownloadMgr;
    bool m_started = false;
    // "currentSequence", bound to hear the refresh of a reload.
    clsAppItemCollection m_reload;
    // Item name -> its text when the values entered.
    QMap<QString, QString> m_enteredIdentity;
};
