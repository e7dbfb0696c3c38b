#pragma once
// The start procedure of the DTM program. On this platform a frame runs the
// DTM object in its own process, so the program is only ever started by hand
// or by an installer, with a registration command line.
#include <QString>
#include <QStringList>

namespace Mainprogram {

// Runs the program with its arguments (after the program name) and returns
// its exit code: 0 when the asked function was carried out, 1 otherwise.
//   --form        opens the developers' window of prepared command lines
//                 (the program must then run as a widget application);
//   --test-lines  prints the prepared test command lines and ends;
//   --trace       leaves the error and information traces on for the run.
// Anything else is the registration command line.
int Main(const QStringList& arguments);

// True when the arguments ask for a window, so the program must start as a
// widget application.
bool WantsWindow(const QStringList& arguments);

// The command line the arguments stand for. An argument that holds a blank
// was one value to the shell: its value (after "KEY:") is put in double
// quotes so the blank stays inside it. An argument that already holds double
// quotes, or a further key after a blank, is taken as written.
QString JoinArguments(const QStringList& arguments);

} // namespace Mainprogram
