#pragma once
// The debug switch: on while the marker file "pioDebug.txt" in the user's
// home folder ($HOME/pioDebug.txt) can be opened for reading. Its content is
// never read. Components, pages and displays ask it to switch on extra
// diagnostics.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <QVariant>

class clsDebugInfo : public automation::ComObject {
public:
    static inline const QString kMarkerFileName = QStringLiteral("pioDebug.txt");

    // True while the marker file can be opened; otherwise an empty variant
    // (read as False). No error leaves the call.
    QVariant InDebugMode();
};
