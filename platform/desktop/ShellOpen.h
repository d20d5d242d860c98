#pragma once
// Opening a document, a web address or a mail address with the desktop's preferred program.
#include <functional>
#include <string>

class QUrl;

// Result codes: above 32 means success. A failure is reported as 31, "no program associated".
inline constexpr int kShellOpenSucceeded = 33;
inline constexpr int kShellNoAssociation = 31;

// target: a URL with a scheme ("https:", "mailto:", "file:") or a local path.
int ShellOpen(const std::string& target);
QUrl TargetToUrl(const std::string& target);

// Tests replace the desktop's opener (no browser or file manager runs headless); an empty function
// restores QDesktopServices.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpenerForTests(UrlOpener opener);
bool OpenUrl(const QUrl& url);
