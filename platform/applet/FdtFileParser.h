#pragma once
// The FDT file parser of the applet toolkit. Created through the class registry
// by its class identifier; a failed load raises a ComError.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>

namespace applet {

inline const QString kFdtFileParserProgId = QStringLiteral("PioApplet.FdtFileParser");
inline const QString kFdtFileParserClassId = QStringLiteral("{6C1E2A41-7B31-4D0E-9A55-1F2D3C4B5A60}");

class FdtFileParser {
public:
    virtual ~FdtFileParser() = default;

    // Raises ComError when the file cannot be loaded; errorText then says why
    // (it may stay empty when the failure is not the file's).
    virtual void Load(const QString& path, QString& errorText) = 0;
};

} // namespace applet
