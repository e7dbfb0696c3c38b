#pragma once
// One keyword of a GSD file with its value: a quoted text, one number, a
// comma-separated list of numbers or a plain token (such as "12@TdF@Trivex"
// or "16-17"). Numbers are decimal or "0x" hexadecimal.
#include <QString>
#include <cstdint>
#include <vector>

namespace gsd {

class GsdKeyword {
public:
    enum class Kind { Text, Numbers, Token };

    GsdKeyword(QString name, Kind kind, QString text, std::vector<int64_t> values, int line);

    // The name as written, with an index such as "(3)" when it has one.
    const QString& Name() const { return m_name; }
    Kind ValueKind() const { return m_kind; }
    // A quoted value without its quotes; otherwise the value as written.
    const QString& Text() const { return m_text; }
    bool IsNumeric() const { return m_kind == Kind::Numbers; }
    // The first number; ok is false (and the result 0) when the value is
    // no number or a list of more than one.
    int64_t NumericValue(bool* ok = nullptr) const;
    // Every number of a list in order; empty when the value holds none.
    const std::vector<int64_t>& Values() const { return m_values; }
    // Line of the file the keyword starts on.
    int Line() const { return m_line; }

private:
    QString m_name;
    Kind m_kind;
    QString m_text;
    std::vector<int64_t> m_values;
    int m_line;
};

} // namespace gsd
