#include "dalvex/LoadCountryText.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/NumberedTextTable.h"
#include "platform/dialogs/DialogService.h"
#include <map>

namespace dalvex {

namespace {

const QString kStringTable = QStringLiteral(":/dalvex/strings/Dalvex.json");
const QString kSource = QStringLiteral("Dalvex.LoadCountryText");

const std::map<int, QString>& StringTable()
{
    static const std::map<int, QString> table = applet::ReadNumberedTextTable(kStringTable, kSource);
    return table;
}

} // namespace

QString LoadCountryText(int32_t countryCode, int32_t textNumber)
{
    const auto& table = StringTable();
    int64_t base = 0;
    if (const auto language = table.find(countryCode); language != table.end()) {
        bool ok = false;
        const int value = language->second.trimmed().toInt(&ok);
        if (ok)
            base = value;
        else
            applet::AppletTrace::Error(
                QStringLiteral("%1: the base of country code %2 is no number").arg(kSource).arg(countryCode));
    }
    const int64_t id = base + textNumber;
    if (id >= INT32_MIN && id <= INT32_MAX)
        if (const auto text = table.find(static_cast<int>(id)); text != table.end())
            return text->second;
    const QString description = QStringLiteral("Resource with identifier %1 not found").arg(id);
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
    dialogs::DialogService::instance().Information(QString(), description);
    return QString();
}

} // namespace dalvex
