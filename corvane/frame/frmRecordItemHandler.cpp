#include "corvane/frame/frmRecordItemHandler.h"
#include "corvane/frame/ctlBurnDelayHandler.h"
#include "corvane/rules/ctlMvObjectMgr.h"
#include "corvane/rules/ctlPtrbObjectMgr.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioControlItemHandler.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <QCloseEvent>
#include <QMetaObject>

namespace {

// The rule controls the form carries and the one call each gets from the
// form: the multivariable-rule control "ctlMvObjectMgr1" and then the
// pressure-rule control "ctlPtrbObjectMgr1" are told at the end of an upload;
// the pressure-rule control also aligns itself once at load. The form also carries the burn-delay control
// "ctlBurnDelayHandler1"; a control the form does not carry is not called.
const QString kMvObjectMgr = QStringLiteral("ctlMvObjectMgr1");
const QString kPtrbObjectMgr = QStringLiteral("ctlPtrbObjectMgr1");

// Calls method on the form's control of that name; a control not on the form
// is not called. A failing call is raised as ComError.
void CallControl(const QWidget& form, const QString& control, const char* method)
{
    QObject* target = form.findChild<QObject*>(control);
    if (!target)
        return;
    if (!QMetaObject::invokeMethod(target, method, Qt::DirectConnection)) {
        const QString description = QStringLiteral("%1 has no method %2").arg(control, QLatin1String(method));
        applet::AppletTrace::Error(QStringLiteral("frmRecordItemHandler: %1").arg(description));
        throw automation::ComError(automation::E_FAIL_, description, QStringLiteral("frmRecordItemHandler"));
    }
}

} // namespace

frmRecordItemHandler::frmRecordItemHandler()
{
    setObjectName(QStringLiteral("frmRecordItemHandler"));
    setWindowTitle(kCaption);
    m_handler = new pioitems::PioControlItemHandler(this);
    m_handler->setObjectName(QStringLiteral("PioControlItemHandler1"));
    // The controls register in this order. The flow-block rules listen
    // before the pressure rules register, so that a unit those force at load
    // reaches the flow block's conversions, not only its unit item.
    new ctlMvObjectMgr(this); // "ctlMvObjectMgr1"
    auto* ptrbObjectMgr = new ctlPtrbObjectMgr(this);
    ptrbObjectMgr->setObjectName(kPtrbObjectMgr);
    new ctlBurnDelayHandler(this); // "ctlBurnDelayHandler1"
}

frmRecordItemHandler::~frmRecordItemHandler() = default;

void frmRecordItemHandler::Load()
{
    if (m_registered)
        return;
    const std::shared_ptr<IViewEx> view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager) {
        const QString description = QStringLiteral("the host form has no view with an item manager");
        applet::AppletTrace::Error(QStringLiteral("frmRecordItemHandler.Load: %1").arg(description));
        throw automation::ComError(automation::E_FAIL_, description, QStringLiteral("frmRecordItemHandler.Load"));
    }
    m_handler->Register(this, manager);
    m_registered = true;
    CallControl(*this, kPtrbObjectMgr, "OnMvModeBlkActualChanged");
}

void frmRecordItemHandler::Unload()
{
    if (m_registered) {
        m_handler->UnRegister();
        m_registered = false;
    }
    m_unloading = true;
    close();
    m_unloading = false;
}

void frmRecordItemHandler::HandleUploadCompleted()
{
    CallControl(*this, kMvObjectMgr, "HandleUploadCompleted");
    CallControl(*this, kPtrbObjectMgr, "HandleUploadCompleted");
}

void frmRecordItemHandler::HandleValuesEntered()
{
    // The pressure rules copy their units into the flow block first.
    CallControl(*this, kPtrbObjectMgr, "HandleValuesEntered");
    CallControl(*this, kMvObjectMgr, "HandleValuesEntered");
}

void frmRecordItemHandler::closeEvent(QCloseEvent* event)
{
    if (m_unloading)
        event->accept();
    else
        event->ignore(); // the window's own close command is refused
}
