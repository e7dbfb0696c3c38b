#include "corvane/frame/DatasetCommandView.h"
#include "corvane/rules/RuleNumbers.h"
#include "pioextensions/clsAppItem.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

DatasetCommandView::DatasetCommandView() = default;

DatasetCommandView::~DatasetCommandView() = default;

void DatasetCommandView::SetAppletItemManagRef(int32_t lViewHandle,
                                               const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                               int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    Perform();
    Close();
    result = 0;
}

void DatasetCommandView::Destroy(int32_t& result)
{
    Close();
    result = 0;
}

void DatasetCommandView::Close()
{
    if (!m_manager)
        return;
    int32_t unused = 0; // a view the manager no longer holds is closed already
    m_manager->UnregisterView(this, unused);
}

std::unique_ptr<clsAppItem> DatasetCommandView::Bind(const QString& name) const
{
    auto item = std::make_unique<clsAppItem>();
    item->Register(m_manager, name, false, 0, nullptr, QString());
    return item;
}

std::shared_ptr<applet::AppletHost> DatasetCommandView::Applet() const
{
    std::shared_ptr<applet::AppletHost> host;
    if (m_manager)
        m_manager->GetApplet(host);
    if (!host)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("the item manager has no applet"), Source());
    return host;
}

double DatasetCommandView::Number(const clsAppItem& item) const
{
    return RuleNumbers::NumberOf(item, Source());
}
