#pragma once
// The GSD file parser: reads a PROFIBUS device's GSD text file into its
// keywords and module definitions. The format it takes:
//   - the first line "#Profibus_DP";
//   - "Keyword = value" lines, keywords without regard to case, optionally
//     with an index ("Unit_Diag_Bit(3) = ...");
//   - ";" starts a comment (outside quotes), "\" at a line's end continues
//     it on the next line;
//   - values: a quoted text, a number (decimal or "0x" hexadecimal), a
//     comma-separated list of numbers, or a plain token;
//   - "Module = "name" config bytes" ... "EndModule" blocks, with keywords
//     and the module's reference number inside;
//   - the text and parameter-definition blocks (PrmText, ExtUserPrmData,
//     Unit_Diag_Area, X_Unit_Diag_Area, UnitDiagType, SlotDefinition), which
//     are passed over.
// Anything else is refused: the load fails, ErrorText says where and why,
// and the parser holds nothing. Nothing in a file can make it crash.
#include "platform/gsd/GsdKeyword.h"
#include "platform/gsd/GsdModule.h"
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace gsd {

class GsdParser {
public:
    // Larger files are refused unread.
    static constexpr int64_t kMaxFileSize = 4 * 1024 * 1024;

    // Reads and parses the file: failed is 0 when it loaded, 1 otherwise.
    void Load(const QString& path, int32_t& failed);
    // Parses the text of a GSD file; false when it is refused.
    bool LoadText(const QString& text);

    bool IsLoaded() const { return m_loaded; }
    // Why the last load failed ("" after a success).
    const QString& ErrorText() const { return m_error; }

    // A keyword outside the modules, matched without regard to case; none
    // when the file does not have it. A keyword written twice keeps the
    // later value.
    std::shared_ptr<const GsdKeyword> Keyword(const QString& name) const;
    // The module definitions in file order.
    const std::vector<GsdModule>& Modules() const { return m_modules; }

    // How keyword names are compared: upper case, without blanks.
    static QString KeywordKey(const QString& name);

private:
    void Clear();
    bool Fail(int line, const QString& reason);

    bool m_loaded = false;
    QString m_error;
    std::map<QString, std::shared_ptr<const GsdKeyword>> m_keywords;
    std::vector<GsdModule> m_modules;
};

} // namespace gsd
