#pragma once
// The "MP3 Batch Cutter" page: a list of MP3 files, each cut the same way (by size, by count, by
// time, or at its silences with the values of the cutter's "Add Pieces at Silences"), all of them or the selected ones, with each file's outcome in its "Status" column. It loads
// its settings share when constructed and, when its window was ever shown, saves the split values
// when destroyed; the folder chosen with "Add Folder" is stored at once.
#include "ui/lists/FileListPage.h"
#include "ui/PageSettings.h"

#include <set>

class StepSpinBox;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;

class BatchCutterPage : public FileListPage {
    Q_OBJECT
public:
    // The list's columns; "Status" is written only by the cutting job.
    enum Column { kFileColumn = 0, kStatusColumn = 6 };

    explicit BatchCutterPage(QWidget* parent = nullptr);
    ~BatchCutterPage() override;

    const BatchCutterSettings& Settings() const { return settings_; }
    const std::string& RememberedFolder() const override { return settings_.Folder; }
    void FolderChosen(const std::string& folder) override;

    // A file the list already holds (the same file under any name) is skipped and gives 0.
    int AddFile(const std::string& path) override;
    int InsertFileRow(std::unique_ptr<BatchFileItem> record);
    BatchFileItem* Record(int row) const { return list_->RecordAs<BatchFileItem>(row); }

    void OnRemove();
    void OnRemoveAll();
    void OnCutAll();
    void OnCutSelected();
    void OnBrowseSource();
    void OnBrowseOutput();
    // Cuts the rows in this order with the two-bar progress dialog.
    void RunBatchJob(const std::vector<int>& rows);

    // The controls, for tests and the window checks.
    QRadioButton* ModeButton(int mode) const { return modeButtons_[mode]; }
    StepSpinBox* SizeSpin() const { return sizeSpin_; }
    QSpinBox* CountSpin() const { return countSpin_; }
    QSpinBox* MinutesSpin() const { return minutesSpin_; }
    QSpinBox* SecondsSpin() const { return secondsSpin_; }
    QLabel* SilenceValuesLabel() const { return silenceValues_; }
    QPushButton* CutAllButton() const { return cutAllButton_; }
    QPushButton* CutSelectedButton() const { return cutSelectedButton_; }
    QPushButton* AddFilesButton() const { return addFilesButton_; }
    QPushButton* AddFolderButton() const { return addFolderButton_; }
    QPushButton* RemoveButton() const { return removeButton_; }
    QPushButton* RemoveAllButton() const { return removeAllButton_; }
    QMenu* ContextMenu() const { return contextMenu_; }
    // The context menu's items as they would show for the list as it is.
    void UpdateContextMenu();

protected:
    void OnInitDialog() override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void BuildContextMenu();
    MenuCommands ContextMenuCommands() const;
    void ModeChanged(int mode);
    void EnableModeEdits();
    // The silence values as the settings hold them now, shown beside "By silence".
    SilenceSplitSettings ShowSilenceValues();
    void SelectionChanged();
    void RowsChanged();
    // The mode and the spins' values into the settings.
    void ReadValues();
    void SetStatus(int row, const QString& text);
    // Keeps listedFiles_ in step with the rows, however they are added, moved or removed.
    void TrackListedFiles();

    BatchCutterSettings settings_;
    std::multiset<FileIdentity> listedFiles_; // the files of the rows, for the duplicate check
    std::string errorText_; // the message of the last failed split run
    QRadioButton* modeButtons_[4] = {};
    QLabel* silenceValues_ = nullptr;
    StepSpinBox* sizeSpin_ = nullptr;
    QSpinBox* countSpin_ = nullptr;
    QSpinBox* minutesSpin_ = nullptr;
    QSpinBox* secondsSpin_ = nullptr;
    QPushButton* cutAllButton_ = nullptr;
    QPushButton* addFilesButton_ = nullptr;
    QPushButton* addFolderButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* removeAllButton_ = nullptr;
    QPushButton* cutSelectedButton_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* playAction_ = nullptr;
    QAction* cutSelectedAction_ = nullptr;
    QAction* cutAllAction_ = nullptr;
    QAction* browseSourceAction_ = nullptr;
    QAction* browseOutputAction_ = nullptr;
    QAction* addFilesAction_ = nullptr;
    QAction* addFolderAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* removeAllAction_ = nullptr;
};
