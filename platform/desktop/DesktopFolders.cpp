#include "platform/desktop/DesktopFolders.h"

#include <QDir>
#include <QStandardPaths>

std::string GetDocumentsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + "/Documents";
    if (!folder.endsWith('/'))
        folder += '/';
    return folder.toStdString();
}
