// The device catalogue, read back by the frame's questions and by the next
// registration or unregistration: whatever the file holds, each gives an
// answer, and a registration that reports success leaves a catalogue that the
// next one can use.
#include "fennick/services/Deployment.h"
#include "fennick/services/XMLHelper.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzInstallation.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include <QFile>

namespace {

// The device type element a frame hands back for the Trivex HART device type.
xml::XmlNode FrameDeviceType(xml::XmlDocument& document)
{
    if (!document.LoadXml(QStringLiteral("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType "
                                         "manufacturerId=\"99\" deviceTypeId=\"137\" classificationId=\"flow\"/></FDT>")))
        fuzz::Fail("the frame's device type element cannot be made");
    return document.SelectSingleNode(QStringLiteral("FDT/fdt:DtmDeviceType"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Several entries of one identity are offered to the user in a window.
    fuzz::StartApplication(true);
    const fuzz::FuzzInstallation& installation = fuzz::FuzzInstallation::Get();
    // A choice among several entries is cancelled, as a user may.
    static dialogs::ScriptedDialogService dialogs;
    static const dialogs::ScopedDialogService scope(dialogs);
    dialogs.SetFailureHandler([](const QString&) {});

    fuzz::FuzzInput input(data, size);
    const uint8_t step = input.TakeByte();
    {
        QFile catalogue(installation.CataloguePath());
        const QByteArray bytes = input.Rest();
        if (!catalogue.open(QIODevice::WriteOnly | QIODevice::Truncate) || catalogue.write(bytes) != bytes.size())
            fuzz::Fail("the catalogue cannot be written");
    }

    Deployment::GetDtmInformationXml();
    Deployment::GetDeviceTypeInformation(QStringLiteral("99"), QStringLiteral("137"), QStringLiteral("flow"));
    xml::XmlDocument frameDocument;
    QString tdx, fdt, gsd;
    Deployment::GetDeviceType(FrameDeviceType(frameDocument), tdx, fdt, gsd);

    switch (step % 3) {
    case 0:
        if (Deployment::RegisterDtm(installation.Device(), QStringLiteral("flow"), QStringLiteral("2024-05-15"),
                                    installation.TdxPath(), installation.FdtPath(), QString())) {
            XMLHelper::DocumentPtr written;
            xml::XmlNode deviceTypes;
            Deployment::LoadDeviceCatalogue(written, deviceTypes, false);
            if (!deviceTypes)
                fuzz::Fail("a registration that succeeded left a catalogue the next one cannot use");
        }
        break;
    case 1:
        Deployment::UnregisterDtm(installation.FdtPath());
        break;
    default:
        break;
    }
    return 0;
}
