#include "merrow/pages/frmIdentificationPROFI.h"

namespace {
const frmIdentificationFieldbus::Variant kVariant = {"frmIdentificationPROFI", "pbDeviceManIdPROFI", "pbSoftwareRevisionPROFI", "Profibus Version 3.0", true, true};
} // namespace

frmIdentificationPROFI::frmIdentificationPROFI() : frmIdentificationFieldbus(kVariant) {}
