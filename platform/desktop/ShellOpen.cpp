#include "platform/desktop/ShellOpen.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

namespace {

// xdg-open that has not ended by then is taken to have started a program (some wait for it).
constexpr int kOpenerAnswerMs = 2000;

// Through xdg-open when it is there, since its exit status tells whether any program took the
// target: Qt starts it detached and reports success even when it then finds none. Nullopt when
// there is no xdg-open.
std::optional<bool> OpenWithXdgOpen(const QUrl& url)
{
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    if (opener.isEmpty())
        return std::nullopt;
    // Parented to the application and let go when it ends: a program it waits for keeps running.
    auto* process = new QProcess(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // A local file as its path: xdg-open takes it as it is, whatever characters the name holds.
    process->start(opener, { url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded) });
    if (!process->waitForStarted(kOpenerAnswerMs))
        return false;
    if (!process->waitForFinished(kOpenerAnswerMs))
        return true;
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

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
    if (const std::optional<bool> opened = OpenWithXdgOpen(url))
        return *opened;
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
