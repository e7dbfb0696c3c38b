#pragma once
// What the parser reports about a document it could not load or validate.
#include <QString>
#include <cstdint>

namespace xml {

struct XmlParseError {
    int32_t errorCode = 0;   // 0: no error
    QString reason;          // the parser's or validator's message
    QString srcText;         // the text of the line where the error lies
    int32_t line = 0;        // 1-based line, 0 when unknown
    int32_t linepos = 0;     // 1-based column, 0 when unknown
    int32_t filepos = 0;     // 0-based character offset in the text, 0 when unknown

    bool IsError() const { return errorCode != 0; }
};

} // namespace xml
