#include "platform/xml/FileStamp.h"
#include <QCryptographicHash>
#include <QFile>

namespace xml {

FileStamp FileStamp::Of(const QString& path)
{
    FileStamp stamp;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stamp;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return stamp;
    stamp.exists = true;
    stamp.digest = hash.result();
    return stamp;
}

} // namespace xml
