#pragma once
// The device-description (TDX) file parser of the applet toolkit. Created through
// the class registry by its class identifier; a raised error is a ComError.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>

namespace applet {

inline const QString kTdxFileParserProgId = QStringLiteral("PioApplet.TdxFileParser");
inline const QString kTdxFileParserClassId = QStringLiteral("{6C1E2A40-7B31-4D0E-9A55-1F2D3C4B5A60}");

// Kinds of description a parser loads.
constexpr int32_t kTdxKindDevice = 1;
constexpr int32_t kTdxKindProtocol = 2;

class TdxFileParser {
public:
    virtual ~TdxFileParser() = default;

    // status 0: the file is loaded and valid; otherwise errorText says why.
    virtual void Load(int32_t kind, const QString& path, int32_t language, QString& errorText,
                      int32_t& status) = 0;
};

} // namespace applet
