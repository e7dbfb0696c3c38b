#include "platform/automation/UserNotice.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <cstdio>

namespace automation::UserNotice {

void Once(const QString& text)
{
    static QSet<QString> told;
    if (told.contains(text))
        return;
    told.insert(text);
    const QString program = QCoreApplication::instance()
                                ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                : QStringLiteral("trivex");
    const QByteArray line = (program + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace automation::UserNotice
