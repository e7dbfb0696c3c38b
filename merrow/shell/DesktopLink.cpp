#include "merrow/shell/DesktopLink.h"
#include <QDesktopServices>

namespace DesktopLink {

namespace {

Opener& Installed()
{
    static Opener opener;
    return opener;
}

} // namespace

bool OpenUrl(const QUrl& url)
{
    if (const Opener& opener = Installed())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

Opener SetOpener(Opener opener)
{
    Opener previous = std::move(Installed());
    Installed() = std::move(opener);
    return previous;
}

} // namespace DesktopLink
