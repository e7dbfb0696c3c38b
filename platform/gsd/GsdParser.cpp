#include "platform/gsd/GsdParser.h"
#include "platform/automation/CheckedFile.h"
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <array>
#include <utility>

namespace gsd {

namespace {

const QString kHeader = QStringLiteral("#Profibus_DP");
const QString kModule = QStringLiteral("MODULE");
const QString kEndModule = QStringLiteral("ENDMODULE");

// Blocks whose content is passed over: opening keyword, closing keyword
// (both as KeywordKey gives them).
struct SkippedBlock {
    const char* opener;
    const char* closer;
};
constexpr std::array<SkippedBlock, 6> kSkippedBlocks{{
    {"PRMTEXT", "ENDPRMTEXT"},
    {"EXTUSERPRMDATA", "ENDEXTUSERPRMDATA"},
    {"UNIT_DIAG_AREA", "UNIT_DIAG_AREA_END"},
    {"X_UNIT_DIAG_AREA", "X_UNIT_DIAG_AREA_END"},
    {"UNITDIAGTYPE", "ENDUNITDIAGTYPE"},
    {"SLOTDEFINITION", "ENDSLOTDEFINITION"},
}};

// Keywords whose value must be a number or a list of numbers (by their name
// without an index).
constexpr std::array<const char*, 17> kNumericKeywords{{
    "USER_PRM_DATA_LEN", "USER_PRM_DATA", "EXT_USER_PRM_DATA_CONST", "EXT_USER_PRM_DATA_REF",
    "EXT_MODULE_PRM_DATA_LEN", "MAX_USER_PRM_DATA_LEN", "IDENT_NUMBER", "MAX_MODULE", "MAX_INPUT_LEN",
    "MAX_OUTPUT_LEN", "MAX_DATA_LEN", "MAX_DIAG_DATA_LEN", "MODULAR_STATION", "GSD_REVISION", "PROTOCOL_IDENT",
    "STATION_TYPE", "MIN_SLAVE_INTERVALL",
}};

struct LogicalLine {
    QString text;
    int line;
};

struct Assignment {
    QString name; // as written, trimmed
    QString key;  // KeywordKey of the name
    bool hasValue = false;
    QString value;
};

const SkippedBlock* SkippedBlockOpenedBy(const QString& key)
{
    for (const SkippedBlock& block : kSkippedBlocks)
        if (key == QLatin1String(block.opener))
            return &block;
    return nullptr;
}

bool IsBlockCloser(const QString& key)
{
    if (key == kEndModule)
        return true;
    for (const SkippedBlock& block : kSkippedBlocks)
        if (key == QLatin1String(block.closer))
            return true;
    return false;
}

// The key without its index: "EXT_USER_PRM_DATA_CONST(0)" -> "EXT_USER_PRM_DATA_CONST".
bool IsNumericKeyword(const QString& key)
{
    const QString base = key.section(QLatin1Char('('), 0, 0);
    for (const char* name : kNumericKeywords)
        if (base == QLatin1String(name))
            return true;
    return false;
}

bool IsKeywordName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.]+(\\s*\\(\\s*[0-9]+\\s*\\))?$"));
    return pattern.match(name).hasMatch();
}

bool ParseNumber(const QString& text, int64_t& value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    qlonglong number = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = trimmed.mid(2);
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]+$"));
        if (!hex.match(digits).hasMatch())
            return false;
        number = digits.toLongLong(&ok, 16);
    } else {
        static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+$"));
        if (!decimal.match(trimmed).hasMatch())
            return false;
        number = trimmed.toLongLong(&ok, 10);
    }
    if (!ok)
        return false;
    value = number;
    return true;
}

// "a, b, c" as numbers; the element that is none in bad.
bool ParseNumberList(const QString& text, std::vector<int64_t>& values, QString& bad)
{
    values.clear();
    for (const QString& element : text.split(QLatin1Char(','))) {
        int64_t value = 0;
        if (!ParseNumber(element, value)) {
            bad = element.trimmed();
            values.clear();
            return false;
        }
        values.push_back(value);
    }
    return true;
}

// The position of the quote that closes the one at start, -1 when none.
qsizetype ClosingQuote(const QString& text, qsizetype start)
{
    return text.indexOf(QLatin1Char('"'), start + 1);
}

// Splits "name = value" at the first "=" outside quotes.
Assignment SplitAssignment(const QString& line)
{
    Assignment result;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char('=') && !quoted) {
            result.name = line.left(i).trimmed();
            result.value = line.mid(i + 1).trimmed();
            result.hasValue = true;
            result.key = GsdParser::KeywordKey(result.name);
            return result;
        }
    }
    result.name = line.trimmed();
    result.key = GsdParser::KeywordKey(result.name);
    return result;
}

} // namespace

