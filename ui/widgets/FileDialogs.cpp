#include "ui/widgets/FileDialogs.h"

#include "platform/PathHelpers.h"

#include <QFileDialog>

std::string WithTrailingSeparator(const std::string& folder)
{
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + '/';
}

std::string WithDefaultExtension(const std::string& path, const std::string& defaultExtension)
{
    if (defaultExtension.empty() || GetFileNamePart(path).empty() || GetFileExtension(path))
        return path;
    return path + defaultExtension;
}

bool ShowFileDialog(QWidget* owner, const QString& filter, unsigned flags, std::vector<std::string>& files,
    const QString& defaultExtension, bool open)
{
    const QString initial = files.empty() ? QString() : QString::fromStdString(files.front());
    QFileDialog dialog(owner, QString(), initial, filter);
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (open)
        dialog.setFileMode((flags & kAllowMultiSelect) ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    else
        dialog.setFileMode(QFileDialog::AnyFile);
    if (!(flags & kOverwritePrompt))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!defaultExtension.isEmpty())
        dialog.setDefaultSuffix(defaultExtension.startsWith('.') ? defaultExtension.mid(1) : defaultExtension);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    files.clear();
    for (const QString& file : dialog.selectedFiles())
        files.push_back(WithDefaultExtension(file.toStdString(), defaultExtension.toStdString()));
    return !files.empty();
}

bool BrowseForFolder(QWidget* owner, const QString& title, const std::string& initialFolder, std::string& folder)
{
    std::string start = initialFolder;
    if (start.size() > 1 && start.back() == '/')
        start.pop_back();
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, QString::fromStdString(start));
    if (chosen.isEmpty())
        return false;
    folder = WithTrailingSeparator(chosen.toStdString());
    return true;
}
