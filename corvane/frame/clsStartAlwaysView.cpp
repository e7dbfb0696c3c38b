#include "corvane/frame/clsStartAlwaysView.h"
#include "corvane/frame/ComponentTable.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "corvane/frame/ComponentSupport.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <QList>

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
    // The values the project held when the applet started entered before
    // any rule was bound.
    ValuesEntered(QStringLiteral("the project was opened"));
    if (m_reload.Count() == 0) {
        const auto watch = m_reload.Add(QStringLiteral("currentSequence"), false, 0);
        connect(watch.get(), &clsAppItem::ValueChanged3, this,
                [this](const QString&, int32_t itemState) { OnReload(itemState); });
    }
    m_reload.Register(m_manager);
    result = 0;
}

void clsStartAlwaysView::OnReload(int32_t itemState)
{
    using namespace applet::StateInfo;
    // A dataset file's view tells its load itself, with the values before it
    // ("currentSequence" holds its marker meanwhile).
    if ((itemState & kRefresh) == 0 || (itemState & kRegistration) != 0 || m_reload.Count() == 0
        || !m_reload.Item(QStringLiteral("currentSequence"))->StringValue().isEmpty())
        return;
    ValuesEntered(QStringLiteral("the stored values were loaded again"));
}

namespace {

// The device values that decide which rules the dataset's values went
// through, and what a message calls them.
struct IdentityItem {
    const char* item;
    const char* what;
};
constexpr IdentityItem kIdentity[] = {
    {"pbSoftwareRevisionHART", "software revision"},
    {"pbSoftwareRevisionPROFI", "software revision"},
    {"pbMultivariableFunction", "flow function (0 off, 1 on)"},
};
// "&&private&&CurrentSource" once the dataset holds what was read from the device.
const QString kSourceDevice = QStringLiteral("2");

QString TextOf(applet::clsAppletItemManager& manager, const QString& name, bool shadow)
{
    const int32_t handle = manager.HandleOf(name);
    const applet::AppletItem* item = handle > 0 ? manager.Item(handle) : nullptr;
    if (!item || (shadow && !item->IsShadowValid()))
        return QString();
    QString text;
    int32_t failed = 0;
    manager.GetValueAsText(handle, text, shadow, failed);
    return failed == 0 ? text.trimmed() : QString();
}

// The value of every item, by handle from 1.
QList<QVariant> AllValues(const applet::clsAppletItemManager& manager)
{
    QList<QVariant> values;
    for (int32_t handle = 1; handle <= manager.ItemCount(); ++handle)
        values << manager.Item(handle)->Value();
    return values;
}

} // namespace

QString clsStartAlwaysView::ValuesEntered(const QString& how, const twins::PairTexts* before)
{
    const QString failure = Derive(how, before, true);
    RememberIdentity();
    return failure;
}

QString clsStartAlwaysView::AlignTwins(const QString& how)
{
    return Derive(how, nullptr, false);
}

QString clsStartAlwaysView::Derive(const QString& how, const twins::PairTexts* before, bool tell)
{
    if (!m_started || !m_manager)
        return QString();
    const QString source = QStringLiteral("clsStartAlwaysView (%1)").arg(how);
    const QList<QVariant> was = AllValues(*m_manager);
    const QString failure = twins::AlignAtEntry(*m_manager, source, before);
    if (tell)
        TellReceivers(
            corvane::ValuesEnteredReceivers(), QStringLiteral("values that entered"),
            [](frmRecordItemHandler& form) { form.HandleValuesEntered(); },
            [](IStartAlwaysComp& component) { component.HandleValuesEntered(); });
    QStringList changed;
    bool persistentChanged = false;
    for (int32_t handle = 1; handle <= m_manager->ItemCount() && handle <= was.size(); ++handle) {
        const applet::AppletItem* item = m_manager->Item(handle);
        const QVariant& old = was.at(handle - 1);
        if (item->Value() == old)
            continue;
        persistentChanged = persistentChanged || item->IsPersistent();
        changed << QStringLiteral("%1 %2 -> %3")
                       .arg(item->Name(), applet::ItemValue::ToText(item->Type(), old, item->Style()),
                            applet::ItemValue::ToText(item->Type(), item->Value(), item->Style()));
    }
    if (!changed.isEmpty())
        applet::AppletTrace::Info(
            QStringLiteral("%1: the rules set what they derive: %2").arg(source, changed.join(QStringLiteral(", "))));
    if (persistentChanged) {
        // The project holds what its rules make of the values: stored by the
        // command that loaded it, as any change is. The host marked the
        // changes while the values entered, before the dataset's owner began
        // to listen at the end of the load: the mark is set anew once the
        // load has ended, so that the owner hears it.
        QMetaObject::invokeMethod(
            this,
            [this, source] {
                if (!m_manager)
                    return;
                const int32_t dirty = m_manager->HandleOf(QStringLiteral("&&private&&Dirty"));
                int32_t failed = 0;
                m_manager->PutValueAsText(dirty, QStringLiteral("0"), failed);
                if (failed == 0)
                    m_manager->PutValueAsText(dirty, QStringLiteral("1"), failed);
                if (failed != 0)
                    applet::AppletTrace::Error(
                        QStringLiteral("%1: the dataset could not be marked changed (%2)").arg(source).arg(failed));
            },
            Qt::QueuedConnection);
    }
    return failure;
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

template <class FormCall, class ComponentCall>
void clsStartAlwaysView::TellReceivers(const std::vector<QString>& receivers, const QString& what, FormCall formCall,
                                       ComponentCall componentCall)
{
    for (const QString& receiver : receivers) {
        if (receiver == corvane::kHostFormReceiver) {
            if (m_form)
                formCall(*m_form);
        } else if (Components().Contains(receiver)) {
            componentCall(*Components().Item(receiver));
        } else {
            // A component this frame does not carry is not told; the others still are.
            applet::AppletTrace::Info(QStringLiteral("clsStartAlwaysView: no component %1 to tell of %2").arg(receiver, what));
        }
    }
}

void clsStartAlwaysView::RememberIdentity()
{
    m_enteredIdentity.clear();
    for (const IdentityItem& identity : kIdentity)
        m_enteredIdentity.insert(QLatin1String(identity.item), TextOf(*m_manager, QLatin1String(identity.item), false));
}

QString clsStartAlwaysView::DeviceIdentityChanged() const
{
    if (!m_manager || TextOf(*m_manager, QStringLiteral("&&private&&CurrentSource"), false) != kSourceDevice)
        return QString();
    QStringList differ;
    for (const IdentityItem& identity : kIdentity) {
        const QString entered = m_enteredIdentity.value(QLatin1String(identity.item));
        const QString device = TextOf(*m_manager, QLatin1String(identity.item), true);
        if (!entered.isEmpty() && !device.isEmpty() && entered != device)
            differ << QStringLiteral("the device's %1 is %2, the project's values are those of %3")
                          .arg(QLatin1String(identity.what), device, entered);
    }
    if (differ.isEmpty())
        return QString();
    return differ.join(QStringLiteral("; "))
           + QStringLiteral(": the units and values its rules force differ there; upload the device's values first");
}

void clsStartAlwaysView::m_UploadDownloadMgr_UploadCompleted()
{
    if (!m_started)
        return;
    RememberIdentity();
    TellReceivers(
        corvane::UploadCompletedReceivers(), QStringLiteral("the upload's end"),
        [](frmRecordItemHandler& form) { form.HandleUploadCompleted(); },
        [](IStartAlwaysComp& component) { component.HandleUploadCompleted(); });
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
    m_reload.UnRegister();
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
