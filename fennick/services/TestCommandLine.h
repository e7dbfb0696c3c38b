#pragma once
// Prepared registration command lines for trying the program by hand against
// the installation it runs in: registration and unregistration of a PROFIBUS
// DPV1 and of the HART device type.
#include <QString>
#include <QStringList>

namespace TestCommandLine {

constexpr int kLineCount = 6;

// The six lines for a program in programFolder. The description directory is
// found beside the folder whose name begins with "FDT " (the installation
// root); a program folder without one is used as the root itself.
//   0, 1  register a PROFIBUS DPV1 device type (the lines differ in date and version)
//   2     the program's name and an unregistration without files
//   3     register the Trivex HART device type
//   4     line 1 as an unregistration
//   5     unregister the HART device type of line 3, with a GSD file name
QStringList PreparedCommandLines(const QString& programFolder);

// The program's file name as line 2 carries it.
inline const QString kProgramFileName = QStringLiteral("fennick");

} // namespace TestCommandLine
