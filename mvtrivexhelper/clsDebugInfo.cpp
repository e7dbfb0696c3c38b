#include "mvtrivexhelper/clsDebugInfo.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/CheckedFile.h"
#include <QDir>
#include <limits>

QVariant clsDebugInfo::InDebugMode()
{
    // Only whether the marker opens counts, its content is never read. A
    // missing file or one without read access means off; so does anything
    // but a regular file (a FIFO would block the open), which is traced.
    const QString path = QDir::homePath() + QLatin1Char('/') + kMarkerFileName;
    QString reason;
    if (automation::CheckedFile::Check(path, std::numeric_limits<qint64>::max(), &reason))
        return QVariant(true);
    if (!automation::CheckedFile::Missing(path) && !reason.contains(QStringLiteral("cannot be opened")))
        applet::AppletTrace::Error(QStringLiteral("clsDebugInfo: the debug marker %1").arg(reason));
    return QVariant();
}
