#include "fennick/services/TestCommandLine.h"

namespace TestCommandLine {

namespace {

const QString kInstallFolderStart = QStringLiteral("FDT ");

struct DeviceFiles {
    const char* subdirectory;
    const char* tdxFile;
    const char* fdtFile;
    const char* gsdFile;
};
constexpr DeviceFiles kProfibus{"COM_DPV1/_0063/_0_00A6/", "TrivexPA.tdx", "TrivexPA.fdt", "TRVX00A6.gsd"};
constexpr DeviceFiles kHart{"COM_HART/_0063/_0_0089/", "Trivex.tdx", "Trivex.fdt", "TRVX0089.gsd"};

QString Value(const QString& key, const QString& value)
{
    const bool quote = value.contains(QLatin1Char(' '));
    return QLatin1Char(' ') + key + (quote ? QLatin1Char('"') + value + QLatin1Char('"') : value);
}

QString Line(const QString& function, const QString& base, const DeviceFiles& device, bool withGsd,
             const QString& date, const QString& version)
{
    QString line = Value(QStringLiteral("func:"), function)
                   + Value(QStringLiteral("dscr_dir:"), base + QStringLiteral("/TDXDESC/")
                                                            + QString::fromLatin1(device.subdirectory))
                   + Value(QStringLiteral("tdx_file:"), QString::fromLatin1(device.tdxFile))
                   + Value(QStringLiteral("fdt_file:"), QString::fromLatin1(device.fdtFile));
    if (withGsd)
        line += Value(QStringLiteral("gsd_file:"), QString::fromLatin1(device.gsdFile));
    return line + Value(QStringLiteral("dtminfo_date:"), date) + Value(QStringLiteral("dtminfo_version:"), version)
           + Value(QStringLiteral("fdtclassificationid:"), QStringLiteral("1"));
}

} // namespace

QStringList PreparedCommandLines(const QString& programFolder)
{
    // The folder above the one whose name begins with "FDT ".
    QString base = programFolder;
    const qsizetype at = programFolder.indexOf(kInstallFolderStart, 0, Qt::CaseInsensitive);
    if (at > 1)
        base = programFolder.left(at - 1);

    const QString registerDtm = QStringLiteral("registerdtm");
    const QString unregisterDtm = QStringLiteral("unregisterdtm");
    QStringList lines;
    lines << Line(registerDtm, base, kProfibus, true, QStringLiteral("2024-03-01"), QStringLiteral("1.00.00"));
    lines << Line(registerDtm, base, kProfibus, true, QStringLiteral("2024-05-15"), QStringLiteral("1.01.00"));
    lines << kProgramFileName + Value(QStringLiteral("func:"), unregisterDtm);
    lines << Line(registerDtm, base, kHart, false, QStringLiteral("2024-05-15"), QStringLiteral("1.00.00"));
    lines << Line(unregisterDtm, base, kProfibus, true, QStringLiteral("2024-05-15"), QStringLiteral("1.01.00"));
    lines << Line(unregisterDtm, base, kHart, true, QStringLiteral("2024-05-15"), QStringLiteral("1.00.00"));
    return lines;
}

} // namespace TestCommandLine