QString GsdParser::KeywordKey(const QString& name)
{
    QString key = name.toUpper();
    key.remove(QRegularExpression(QStringLiteral("\\s")));
    return key;
}

void GsdParser::Clear()
{
    m_loaded = false;
    m_error.clear();
    m_keywords.clear();
    m_modules.clear();
}

bool GsdParser::Fail(int line, const QString& reason)
{
    m_keywords.clear();
    m_modules.clear();
    m_loaded = false;
    m_error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
    return false;
}

void GsdParser::Load(const QString& path, int32_t& failed)
{
    failed = 1;
    Clear();
    if (path.isEmpty()) {
        Fail(0, QStringLiteral("no GSD file named"));
        return;
    }
    const QFileInfo info(path);
    if (automation::CheckedFile::Missing(path) || info.isDir()) {
        Fail(0, QStringLiteral("GSD file not found: ") + path);
        return;
    }
    if (info.isFile() && info.size() > kMaxFileSize) {
        Fail(0, QStringLiteral("GSD file too large (%1 bytes, at most %2): ").arg(info.size()).arg(kMaxFileSize)
                    + path);
        return;
    }
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, kMaxFileSize, bytes, &reason)) {
        Fail(0, QStringLiteral("GSD file cannot be read: ") + reason);
        return;
    }
    // GSD files are 8-bit text.
    const QString text = QString::fromLatin1(bytes);
    if (!LoadText(text)) {
        m_error = path + QStringLiteral(": ") + m_error;
        return;
    }
    failed = 0;
}

