#include "platform/desktop/ShellOpen.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QUrl>

namespace {

UrlOpener& Opener()
{
    static UrlOpener opener;
    return opener;
}

} // namespace

void SetUrlOpenerForTests(UrlOpener opener) { Opener() = std::move(opener); }

bool OpenUrl(const QUrl& url)
{
    if (Opener())
        return Opener()(url);
    return QDesktopServices::openUrl(url);
}

QUrl TargetToUrl(const std::string& target)
{
    const QString text = QString::fromStdString(target);
    // "scheme:" of two letters or more; a single letter would be a drive, never on this platform.
    static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]+:");
    if (scheme.match(text).hasMatch())
        return QUrl(text, QUrl::TolerantMode);
    return QUrl::fromLocalFile(text);
}

int ShellOpen(const std::string& target)
{
    if (target.empty())
        return kShellNoAssociation;
    return OpenUrl(TargetToUrl(target)) ? kShellOpenSucceeded : kShellNoAssociation;
}
