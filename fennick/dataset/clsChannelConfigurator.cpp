#include "fennick/dataset/clsChannelConfigurator.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/dataset/frmChannelManagerDialog.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/clsAppletItemManager.h"

clsChannelConfigurator::clsChannelConfigurator(std::shared_ptr<clsDataManager> data) : m_data(std::move(data)) {}

clsChannelConfigurator::~clsChannelConfigurator()
{
    if (m_dialog)
        m_dialog->CloseDialog();
}

QString clsChannelConfigurator::ItemNameOf(const std::shared_ptr<clsDataManagerDataItem>& item)
{
    if (!item)
        return QString();
    if (item->IsAppletBound())
        return item->ObjectName();
    return item->Value().trimmed();
}

std::shared_ptr<clsDataManager> clsChannelConfigurator::DataManager() const
{
    if (m_data)
        return m_data;
    const auto dtm = global::CurrentDtm();
    return dtm ? dtm->DataManager() : nullptr;
}

frmChannelManagerDialog* clsChannelConfigurator::ConfigurationDialog() const
{
    return m_dialog.data();
}

void clsChannelConfigurator::SetAppletItemManagRef(int32_t lViewHandle,
                                                   const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                                   int32_t& result)
{
    result = 0;
    const std::shared_ptr<clsDataManager> data = DataManager();
    const QString name = data ? ItemNameOf(data->ChannelConfigItem()) : QString();
    m_manager = manager;
    m_viewHandle = lViewHandle;
    m_configurationHandle = -1;
    if (!name.isEmpty() && m_manager) {
        int32_t failed = 0;
        m_manager->RegisterItem(name, false, m_viewHandle, m_configurationHandle, 0, 0, failed);
        if (failed != 0) {
            Debugging::TraceRegistrationFailed(name);
            m_configurationHandle = -1;
        }
    }
    if (!data || !m_manager) {
        Debugging::TraceError(QStringLiteral("clsChannelConfigurator: no data model to configure"));
        ConfigurationDialog_Done(frmChannelManagerDialog::kDoneCancel);
        return;
    }
    if (m_dialog)
        m_dialog->CloseDialog();
    m_dialog = new frmChannelManagerDialog(data, m_manager, m_configurationHandle);
    QObject::connect(m_dialog.data(), &frmChannelManagerDialog::Done,
                     [weak = weak_from_this()](int32_t success) {
                         if (const auto self = weak.lock())
                             self->ConfigurationDialog_Done(success);
                     });
    m_dialog->ShowDialog();
}

void clsChannelConfigurator::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t, int32_t, int32_t& result)
{
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    if (lAppletItemHandle != m_configurationHandle || m_configurationHandle <= 0)
        return;
    QByteArray bytes;
    int32_t failed = 0;
    m_manager->fncGetOctetsValue(m_configurationHandle, bytes, failed);
    if (failed == 0 && m_dialog)
        m_dialog->ShowConfiguration(bytes);
}

void clsChannelConfigurator::Destroy(int32_t& result)
{
    m_manager.reset();
    CloseConfigurator();
    result = 0;
}

void clsChannelConfigurator::CloseConfigurator()
{
    if (const auto manager = m_manager) {
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
    if (m_dialog)
        m_dialog->CloseDialog();
    m_dialog = nullptr;
}

void clsChannelConfigurator::ConfigurationDialog_Done(int32_t success)
{
    // The handler may let go of this object.
    const auto keep = weak_from_this().lock();
    if (m_done)
        m_done(success);
}
