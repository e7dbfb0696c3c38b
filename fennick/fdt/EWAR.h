#pragma once
// The dataset write lock of the DTM: a signed 16-bit counter of nested
// writers. -1: the dataset is locked elsewhere (the frame refused the lock or
// another user locked it) and writers are refused; 0: free; n: this DTM holds
// the frame's lock for n writers. The first writer takes the frame's lock; the
// last one starts the unlock, which completes later (disconnect, save request,
// postponed parameter notification, frame unlock). All operations work on the
// process's DTM object.
#include <QString>
#include <cstdint>

namespace EWAR {

// The counter (traced).
int16_t GetEWAR();
// Joins the writers; true when the caller may write. Raises
// automation::ComError (overflow) past 32767 writers.
bool IncrementEWAR(const QString& caller);
// Leaves; true when the counter was at least 1.
bool DecrementEWAR(const QString& caller);
// Counter 0 and OnFunctionChanged to the frame.
void SetDTMReady();
// Counter -1 and OnFunctionChanged to the frame.
void SetDTMWait();
// Tells the frame that another user holds the dataset (text 5011 and the user).
void ReportLockNotAvailable(const QString& caller);

} // namespace EWAR
