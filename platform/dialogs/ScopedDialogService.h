#pragma once
// Installs a dialog service for the lifetime of the scope and restores the
// one installed before.
#include "platform/dialogs/DialogService.h"

namespace dialogs {

class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service) : m_previous(DialogService::SetInstance(&service)) {}
    ~ScopedDialogService() { DialogService::SetInstance(m_previous); }
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* m_previous;
};

} // namespace dialogs
