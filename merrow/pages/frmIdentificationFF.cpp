#include "merrow/pages/frmIdentificationFF.h"

namespace {
const frmIdentificationFieldbus::Variant kVariant = {"frmIdentificationFF", "pbManufacIdFF", "pbDevRevFF", "FF Profile 1.4", false, false};
} // namespace

frmIdentificationFF::frmIdentificationFF() : frmIdentificationFieldbus(kVariant) {}
