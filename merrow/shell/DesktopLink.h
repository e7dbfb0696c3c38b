#pragma once
// Opens a file or address in the user's desktop application for it (the
// help pages in the browser, the read-me in the text viewer). Tests put an
// opener of their own in its place to see the address without starting a
// browser.
#include <QUrl>
#include <functional>

namespace DesktopLink {

// Returns false when the desktop could not open the address.
using Opener = std::function<bool(const QUrl& url)>;

// Opens url through the installed opener (QDesktopServices by default).
bool OpenUrl(const QUrl& url);
// Installs opener; an empty one restores the desktop's. Returns the one installed before.
Opener SetOpener(Opener opener);

} // namespace DesktopLink
