#include "ui/widgets/DesktopOutcome.h"

#include "platform/desktop/RevealInExplorer.h"
#include "platform/desktop/ShellOpen.h"
#include "ui/widgets/MessageBox.h"

#include <QDir>
#include <QFileInfo>

bool RevealOrSay(QWidget* page, const std::string& path)
{
    if (RevealInExplorer(path))
        return true;
    const QFileInfo file(QString::fromStdString(path));
    ShowMessageBox(page,
        QString("No file manager could be started to show \"%1\".\n\nIt is in the folder:\n%2")
            .arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath())));
    return false;
}

bool PlayOrSay(QWidget* page, const std::string& path)
{
    if (ShellOpen(path) > 32)
        return true;
    const QFileInfo file(QString::fromStdString(path));
    ShowMessageBox(page,
        QString("No program could be started to play \"%1\".\n\nThe desktop has no player set for MP3 files.")
            .arg(file.fileName()));
    return false;
}
