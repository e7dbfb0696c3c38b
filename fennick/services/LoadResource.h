#pragma once
// Texts by id from the string tables compiled into the program, one table per
// language under the same ids. Ids are grouped in blocks of 16: an id missing
// from a block that a language has reads as the empty text.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>

namespace LoadResource {

// A module's texts: a resource base name, the tables being "<module>_<language id>.txt".
using ModuleHandle = QString;

constexpr uint16_t kLanguageEnglishUS = 1033;
constexpr uint16_t kLanguageGerman = 1031;
constexpr uint16_t kLanguageNeutral = 0;
constexpr int kIdsPerBlock = 16;
// "Resource with identifier ... not found"
constexpr int32_t ERR_RESOURCE_NOT_FOUND = 326;

// The module of this program's own texts.
ModuleHandle FennickModule();

// The text for the user's interface language; then English (1033), then the
// neutral language; the first language that has the id's block wins. An id
// whose block no language has goes to LoadResString, which raises.
QString GetResourceString(int16_t id);

// true when the module has the id's block in that language; text is then the
// entry (empty when the block lacks it). false leaves text unchanged.
bool LoadResourceStringForLanguage(const ModuleHandle& module, int16_t id, uint16_t languageId,
                                   QString& text);

// The plain lookup: the user's interface language, then any language of the
// module. Raises ComError(ERR_RESOURCE_NOT_FOUND) when no language has the block.
QString LoadResString(int16_t id, const ModuleHandle& module = FennickModule());

// One language's table: id -> text.
using StringTable = std::map<int, QString>;

// Reads a table's text: one entry a line, `<id> "<text>"` (the text runs to the
// last double quote of the line), blank lines and lines starting with '#'
// ignored. Ids are 0..32767 and unique. On failure false, table unchanged and
// error names the line and the fault.
bool ParseStringTable(const QByteArray& data, StringTable& table, QString& error);

} // namespace LoadResource
