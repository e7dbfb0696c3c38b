#include "mvtrivexhelper/clsDebugInfo.h"
#include "platform/automation/CheckedFile.h"
#include "platform/automation/UserNotice.h"
#include <QDir>
#include <limits>

QVariant clsDebugInfo::InDebugMode()
{
    // Only whether the marker opens counts, its content is never read. A
    // missing file means off; so does one without read access and anything
    // but a regular file (a FIFO would block the open), which the user is told.
    const QString path = QDir::homePath() + QLatin1Char('/') + kMarkerFileName;
    QString reason;
    if (automation::CheckedFile::Check(path, std::numeric_limits<qint64>::max(), &reason))
        return QVariant(true);
    if (!automation::CheckedFile::Missing(path))
        automation::UserNotice::Once(QStringLiteral("debug mode stays off: the debug marker ") + reason);
    return QVariant();
}
