#include "ui/lists/FileListPage.h"

#include "engine/stream/OpenFailureReason.h"
#include "platform/FolderSearch.h"
#include "platform/PathHelpers.h"
#include "ui/lists/M3uPlaylist.h"
#include "ui/widgets/DesktopOutcome.h"
#include "ui/widgets/ProgressDialog.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/MessageBox.h"
#include "ui/ProductInfo.h"
#include "ui/widgets/PumpMessages.h"
#include "ui/widgets/WaitCursor.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// The failure report names this many files, then "<more files>...".
constexpr int kMaxReportedFailures = 10;

std::vector<std::string> LocalPaths(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return paths;
}

} // namespace

QString LoadFailureMessage(const std::string& failedFiles)
{
    return QString("Failed to load the following files.\n\n%1\n").arg(QString::fromStdString(failedFiles))
        + "To get help, please contact us at <" + kSupportAddress + ">.";
}

FileListPage::FileListPage(const QString& title, QWidget* parent)
    : PropertyPage(title, parent)
{
    setAcceptDrops(true);
}

void FileListPage::CreateList(const QRect& area, std::span<const ListColumn> columns)
{
    list_ = new SortableList(this);
    list_->setGeometry(area);
    list_->SetColumns(columns);
}

const OptionValues& FileListPage::Options() const
{
    static const OptionValues defaults;
    return LiveOptions() ? *LiveOptions() : defaults;
}

void FileListPage::EnableWindowForJob(bool enable) { window()->setEnabled(enable); }

