#pragma once
// Reads a TDX description file into a Description: the file must be
// well-formed, fit the schema TdxDescription.xsd and make sense (names unique,
// references resolved, every record field fitting its item). A refused file
// yields no description and an error text naming the file, the line and the
// reason.
#include "platform/applet/Description.h"
#include <QString>

namespace applet::TdxDescriptionReader {

// kind: 1 device description, 2 protocol description (the root's "kind"
// must match). False with error set when the file is refused.
bool Read(const QString& path, int32_t kind, Description& description, QString& error);

} // namespace applet::TdxDescriptionReader
