#pragma once
// What the batch cutter page and the joiner page share: their file list and how files get into it
// (Add Files, Add Folder, dropping files, folders and shortcuts), the loading of each file with a
// progress dialog and the report of those that failed, removing rows, and playing a listed file.
// Each page adds its own files (AddFile) and fills its own rows.
#include "ui/widgets/PropertyPage.h"
#include "ui/lists/SortableList.h"
#include "ui/lists/ContextMenuUpdate.h"

#include <span>
#include <string>
#include <vector>

class ProgressDialog;
class QMenu;

class FileListPage : public PropertyPage {
    Q_OBJECT
public:
    explicit FileListPage(const QString& title, QWidget* parent = nullptr);

    SortableList* List() const { return list_; }

    // The row index of the added file; -1 when it is not an MP3 file the probe can open. A page that
    // skips files it already lists returns 0 for them.
    virtual int AddFile(const std::string& path) = 0;

    // The commands of the buttons and menus.
    void OnAddFiles();
    void OnAddFolder();
    void OnPlay();
    // What Add Folder does once a folder is chosen: searches it, then loads what it found.
    void AddFolder(const std::string& folder);
    // What a drop of these local paths does.
    void DropPaths(const std::vector<std::string>& paths);
    // Adds each candidate in order with a progress dialog (the search's, or a new one when none is
    // given), then reports the candidates that failed. An M3U playlist among them adds its entries.
    void LoadFileList(const std::vector<std::string>& candidates, ProgressDialog* dialog = nullptr);

    // The folder Add Folder opens on, and the one it chose, stored at once.
    virtual const std::string& RememberedFolder() const = 0;
    virtual void FolderChosen(const std::string& folder) = 0;

protected:
    void CreateList(const QRect& area, std::span<const ListColumn> columns);
    // Deletes the selected rows with their records; false, after the hint, when none is selected.
    bool RemoveSelectedRows();
    // Deletes every row; false, after the hint, when the list is empty.
    bool RemoveAllRows();
    // The first selected row, or -1.
    int FirstSelectedRow() const;
    // The option values of the run, or the defaults for a page outside the program.
    const OptionValues& Options() const;
    // A job disables the window that holds the page while it runs.
    void EnableWindowForJob(bool enable);
    // Updates the items by the rules and opens the menu there.
    void OpenContextMenu(QMenu& menu, const MenuCommands& commands, const QPoint& globalPosition);

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    SortableList* list_ = nullptr;
};

// The candidates with every playlist among them replaced by its entries; a playlist that cannot be
// read, or only in part, adds a line naming it and why to failures.
std::vector<std::string> ExpandPlaylists(const std::vector<std::string>& candidates, std::vector<std::string>& failures);
// "Failed to load the following files.\n\n%s\n" and the sentence naming the support address.
QString LoadFailureMessage(const std::string& failedFiles);
