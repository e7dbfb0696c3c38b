#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/LoadResource.h"
#include "platform/automation/ComError.h"
#include <limits>

namespace EWAR {

namespace {

constexpr int16_t kTextLockedByOtherUser = 5011;
// "Overflow"
constexpr int32_t kErrOverflow = 6;

std::shared_ptr<clsTkDispatcher> Dtm(const char* operation)
{
    auto dtm = global::CurrentDtm();
    if (!dtm)
        Debugging::TraceError(QStringLiteral("EWAR - %1: no DTM object").arg(QLatin1String(operation)));
    return dtm;
}

} // namespace

int16_t GetEWAR()
{
    const auto dtm = global::CurrentDtm();
    const int16_t value = dtm ? dtm->LockCounter() : 0;
    Debugging::TraceInfo(QStringLiteral("Current EWAR value is : ") + QString::number(value));
    return value;
}

bool IncrementEWAR(const QString& caller)
{
    const auto dtm = Dtm("IncrementEWAR");
    if (!dtm)
        return false;
    const int16_t counter = dtm->LockCounter();
    if (counter == 0) {
        if (dtm->FdtContainer_LockDataSet()) {
            dtm->SetLockCounter(1);
            Debugging::TraceInfo(caller + QStringLiteral(" - Incrementing EWAR... value set to : ")
                                 + QString::number(dtm->LockCounter()));
            return true;
        }
        SetDTMWait();
        ReportLockNotAvailable(QStringLiteral("IncrementEWAR"));
        Debugging::TraceInfo(caller + QStringLiteral(" - EWAR - LockDataSet fail ... value set to : ")
                             + QString::number(dtm->LockCounter()));
        return false;
    }
    if (counter < 0) {
        ReportLockNotAvailable(caller + QStringLiteral(" - IncrementEWAR"));
        return false;
    }
    if (counter == std::numeric_limits<int16_t>::max())
        throw automation::ComError(kErrOverflow, QStringLiteral("Overflow"), QStringLiteral("EWAR"));
    dtm->SetLockCounter(static_cast<int16_t>(counter + 1));
    Debugging::TraceInfo(caller + QStringLiteral(" - Only Incrementing EWAR... value set to : ")
                         + QString::number(dtm->LockCounter()));
    return true;
}

bool DecrementEWAR(const QString& caller)
{
    const auto dtm = Dtm("DecrementEWAR");
    if (!dtm)
        return false;
    const int16_t counter = dtm->LockCounter();
    if (counter == 1) {
        // The counter reaches 0 only when the frame has unlocked.
        const bool result = dtm->FdtContainer_UnlockDataSet();
        Debugging::TraceInfo(caller + QStringLiteral(" - Decrementing EWAR... value set to : ")
                             + QString::number(dtm->LockCounter()));
        return result;
    }
    if (counter <= 0) {
        Debugging::TraceError(caller + QStringLiteral(" - Decrementing EWAR... counter already 0"));
        return false;
    }
    dtm->SetLockCounter(static_cast<int16_t>(counter - 1));
    Debugging::TraceInfo(caller + QStringLiteral(" - Only Decrementing EWAR... value set to : ")
                         + QString::number(dtm->LockCounter()));
    return true;
}

void SetDTMReady()
{
    const auto dtm = Dtm("SetDTMReady");
    if (!dtm)
        return;
    if (dtm->LockCounter() > 1)
        Debugging::TraceError(QStringLiteral("SetDTMReady: Status mismatch current lock status is > 1"));
    dtm->SetLockCounter(0);
    Debugging::TraceError(QStringLiteral(" EWAR SetDTMReady done"));
    Debugging::TraceInfo(QStringLiteral("Proceeding to notify Frame Application on FunctionChanged.."));
    dtm->SendFunctionChanged();
}

void SetDTMWait()
{
    const auto dtm = Dtm("SetDTMWait");
    if (!dtm)
        return;
    if (dtm->LockCounter() > 0)
        Debugging::TraceError(QStringLiteral("SetDTMWait: Status mismatch current lock status is > 0"));
    dtm->SetLockCounter(-1);
    Debugging::TraceError(QStringLiteral(" EWAR SetDTMWait done"));
    Debugging::TraceInfo(QStringLiteral("Proceeding to notify Frame Application on FunctionChanged.."));
    dtm->SendFunctionChanged();
}

void ReportLockNotAvailable(const QString& caller)
{
    const auto dtm = Dtm("ReportLockNotAvailable");
    if (!dtm)
        return;
    const QString message = LoadResource::GetResourceString(kTextLockedByOtherUser) + dtm->UserWhoHasLockedDataset();
    dtm->SendErrorMessage(message);
    Debugging::TraceInfo(QStringLiteral("EWAR - Lock not available.") + caller + QStringLiteral(" -- ") + message);
}

} // namespace EWAR
