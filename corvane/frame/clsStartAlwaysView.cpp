#include "corvane/frame/clsStartAlwaysView.h"
#include "corvane/frame/ComponentTable.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

clsStartAlwaysView::clsStartAlwaysView() = default;

clsStartAlwaysView::~clsStartAlwaysView() = default;

clsCompCol& clsStartAlwaysView::Components()
{
    if (!m_components)
        m_components = std::make_unique<clsCompCol>();
    return *m_components;
}

frmRecordItemHandler* clsStartAlwaysView::HostForm() const
{
    return m_form.get();
}

void clsStartAlwaysView::SetAppletItemManagRef(int32_t lViewHandle,
                                               const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                               int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    m_form = std::make_unique<frmRecordItemHandler>();
    m_form->setViewRef(shared_from_this());
    m_form->Load();
    CreateComponents();
    Components().Register(shared_from_this());
    m_started = true;
    result = 0;
}

void clsStartAlwaysView::CreateComponents()
{
    for (const corvane::ComponentEntry& entry : corvane::ComponentTable()) {
        const std::shared_ptr<IStartAlwaysComp> added = Components().Add(entry.create(), entry.key);
        if (entry.key == corvane::kUploadDownloadMgrKey) {
            m_UploadDownloadMgr = added;
            if (auto* source = dynamic_cast<QObject*>(added.get()))
                connect(source, SIGNAL(UploadCompleted()), this, SLOT(m_UploadDownloadMgr_UploadCompleted()));
        }
    }
}

void clsStartAlwaysView::m_UploadDownloadMgr_UploadCompleted()
{
    if (!m_started)
        return;
    for (const QString& receiver : corvane::UploadCompletedReceivers()) {
        if (receiver == corvane::kHostFormReceiver) {
            if (m_form)
                m_form->HandleUploadCompleted();
        } else if (Components().Contains(receiver)) {
            Components().Item(receiver)->HandleUploadCompleted();
        } else {
            // A component this frame does not carry is not told; the others still are.
            applet::AppletTrace::Info(
                QStringLiteral("clsStartAlwaysView: no component %1 to tell of the upload's end").arg(receiver));
        }
    }
}

void clsStartAlwaysView::Show(int32_t& result)
{
    result = 0;
}

void clsStartAlwaysView::Hide(int32_t& result)
{
    result = 0;
}

void clsStartAlwaysView::NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result)
{
    result = 0;
}

// Every step runs even when an earlier one failed, so one component that
// cannot let go of its items leaves neither the others, the host form nor
// the view registered; each failure is traced and the call reports failure.
void clsStartAlwaysView::Destroy(int32_t& result)
{
    int failures = Components().UnRegister();
    if (m_form) {
        try {
            m_form->Unload();
        } catch (const std::exception& error) {
            ++failures;
            applet::AppletTrace::Error(QStringLiteral("clsStartAlwaysView.Destroy: unloading the host form failed: %1")
                                           .arg(QString::fromLocal8Bit(error.what())));
        }
        m_form.reset();
    }
    if (m_manager) {
        const std::shared_ptr<applet::clsAppletItemManager> manager = std::move(m_manager);
        int32_t unregistered = 0;
        manager->UnregisterView(this, unregistered);
        if (unregistered != 0) {
            ++failures;
            applet::AppletTrace::Error(
                QStringLiteral("clsStartAlwaysView.Destroy: the view was not unregistered (%1)").arg(unregistered));
        }
    }
    m_started = false;
    result = failures == 0 ? 0 : automation::E_FAIL_;
}
