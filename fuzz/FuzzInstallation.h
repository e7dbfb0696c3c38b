#pragma once
// An installation of the DTM in a folder of the fuzz process's own: the
// program folder "FDT 1.2/bin" with its device catalogue, the build's staged
// description tree as "TDXDESC" and its FDT schemas, a home whose settings
// hold the component categories, the schemas loaded and the Trivex HART
// device type registered, as an installer leaves it. Set up once per process.
#include "fennick/services/Deployment.h"
#include <QString>

namespace fuzz {

class FuzzInstallation {
public:
    // The installation, set up at the first call; the run stops as a crash
    // when it cannot be set up.
    static const FuzzInstallation& Get();

    // The folder that holds "FDT 1.2" and "TDXDESC".
    QString Root() const { return m_root; }
    QString ProgramFolder() const { return m_programFolder; }
    QString CataloguePath() const { return Deployment::CataloguePath(); }
    QString SchemaFolder() const { return m_schemaFolder; }
    // The registered device type and its files, as the registration read them.
    const Deployment::DeviceInfo& Device() const { return m_device; }
    QString TdxPath() const { return m_tdxPath; }
    QString FdtPath() const { return m_fdtPath; }
    // The registration's command line for the Trivex HART device type.
    QString RegisterLine() const;

private:
    FuzzInstallation();

    QString m_root;
    QString m_programFolder;
    QString m_schemaFolder;
    QString m_tdxPath;
    QString m_fdtPath;
    Deployment::DeviceInfo m_device;
};

} // namespace fuzz
