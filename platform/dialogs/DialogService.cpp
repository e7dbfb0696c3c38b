#include "platform/dialogs/DialogService.h"
#include "platform/dialogs/QtDialogService.h"

namespace dialogs {

namespace {
DialogService* g_installed = nullptr;

MessageBoxRequest Box(const QString& title, const QString& text, MessageIcon icon, MessageButtons buttons)
{
    MessageBoxRequest request;
    request.title = title;
    request.text = text;
    request.icon = icon;
    request.buttons = buttons;
    return request;
}

MessageBoxRequest Box(const OwnTitle& title, const QString& text, MessageIcon icon, MessageButtons buttons)
{
    MessageBoxRequest request = Box(title.text, text, icon, buttons);
    request.ownTitle = true;
    return request;
}
} // namespace

DialogService::~DialogService()
{
    if (g_installed == this)
        g_installed = nullptr;
}

DialogService& DialogService::instance()
{
    if (g_installed)
        return *g_installed;
    static QtDialogService programService;
    return programService;
}

DialogService* DialogService::SetInstance(DialogService* service)
{
    DialogService* previous = g_installed;
    g_installed = service;
    return previous;
}

DialogResult DialogService::ShowMessage(const MessageBoxRequest& request)
{
    if (request.ownTitle && !request.title.isEmpty())
        return OnShowMessage(request);
    MessageBoxRequest titled = request;
    titled.title = kMessageTitle;
    return OnShowMessage(titled);
}

void DialogService::Information(const QString& title, const QString& text)
{
    ShowMessage(Box(title, text, MessageIcon::Information, MessageButtons::Ok));
}

void DialogService::Warning(const QString& title, const QString& text)
{
    ShowMessage(Box(title, text, MessageIcon::Warning, MessageButtons::Ok));
}

void DialogService::Critical(const QString& title, const QString& text)
{
    ShowMessage(Box(title, text, MessageIcon::Critical, MessageButtons::Ok));
}

bool DialogService::AskYesNo(const QString& title, const QString& text, MessageIcon icon)
{
    return ShowMessage(Box(title, text, icon, MessageButtons::YesNo)) == DialogResult::Yes;
}

DialogResult DialogService::AskYesNoCancel(const QString& title, const QString& text, MessageIcon icon)
{
    return ShowMessage(Box(title, text, icon, MessageButtons::YesNoCancel));
}

bool DialogService::AskOkCancel(const QString& title, const QString& text, MessageIcon icon)
{
    return ShowMessage(Box(title, text, icon, MessageButtons::OkCancel)) == DialogResult::Ok;
}

void DialogService::Information(const OwnTitle& title, const QString& text)
{
    ShowMessage(Box(title, text, MessageIcon::Information, MessageButtons::Ok));
}

void DialogService::Warning(const OwnTitle& title, const QString& text)
{
    ShowMessage(Box(title, text, MessageIcon::Warning, MessageButtons::Ok));
}

DialogResult DialogService::AskYesNoCancel(const OwnTitle& title, const QString& text, MessageIcon icon)
{
    return ShowMessage(Box(title, text, icon, MessageButtons::YesNoCancel));
}

bool DialogService::AskOkCancel(const OwnTitle& title, const QString& text, MessageIcon icon)
{
    return ShowMessage(Box(title, text, icon, MessageButtons::OkCancel)) == DialogResult::Ok;
}

int DialogService::ShowMessageStyle(const QString& text, int style, const QString& title)
{
    return static_cast<int>(ShowMessage(MessageBoxRequest::FromStyle(style, title, text)));
}

} // namespace dialogs
