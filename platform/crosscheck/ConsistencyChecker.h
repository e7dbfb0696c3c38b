#pragma once
// The FDT-file / TDX-file consistency checker that a registration asks before
// it enters a device type. Created through the class registry by its ProgID;
// it looks at the two loaded parsers only through their interfaces and writes
// each inconsistency it finds as one line to the report stream it is given.
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/TdxFileParser.h"
#include <QString>
#include <QTextStream>

namespace crosscheck {

inline const QString kConsistencyCheckerProgId = QStringLiteral("FDT2TDX.Consistency");
inline const QString kConsistencyCheckerClassId = QStringLiteral("{4E8B2C17-5A90-4F63-B1D4-7C2E9A0F3B58}");

class ConsistencyChecker {
public:
    virtual ~ConsistencyChecker() = default;

    // ok is true when the FDT file fits the TDX description; the report then
    // holds no finding. Raises automation::ComError only when it cannot check
    // at all (a parser that answers nothing).
    virtual void CheckConsistency(applet::FdtFileParser& fdtParser, applet::TdxFileParser& tdxParser,
                                  QTextStream& report, bool& ok) = 0;
};

} // namespace crosscheck
