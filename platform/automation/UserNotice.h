#pragma once
// What the user of a program must learn although nothing failed (a settings
// file or a marker that cannot be read, a check that is left out): one line
// on standard error, "<program>: <text>", whether or not traces are on. A text
// is told once per process, however often its cause is met.
#include <QString>

namespace automation::UserNotice {

void Once(const QString& text);

} // namespace automation::UserNotice
