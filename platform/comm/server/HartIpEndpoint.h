#pragma once
// The host and port a HART-IP URL names: "hart-ip://host[:port][/]", the port
// 5094 when none is given. Anything else in the URL (user, path, query,
// fragment) is refused rather than ignored, so a mistyped address fails loudly.
#include <QString>
#include <cstdint>

namespace comm {

struct HartIpEndpoint {
    QString host;
    uint16_t port = 0;

    QString toUrl() const;
    // False with a reason when the text is no HART-IP URL; out is unchanged then.
    static bool parse(const QString& text, HartIpEndpoint& out, QString* error = nullptr);
};

} // namespace comm
