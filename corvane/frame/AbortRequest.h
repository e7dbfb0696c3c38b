#pragma once
// The one way to ask for an abort of everything that runs. The running-
// sequence register acts on "abortSequences" changing to 1; a plain write of
// "1" over a "1" left by an earlier request is no change and would be lost, so
// every request writes "0" and then "1". The item reads "1" afterwards.
#include <QString>
#include <memory>

namespace applet {
class clsAppletItemManager;
}

namespace corvane {

inline const QString kAbortSequencesItem = QStringLiteral("abortSequences");

// Raises ComError (traced) when there is no manager, the manager does not
// know "abortSequences" or a write fails.
void RequestAbort(const std::shared_ptr<applet::clsAppletItemManager>& manager);

} // namespace corvane
