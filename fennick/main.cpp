// fennick: registers or unregisters one device type of the DTM and keeps the
// device catalogue beside the program.
//   fennick func:registerdtm dscr_dir:<folder>/ tdx_file:<file> fdt_file:<file>
//           [gsd_file:<file>] dtminfo_date:<date> fdtclassificationid:<number>
//   fennick func:unregisterdtm dscr_dir:<folder>/ fdt_file:<file>
//   fennick --test-lines
#include "fennick/fdt/FennickClasses.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Mainprogram.h"
#include "platform/applet/AppletClasses.h"
#include "platform/crosscheck/CrosscheckClasses.h"
#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Trivex"));
    QCoreApplication::setApplicationName(Debugging::ProgramTitle());
    applet::RegisterClasses();
    crosscheck::RegisterClasses();
    fennick::RegisterClasses();
    return Mainprogram::Main(app.arguments().mid(1));
}
