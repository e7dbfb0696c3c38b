// fennick: registers or unregisters one device type of the DTM and keeps the
// device catalogue beside the program.
//   fennick func:registerdtm dscr_dir:<folder>/ tdx_file:<file> fdt_file:<file>
//           [gsd_file:<file>] dtminfo_date:<date> fdtclassificationid:<number>
//   fennick func:unregisterdtm dscr_dir:<folder>/ fdt_file:<file>
//   fennick --test-lines
//   fennick --form
#include "fennick/fdt/FennickClasses.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Mainprogram.h"
#include "platform/applet/AppletClasses.h"
#include "platform/crosscheck/CrosscheckClasses.h"
#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <memory>

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Only the developers' window needs a window system.
    std::unique_ptr<QCoreApplication> app;
    if (Mainprogram::WantsWindow(arguments))
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Trivex"));
    QCoreApplication::setApplicationName(Debugging::ProgramTitle());
    // Trace lines go where a debugger would show them: to standard error
    // with --trace, nowhere otherwise.
    const bool traced = arguments.contains(QStringLiteral("--trace"));
    if (!traced)
        DataTypes::SetTraceSink([](const QString&) {});
    applet::RegisterClasses();
    crosscheck::RegisterClasses();
    fennick::RegisterClasses();
    const int code = Mainprogram::Main(QCoreApplication::arguments().mid(1));
    if (code != 0 && !traced) {
        QTextStream err(stderr);
        for (const QString& failure : Deployment::Failures())
            err << "fennick: " << failure << Qt::endl;
        err << "fennick: the function was not carried out (--trace shows more)" << Qt::endl;
    }
    return code;
}
