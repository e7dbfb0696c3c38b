#pragma once
// The descriptions read in this process, by file and kind. Every new DTM
// object loads the description of its device; reading and checking the same
// file again would cost more than all the rest of its start. A file that has
// changed on disk since (see xml::FileStamp) is read again; a refused file is
// not kept, so it is read and refused again, with its error, every time.
#include "platform/applet/Description.h"
#include <QString>
#include <memory>

namespace applet::DescriptionCache {

// The description of the file (kind as for TdxDescriptionReader::Read); null
// with error set when the file is refused.
std::shared_ptr<const Description> Read(const QString& path, int32_t kind, QString& error);

} // namespace applet::DescriptionCache