int FileListPage::FirstSelectedRow() const
{
    const std::vector<int> rows = list_->SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void FileListPage::OnAddFiles()
{
    const WaitCursor wait;
    std::vector<std::string> files;
    if (!ShowFileDialog(this, kAddFilesFilter, kFileMustExist | kAllowMultiSelect, files, QString(), true))
        return;
    PumpMessages();
    LoadFileList(files);
}

void FileListPage::OnAddFolder()
{
    const WaitCursor wait;
    std::string folder;
    if (!BrowseForFolder(this, "Please choose a folder:", RememberedFolder(), folder))
        return;
    FolderChosen(folder);
    AddFolder(folder);
}

void FileListPage::AddFolder(const std::string& folder)
{
    PumpMessages();
    // The search lets the dialog paint and its Cancel work, so the window is disabled from here on.
    EnableWindowForJob(false);
    ProgressDialog* dialog = ProgressDialog::Create();
    dialog->SetLabel(JobProgress::Upper, "Searching MP3/WAV files...");
    dialog->PumpNow();
    std::vector<std::string> candidates;
    if (!SearchFolder(folder, candidates, [dialog] {
            dialog->Pump();
            return !dialog->IsCancelled();
        })) {
        dialog->PostClose();
        EnableWindowForJob(true);
        return;
    }
    LoadFileList(candidates, dialog);
}

void FileListPage::DropPaths(const std::vector<std::string>& paths)
{
    EnableWindowForJob(false);
    ProgressDialog* dialog = ProgressDialog::Create();
    dialog->SetLabel(JobProgress::Upper, "Searching MP3/WAV files...");
    dialog->PumpNow();
    std::vector<std::string> candidates;
    bool searched = true;
    for (const std::string& path : paths) {
        // A dropped playlist stands for its entries, which loading puts in its place.
        if (IsPlaylistPath(path) && !IsDirectory(path)) {
            candidates.push_back(path);
            continue;
        }
        searched = CollectDropCandidates({ path }, candidates, [dialog] {
            dialog->Pump();
            return !dialog->IsCancelled();
        });
        if (!searched)
            break;
    }
    if (!searched || candidates.empty()) {
        dialog->PostClose();
        EnableWindowForJob(true);
        return;
    }
    LoadFileList(candidates, dialog);
}

std::vector<std::string> ExpandPlaylists(const std::vector<std::string>& candidates, std::vector<std::string>& failures)
{
    std::vector<std::string> files;
    for (const std::string& candidate : candidates) {
        if (!IsPlaylistPath(candidate)) {
            files.push_back(candidate);
            continue;
        }
        std::vector<std::string> entries;
        std::string reason;
        const bool read = ReadM3uPlaylist(candidate, entries, reason);
        if (!read || !reason.empty())
            failures.push_back(candidate + " (" + reason + ")");
        files.insert(files.end(), entries.begin(), entries.end());
    }
    return files;
}

void FileListPage::LoadFileList(const std::vector<std::string>& listed, ProgressDialog* dialog)
{
    // Playlists are read first: their entries are loaded like the files named beside them, and one
    // that cannot be read is reported with the files that failed.
    std::vector<std::string> playlistFailures;
    const std::vector<std::string> candidates = ExpandPlaylists(listed, playlistFailures);
    EnableWindowForJob(false);
    if (!dialog)
        dialog = ProgressDialog::Create();
    const int count = static_cast<int>(candidates.size());
    ProgressBar* bar = dialog->Bar(JobProgress::Upper);
    bar->SetRange(0, count);
    bar->SetPosition(0);
    bar->SetStep(1);
    dialog->PumpNow();

    std::string failures;
    int failureCount = 0;
    const auto countFailure = [&](const std::string& text) {
        ++failureCount;
        if (failureCount <= kMaxReportedFailures)
            failures += text + "\n";
        else if (failureCount == kMaxReportedFailures + 1)
            failures += "<more files>...\n";
    };
    for (const std::string& failure : playlistFailures)
        countFailure(failure);
    for (int index = 0; index < count; ++index) {
        const std::string& candidate = candidates[static_cast<size_t>(index)];
        dialog->SetLabel(JobProgress::Upper,
            "[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] Adding file "
                + GetFileNamePart(candidate) + "...");
        bar->StepIt();
        if (AddFile(candidate) == -1) {
            // Only names the lists take are opened again to say why; only reported ones.
            const bool reported = failureCount < kMaxReportedFailures && HasMp3Extension(candidate);
            const std::string reason = reported ? OpenFailureReason(candidate) : std::string();
            countFailure(candidate + (reason.empty() ? "" : " (" + reason + ")"));
        }
        // The cheap pump: the dialog and the list repaint a few times a second, not once per file.
        dialog->Pump();
        if (dialog->IsCancelled())
            break;
    }
    dialog->PostClose();
    EnableWindowForJob(true);
    list_->FitColumns(); // to the names and values now in view
    if (!failures.empty())
        ShowMessageBox(this, LoadFailureMessage(failures), MessageIcon::Exclamation);
}

bool FileListPage::RemoveSelectedRows()
{
    if (list_->SelectedRows().empty()) {
        ShowMessageBox(this, "You should select a file at least.", MessageIcon::Information);
        return false;
    }
    for (std::vector<int> rows = list_->SelectedRows(); !rows.empty(); rows = list_->SelectedRows())
        list_->DeleteRow(rows.front());
    return true;
}

bool FileListPage::RemoveAllRows()
{
    if (list_->RowCount() == 0) {
        ShowMessageBox(this, "You should select a file at least.", MessageIcon::Information);
        return false;
    }
    list_->DeleteAllRows();
    return true;
}

void FileListPage::OnPlay()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const WaitCursor wait;
    PlayOrSay(this, list_->Record(row)->path);
}

void FileListPage::OpenContextMenu(QMenu& menu, const MenuCommands& commands, const QPoint& globalPosition)
{
    UpdateMenuItems(menu, commands);
    menu.exec(globalPosition);
}

void FileListPage::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalPaths(event->mimeData()).empty())
        event->acceptProposedAction();
}

void FileListPage::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> paths = LocalPaths(event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    // The drop is answered first, so the file manager is not kept waiting while the files load.
    QTimer::singleShot(0, this, [this, paths] { DropPaths(paths); });
}
