#include "fuzz/FuzzInstallation.h"
#include "fennick/fdt/FennickClasses.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "fuzz/FuzzInput.h"
#include "platform/crosscheck/CrosscheckClasses.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace fuzz {

namespace {

// The build's staged tree: the description folders with what the build adds
// to them (default datasets, report templates) and the FDT schemas.
const QString kStage = QStringLiteral(TRIVEX_STAGE_DIR);

} // namespace

const FuzzInstallation& FuzzInstallation::Get()
{
    static const FuzzInstallation installation;
    return installation;
}

FuzzInstallation::FuzzInstallation()
{
    static QTemporaryDir root;
    if (!root.isValid())
        Fail("no temporary folder for the installation");
    m_root = root.path();
    // No setting of the user's is read or written.
    const QString home = root.filePath(QStringLiteral("home"));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toUtf8());
    m_programFolder = root.filePath(QStringLiteral("FDT 1.2/bin"));
    m_schemaFolder = root.filePath(QStringLiteral("FDT 1.2/schemas"));
    if (!QDir().mkpath(home) || !QDir().mkpath(m_programFolder)
        || !QFile::link(kStage + QStringLiteral("/TDXDESC"), root.filePath(QStringLiteral("TDXDESC")))
        || !QFile::link(kStage + QStringLiteral("/FDT 1.2/schemas"), m_schemaFolder))
        Fail("the installation's folders cannot be made");
    const QString descriptions = root.filePath(QStringLiteral("TDXDESC/COM_HART/_0063/_0_0089/"));
    m_tdxPath = descriptions + QStringLiteral("Trivex.tdx");
    m_fdtPath = descriptions + QStringLiteral("Trivex.fdt");

    Debugging::SwitchTracesOff();
    DataTypes::SetTraceSink([](const QString&) {});
    Publics::SetProgramFolder(m_programFolder);
    Deployment::SetCatalogueFolder(m_programFolder);
    Deployment::SetReportFolder(home);
    crosscheck::RegisterClasses();
    fennick::RegisterClasses();
    XMLHelper::LoadSchemaCache(m_schemaFolder);
    if (!Deployment::ProcessCommandLine(RegisterLine()))
        Fail("the Trivex HART device type cannot be registered");
    std::shared_ptr<applet::TdxFileParser> parser;
    if (!Deployment::CrossCheckFiles(parser, m_tdxPath, m_fdtPath) || Deployment::ReadDeviceInfo(*parser, m_device) != 0)
        Fail("the Trivex HART description cannot be read");
}

QString FuzzInstallation::RegisterLine() const
{
    return QStringLiteral("FUNC:REGISTERDTM DSCR_DIR:") + QFileInfo(m_tdxPath).absolutePath()
         + QStringLiteral("/ TDX_FILE:Trivex.tdx FDT_FILE:Trivex.fdt DTMINFO_DATE:2024-05-15 FDTCLASSIFICATIONID:1");
}

} // namespace fuzz
