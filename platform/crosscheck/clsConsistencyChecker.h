#pragma once
// The consistency checker: every FDT parameter bound to an applet item must
// name an object of the TDX description whose type fits the parameter's
// description type code, and every channel and module of the FDT file must
// list only parameters (and, for modules, channels) that the file defines.
#include "platform/automation/ClassRegistry.h"
#include "platform/crosscheck/ConsistencyChecker.h"
#include <QStringList>

namespace crosscheck {

class clsConsistencyChecker : public automation::ComObject, public ConsistencyChecker {
public:
    void CheckConsistency(applet::FdtFileParser& fdtParser, applet::TdxFileParser& tdxParser, QTextStream& report,
                          bool& ok) override;

    // The findings of a check, one line each, without writing a report.
    static QStringList Findings(applet::FdtFileParser& fdtParser, applet::TdxFileParser& tdxParser);
};

} // namespace crosscheck