bool GsdParser::LoadText(const QString& text)
{
    Clear();

    // Logical lines: comments cut, continued lines joined.
    std::vector<LogicalLine> lines;
    QString pending;
    int pendingLine = 0;
    const QStringList physical = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < physical.size(); ++n) {
        const int lineNumber = static_cast<int>(n) + 1;
        QString part = physical.at(n);
        bool quoted = false;
        for (qsizetype i = 0; i < part.size(); ++i) {
            const QChar c = part.at(i);
            if (c == QLatin1Char('"')) {
                quoted = !quoted;
            } else if (c == QLatin1Char(';') && !quoted) {
                part.truncate(i);
                break;
            } else if (c.unicode() == 0) {
                return Fail(lineNumber, QStringLiteral("a NUL character: this is no GSD text file"));
            }
        }
        if (quoted)
            return Fail(lineNumber, QStringLiteral("unterminated string"));
        part = part.trimmed();
        if (pending.isEmpty())
            pendingLine = lineNumber;
        if (part.endsWith(QLatin1Char('\\'))) {
            part.chop(1);
            pending += part + QLatin1Char(' ');
            continue;
        }
        pending += part;
        if (!pending.trimmed().isEmpty())
            lines.push_back({pending.trimmed(), pendingLine});
        pending.clear();
    }
    if (!pending.isEmpty())
        return Fail(pendingLine, QStringLiteral("the file ends inside a continued line"));

    if (lines.empty() || lines.front().text.compare(kHeader, Qt::CaseInsensitive) != 0)
        return Fail(lines.empty() ? 0 : lines.front().line,
                    QStringLiteral("no \"#Profibus_DP\" header: this is no GSD file"));

    // Parses a keyword's value; false (the load failed) when it is malformed.
    const auto makeKeyword = [this](const Assignment& assignment, int line,
                                    std::shared_ptr<const GsdKeyword>& keyword) -> bool {
        if (!IsKeywordName(assignment.name))
            return Fail(line, QStringLiteral("\"%1\" is no keyword name").arg(assignment.name));
        const QString& value = assignment.value;
        if (value.isEmpty())
            return Fail(line, QStringLiteral("keyword %1 has no value").arg(assignment.name));
        if (value.startsWith(QLatin1Char('"'))) {
            const qsizetype close = ClosingQuote(value, 0);
            if (close < 0)
                return Fail(line, QStringLiteral("unterminated string"));
            if (!value.mid(close + 1).trimmed().isEmpty())
                return Fail(line, QStringLiteral("text after the quoted value of %1").arg(assignment.name));
            if (IsNumericKeyword(assignment.key))
                return Fail(line, QStringLiteral("keyword %1 needs a number, not a text").arg(assignment.name));
            keyword = std::make_shared<GsdKeyword>(assignment.name, GsdKeyword::Kind::Text, value.mid(1, close - 1),
                                                   std::vector<int64_t>{}, line);
            return true;
        }
        std::vector<int64_t> values;
        QString bad;
        if (value.contains(QLatin1Char(',')) || IsNumericKeyword(assignment.key)) {
            if (!ParseNumberList(value, values, bad))
                return Fail(line, QStringLiteral("\"%1\" in the value of %2 is no number").arg(bad, assignment.name));
            keyword = std::make_shared<GsdKeyword>(assignment.name, GsdKeyword::Kind::Numbers, value,
                                                   std::move(values), line);
            return true;
        }
        int64_t number = 0;
        if (ParseNumber(value, number))
            keyword = std::make_shared<GsdKeyword>(assignment.name, GsdKeyword::Kind::Numbers, value,
                                                   std::vector<int64_t>{number}, line);
        else
            keyword = std::make_shared<GsdKeyword>(assignment.name, GsdKeyword::Kind::Token, value,
                                                   std::vector<int64_t>{}, line);
        return true;
    };

    const SkippedBlock* skipped = nullptr;
    int blockLine = 0;
    bool inModule = false;
    GsdModule module;
    for (size_t i = 1; i < lines.size(); ++i) {
        const LogicalLine& line = lines[i];
        const Assignment assignment = SplitAssignment(line.text);

        if (skipped) {
            if (!assignment.hasValue && assignment.key == QLatin1String(skipped->closer))
                skipped = nullptr;
            continue;
        }

        if (inModule) {
            if (!assignment.hasValue && assignment.key == kEndModule) {
                m_modules.push_back(std::move(module));
                module = GsdModule();
                inModule = false;
                continue;
            }
            if (assignment.key == kModule)
                return Fail(line.line, QStringLiteral("Module inside module \"%1\" of line %2 (EndModule missing)")
                                           .arg(module.name)
                                           .arg(module.line));
            if (!assignment.hasValue) {
                int64_t reference = 0;
                if (ParseNumber(assignment.name, reference)) {
                    module.reference = reference;
                } else if (IsKeywordName(assignment.name)) {
                    // A bare keyword such as Data_Area_Beg.
                    module.keywords[assignment.key] = std::make_shared<GsdKeyword>(
                        assignment.name, GsdKeyword::Kind::Token, QString(), std::vector<int64_t>{}, line.line);
                } else {
                    return Fail(line.line, QStringLiteral("\"%1\" in module \"%2\" is no keyword")
                                               .arg(line.text, module.name));
                }
                continue;
            }
            std::shared_ptr<const GsdKeyword> keyword;
            if (!makeKeyword(assignment, line.line, keyword))
                return false;
            module.keywords[assignment.key] = keyword;
            continue;
        }

        if (!assignment.hasValue) {
            if (const SkippedBlock* block = SkippedBlockOpenedBy(assignment.key)) {
                skipped = block;
                blockLine = line.line;
                continue;
            }
            if (IsBlockCloser(assignment.key))
                return Fail(line.line, QStringLiteral("%1 without the block it closes").arg(assignment.name));
            return Fail(line.line, QStringLiteral("\"%1\" is no keyword assignment").arg(line.text));
        }

        if (assignment.key == kModule) {
            const QString& value = assignment.value;
            if (!value.startsWith(QLatin1Char('"')))
                return Fail(line.line, QStringLiteral("Module needs a quoted name"));
            const qsizetype close = ClosingQuote(value, 0);
            if (close < 0)
                return Fail(line.line, QStringLiteral("unterminated string"));
            module = GsdModule();
            module.name = value.mid(1, close - 1);
            module.line = line.line;
            const QString bytes = value.mid(close + 1).trimmed();
            if (bytes.isEmpty())
                return Fail(line.line, QStringLiteral("module \"%1\" has no configuration bytes").arg(module.name));
            std::vector<int64_t> values;
            QString bad;
            if (!ParseNumberList(bytes, values, bad))
                return Fail(line.line, QStringLiteral("\"%1\" in the configuration of module \"%2\" is no number")
                                           .arg(bad, module.name));
            for (const int64_t value : values) {
                if (value < 0 || value > 255)
                    return Fail(line.line, QStringLiteral("%1 in the configuration of module \"%2\" is no byte")
                                               .arg(value)
                                               .arg(module.name));
                module.configuration.push_back(static_cast<uint8_t>(value));
            }
            inModule = true;
            continue;
        }
        if (const SkippedBlock* block = SkippedBlockOpenedBy(assignment.key.section(QLatin1Char('('), 0, 0))) {
            skipped = block;
            blockLine = line.line;
            continue;
        }
        std::shared_ptr<const GsdKeyword> keyword;
        if (!makeKeyword(assignment, line.line, keyword))
            return false;
        m_keywords[assignment.key] = keyword;
    }

    if (inModule)
        return Fail(module.line, QStringLiteral("module \"%1\" has no EndModule").arg(module.name));
    if (skipped)
        return Fail(blockLine, QStringLiteral("block %1 has no %2")
                                   .arg(QLatin1String(skipped->opener), QLatin1String(skipped->closer)));
    m_loaded = true;
    return true;
}

std::shared_ptr<const GsdKeyword> GsdParser::Keyword(const QString& name) const
{
    const auto it = m_keywords.find(KeywordKey(name));
    return it == m_keywords.end() ? nullptr : it->second;
}

} // namespace gsd
