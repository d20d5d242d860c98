// "Save Selection As..." on the cutter page: the selected piece alone, written as "Cut Now!" would
// write it, to a file the user names. It is no piece of a run: the next run does not delete it.
#include "platform/FileIdentity.h"
#include "platform/PathHelpers.h"
#include "ui/widgets/DesktopOutcome.h"
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/SavePieceAs.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/ProgressDialog.h"
#include "ui/widgets/WindowHelpers.h"

#include <QTreeWidget>
#include <algorithm>

namespace {

bool SameFile(const std::string& a, const std::string& b)
{
    const std::optional<FileIdentity> first = IdentityOf(a);
    const std::optional<FileIdentity> second = IdentityOf(b);
    return first && second && *first == *second;
}

} // namespace

void CutterPage::OnSaveSelectionAs()
{
    const int row = SelectedRow();
    if (!HasSource() || row < 0 || !list_->isEnabled())
        return;
    // Offered beside the source, named as its piece would be.
    const std::string& source = source_.path;
    const std::string name = GetFileNamePart(source);
    const std::optional<std::string> extension = GetFileExtension(source);
    const std::string stem = extension ? name.substr(0, name.size() - extension->size()) : name;
    const std::string folder = source.substr(0, source.size() - name.size());
    std::vector<std::string> files { folder + stem + QString::asprintf("_%02d", row + 1).toStdString() + ".mp3" };
    if (!ShowFileDialog(this, kSaveJoinedFilter, kOverwritePrompt, files, ".mp3", false) || files.empty())
        return;
    SaveSelectionTo(files.front());
}

bool CutterPage::SaveSelectionTo(const std::string& path)
{
    const int row = SelectedRow();
    if (!HasSource() || row < 0)
        return false;
    if (SameFile(path, source_.path)) {
        ShowMessageBox(this,
            QString("Failed to create file \"%1\".\n\nA piece cannot replace the file it is cut from.")
                .arg(QString::fromStdString(path)));
        return false;
    }
    // The sound pauses, as for a cut.
    if (state_ == kPlaying || state_ == kPreviewing)
        OnPlay();
    QWidget* mainWindow = CurrentMainWindow();
    if (mainWindow)
        mainWindow->setEnabled(false);
    ProgressDialog* progress = ProgressDialog::Create();
    progress->SetLabel(JobProgress::Upper, "Saving " + GetFileNamePart(path) + "...");
    progress->PumpNow();

    SplitSettings split;
    split.options = CutterOptions();
    split.job = progress;
    std::string error;
    const SavePieceResult result
        = SavePieceAs(source_, pieces_.Entries(), static_cast<size_t>(row), path, split, error);
    progress->PostClose();
    if (mainWindow)
        mainWindow->setEnabled(true);

    if (result == SavePieceResult::Failed) {
        ShowMessageBox(this, QString::fromStdString(error));
        return false;
    }
    if (result == SavePieceResult::Cancelled)
        return false;
    // A piece of the last run that this file replaced is the user's excerpt now: the next run's
    // clean-up of the last run's pieces must leave it.
    auto& outputs = source_.outputFiles;
    outputs.erase(std::remove_if(outputs.begin(), outputs.end(),
                      [&](const std::string& output) { return output == path || SameFile(output, path); }),
        outputs.end());
    for (PieceEntry& entry : pieces_.Entries()) {
        if (std::find(outputs.begin(), outputs.end(), entry.outputPath) == outputs.end())
            entry.outputPath.clear();
    }
    const bool browse = LiveOptions() ? LiveOptions()->CutterBrowseFolder : OptionValues {}.CutterBrowseFolder;
    if (browse)
        RevealOrSay(this, path);
    return true;
}
