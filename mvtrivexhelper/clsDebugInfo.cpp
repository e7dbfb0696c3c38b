#include "mvtrivexhelper/clsDebugInfo.h"
#include <QDir>
#include <QFile>

QVariant clsDebugInfo::InDebugMode()
{
    // A missing file, one without read access and a folder of that name all
    // mean off; QFile refuses to open a folder.
    QFile marker(QDir::homePath() + QLatin1Char('/') + kMarkerFileName);
    if (!marker.open(QIODevice::ReadOnly))
        return QVariant();
    marker.close();
    return QVariant(true);
}
