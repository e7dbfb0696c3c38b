#include "mvtrivexhelper/BoundItem.h"
#include "fennick/services/Debugging.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/ViewForwarder.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

namespace {

const QString kWrongAccess = QStringLiteral("Falsche Zugriffsfunktion");

void TraceWrongAccess(const QString& name, const char* access)
{
    Debugging::TraceError(QStringLiteral("%1 of %2: %3").arg(QLatin1String(access), name, kWrongAccess));
}

} // namespace

BoundItem::BoundItem(QString name, Listener listener) : m_name(std::move(name)), m_listener(std::move(listener)) {}

BoundItem::~BoundItem()
{
    Release();
}

void BoundItem::Register(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    Release();
    if (!manager)
        HelperErrors::Raise(HelperErrors::kObjectNotSet, QStringLiteral("No applet item manager for ") + m_name,
                            QStringLiteral("BoundItem.Register"));
    m_manager = manager;
    m_view = std::make_shared<ViewForwarder>(static_cast<applet::View*>(this));
    int32_t result = 0;
    m_manager->RegisterView(m_view, result); // hands the view its handle within the call
    int32_t failed = 0;
    int32_t handle = 0;
    m_manager->RegisterItem(m_name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0)
        HelperErrors::Raise(HelperErrors::REGISTRATION_FAILED,
                            QStringLiteral("Registrierung von ") + m_name + QStringLiteral(" fehlgeschlagen"),
                            QStringLiteral("BoundItem.Register"));
    m_itemHandle = handle;
    m_registered = true;
}

void BoundItem::Release()
{
    if (!m_manager)
        return;
    int32_t failed = 0;
    if (m_registered) {
        m_manager->UnregisterItem(m_viewHandle, m_itemHandle, false, failed);
        if (failed != 0)
            Debugging::TraceError(QStringLiteral("Unregistering the item ") + m_name + QStringLiteral(" failed"));
        m_registered = false;
    }
    if (m_view) {
        m_view->Detach();
        m_manager->UnregisterView(m_view.get(), failed);
        m_view.reset();
    }
}

void BoundItem::SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>&,
                                      int32_t& result)
{
    m_viewHandle = lViewHandle;
    result = 0;
}

void BoundItem::NotifyChanged(int32_t, bool, int32_t lStateInfo, int32_t, int32_t& result)
{
    result = 0;
    if ((lStateInfo & applet::StateInfo::kShadowOnly) != 0)
        return;
    const bool suppressRule = (lStateInfo & applet::StateInfo::kNoRules) != 0;
    if (!m_listener)
        return;
    try {
        m_listener(StringValue(), suppressRule);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
    }
}

QString BoundItem::StringValue() const
{
    if (!Readable())
        return m_name;
    QString value;
    int32_t failed = 0;
    m_manager->fncReadString(m_itemHandle, value, false, failed);
    if (failed != 0) {
        TraceWrongAccess(m_name, "StringValue");
        return QString();
    }
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    return nul < 0 ? value : value.left(nul);
}

double BoundItem::UIntValue() const
{
    if (!Readable())
        return 0;
    double value = 0;
    int32_t failed = 0;
    m_manager->fncReadUIntValue(m_itemHandle, value, false, failed);
    if (failed != 0) {
        TraceWrongAccess(m_name, "UIntValue");
        return 0;
    }
    return value;
}

QVariant BoundItem::OctetValue() const
{
    if (!Readable())
        return QVariant();
    QByteArray value;
    int32_t failed = 0;
    m_manager->fncReadOctetsValue(m_itemHandle, value, false, failed);
    if (failed != 0)
        HelperErrors::Raise(HelperErrors::INVALID_DATATYPE, kWrongAccess, QStringLiteral("BoundItem.OctetValue"));
    return QVariant(value);
}
