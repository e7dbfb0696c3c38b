#include "fennick/services/LoadResource.h"
#include "platform/automation/CheckedFile.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Language.h"
#include "platform/automation/ComError.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

namespace LoadResource {
namespace {

constexpr int kMaxId = 32767;
// A string table larger than this is no string table of a module.
constexpr qint64 kMaxTableBytes = 4 * 1024 * 1024;

QString tablePath(const ModuleHandle& module, uint16_t languageId)
{
    return module + QLatin1Char('_') + QString::number(languageId) + QStringLiteral(".txt");
}

// Each table is read once; a missing or unreadable table stays absent.
const StringTable* table(const QString& path)
{
    static std::map<QString, std::optional<StringTable>> cache;
    auto found = cache.find(path);
    if (found == cache.end()) {
        std::optional<StringTable> loaded;
        QByteArray bytes;
        QString error;
        if (!automation::CheckedFile::Missing(path)) {
            if (!automation::CheckedFile::Read(path, kMaxTableBytes, bytes, &error)) {
                Debugging::TraceError(QStringLiteral("String table ") + error);
            } else {
                StringTable parsed;
                if (ParseStringTable(bytes, parsed, error))
                    loaded = std::move(parsed);
                else
                    Debugging::TraceError(QStringLiteral("String table ") + path + QStringLiteral(": ")
                                          + error);
            }
        }
        found = cache.emplace(path, std::move(loaded)).first;
    }
    return found->second ? &*found->second : nullptr;
}

// The languages a module has tables for.
QList<uint16_t> moduleLanguages(const ModuleHandle& module)
{
    const QFileInfo info(module);
    const QString prefix = info.fileName() + QLatin1Char('_');
    QList<uint16_t> languages;
    const QStringList names =
        QDir(info.path()).entryList(QStringList{prefix + QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        bool ok = false;
        const uint language = name.mid(prefix.size(), name.size() - prefix.size() - 4).toUInt(&ok);
        if (ok && language <= 0xFFFFu)
            languages.append(static_cast<uint16_t>(language));
    }
    return languages;
}

} // namespace

ModuleHandle FennickModule()
{
    return QStringLiteral(":/fennick/strings/Fennick");
}

bool ParseStringTable(const QByteArray& data, StringTable& table, QString& error)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError()) {
        error = QStringLiteral("the text is not valid UTF-8");
        return false;
    }
    static const QRegularExpression entry(QStringLiteral("^([0-9]+)[ \\t]+\"(.*)\"$"));
    StringTable result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        const QRegularExpressionMatch match = entry.match(line);
        if (!match.hasMatch()) {
            error = where + QStringLiteral("expected <id> \"<text>\"");
            return false;
        }
        bool ok = false;
        const int id = match.captured(1).toInt(&ok);
        if (!ok || id > kMaxId) {
            error = where + QStringLiteral("id %1 is outside 0..%2").arg(match.captured(1)).arg(kMaxId);
            return false;
        }
        if (!result.emplace(id, match.captured(2)).second) {
            error = where + QStringLiteral("id %1 appears twice").arg(id);
            return false;
        }
    }
    table = std::move(result);
    return true;
}

bool LoadResourceStringForLanguage(const ModuleHandle& module, int16_t id, uint16_t languageId,
                                   QString& text)
{
    if (id < 0)
        return false;
    const StringTable* strings = table(tablePath(module, languageId));
    if (!strings)
        return false;
    const int first = id / kIdsPerBlock * kIdsPerBlock;
    const auto inBlock = strings->lower_bound(first);
    if (inBlock == strings->end() || inBlock->first >= first + kIdsPerBlock)
        return false;
    const auto entry = strings->find(id);
    text = entry == strings->end() ? QString() : entry->second;
    return true;
}

QString LoadResString(int16_t id, const ModuleHandle& module)
{
    QString text;
    if (LoadResourceStringForLanguage(module, id, Language::UserDefaultLangId(), text))
        return text;
    for (uint16_t language : moduleLanguages(module))
        if (LoadResourceStringForLanguage(module, id, language, text))
            return text;
    throw automation::ComError(ERR_RESOURCE_NOT_FOUND,
                               QStringLiteral("Resource with identifier '%1' not found").arg(id),
                               Debugging::ProgramTitle());
}

QString GetResourceString(int16_t id)
{
    static const ModuleHandle module = FennickModule();
    QString text;
    for (uint16_t language : {Language::UserDefaultLangId(), kLanguageEnglishUS, kLanguageNeutral})
        if (LoadResourceStringForLanguage(module, id, language, text))
            return text;
    return LoadResString(id, module);
}

} // namespace LoadResource
