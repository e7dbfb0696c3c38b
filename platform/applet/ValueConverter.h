#pragma once
// The toolkit's process-wide value converter: hexadecimal text to a 32-bit value.
#include <QString>
#include <cstdint>

namespace applet {

class ValueConverter {
public:
    static ValueConverter& instance();

    // Accepts optional blanks around the text, an optional "0x", "0X" or "&H"
    // prefix and one to eight hexadecimal digits. failed is 0 on success.
    void HexTextToLong(const QString& text, int32_t& value, int32_t& failed) const;
};

} // namespace applet
