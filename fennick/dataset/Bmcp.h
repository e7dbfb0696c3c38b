#pragma once
// The bus master configuration part (BMCP) of a PROFIBUS DP slave: the
// slave parameter set a bus master needs, as a text of hexadecimal digits,
// two a byte, high byte first in every 16-bit word. Its layout (each length
// counts its own two bytes):
//   set length (2) | slave flags, slave type, reserved (14) |
//   parameter data length (2) | fixed parameter data (7) | user parameter data (n) |
//   configuration data length (2) | configuration data (m) |
//   additional table length (2) | slave user data length (2) ...
// In 1-based character positions: the set length at 1-4, flags to reserved
// at 5-32, the parameter data length at 33-36, the fixed parameter data at 37-50.
// A stored or handed-in set is checked before any part of it is read.
#include <QString>
#include <cstdint>

namespace Bmcp {

constexpr int32_t kParameterLengthPosition = 33;
// The fixed parts up to the end of the fixed parameter data.
constexpr int32_t kMinimumLength = 50;
// A parameter data length holds at least its own word and the fixed data.
constexpr int32_t kMinimumParameterLength = 9;
constexpr int32_t kMinimumConfigurationLength = 2;

// The 16-bit signed value of the four hex digits at the 1-based position; 0
// when the text is empty, the position below 1, the digits run past the end
// or are no hex digits.
int32_t ReadHexWordAt(const QString& text, int32_t position);
// The low 16 bits of the value as four upper-case hex digits, high byte first.
QString WordToHex(int32_t value);
// Writes the set, eight bytes a line, whatever the trace switches say.
void TraceBmcp(const QString& text);

// Empty when the text is a well-formed set: an even number of hex digits,
// at least kMinimumLength of them, and a parameter data length and a
// configuration data length whose words and blocks lie within the text.
// Otherwise why it is not.
QString CheckSet(const QString& text);

// The parts of a well-formed set (CheckSet empty) that a rebuild keeps.
struct KeptParts {
    QString flags;           // slave flags, slave type and reserved (positions 5-32)
    QString fixedParameters; // the seven fixed parameter bytes (positions 37-50)
    QString tail;            // everything after the configuration data
};
KeptParts SplitSet(const QString& text);

// Length word and content of the two rebuilt blocks.
QString ParameterBlock(const QString& fixedParameters, const QString& userParameters);
QString ConfigurationBlock(const QString& configuration);
// The whole set: its length word in front of the parts.
QString AssembleSet(const QString& flags, const QString& parameterBlock, const QString& configurationBlock,
                    const QString& tail);

// The default set for the configuration and user parameter texts.
QString DefaultSet(const QString& configuration, const QString& userParameters);

} // namespace Bmcp
