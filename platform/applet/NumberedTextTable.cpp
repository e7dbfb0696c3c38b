#include "platform/applet/NumberedTextTable.h"
#include "platform/applet/AppletTrace.h"
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace applet {

std::map<int, QString> ReadNumberedTextTable(const QString& resource, const QString& owner)
{
    std::map<int, QString> texts;
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        AppletTrace::Error(QStringLiteral("%1: %2 not readable").arg(owner, resource));
        return texts;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject()) {
        AppletTrace::Error(QStringLiteral("%1: %2: %3").arg(owner, resource, error.errorString()));
        return texts;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool isNumber = false;
        const int id = it.key().toInt(&isNumber);
        if (isNumber && it.value().isString())
            texts[id] = it.value().toString();
        else
            AppletTrace::Error(QStringLiteral("%1: entry %2 skipped").arg(owner, it.key()));
    }
    return texts;
}

} // namespace applet
