#pragma once
// What libxml2 opens by itself (a schema's imports and includes, an external
// entity) goes through the same check as every file the system reads: only a
// regular file of bounded size is read, and it is read whole into memory, so
// a FIFO or a device in its place is refused with its name and why instead of
// blocking the parser. A schema compiled into the program is read from its
// resource ("qrc:/..."); no other URL scheme is fetched.
#include <QString>

namespace xml {

// Initialises libxml2 and installs the loader (once per process); every use
// of libxml2 in the system calls this first.
void InitLibxml();

// The URL under which libxml2 reads a file or a resource (":/..."): a base
// its relative imports are resolved against.
QString LoaderUrl(const QString& path);
// The path of a URL made by LoaderUrl (or of a plain path), as it is named in
// a message; the text itself when it is no such URL.
QString LoaderPath(const QString& url);

} // namespace xml
