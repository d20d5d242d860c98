#pragma once
// The "MP3 Joiner" page: an ordered list of MP3 files (the list order is the join order), the ID3
// tag for the joined file, and "&Join Now!", which asks for the output file and joins the files by
// copying frames or by re-encoding. It loads its settings share when constructed and, when its
// window was ever shown, saves the tag fields when destroyed; the folder chosen with "Add Folder"
// is stored at once.
#include "engine/join/ChooseJoinMethod.h"
#include "engine/join/JoinStreamFacts.h"
#include "ui/lists/FileListPage.h"
#include "ui/PageSettings.h"

class ElidedLabel;
class GenreComboBox;
class SpinEdit;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

class JoinerPage : public FileListPage {
    Q_OBJECT
public:
    enum Column {
        kFileColumn = 0,
        kTrackColumn = 6,
        kTitleColumn,
        kArtistColumn,
        kAlbumColumn,
        kYearColumn,
        kGenreColumn,
        kCommentColumn,
        kColumnCount
    };

    explicit JoinerPage(QWidget* parent = nullptr);
    ~JoinerPage() override;

    const JoinerSettings& Settings() const { return settings_; }
    const std::string& RememberedFolder() const override { return settings_.Folder; }
    void FolderChosen(const std::string& folder) override;

    int AddFile(const std::string& path) override;
    int InsertFileRow(std::unique_ptr<JoinFileItem> record);
    JoinFileItem* Record(int row) const { return list_->RecordAs<JoinFileItem>(row); }

    void OnRemove();
    void OnRemoveAll();
    void OnUp();
    void OnDown();
    void OnCopyTag();
    void OnBrowse();
    // Save List: asks for the playlist's name, then writes the list there.
    void OnSaveList();
    // Writes the rows as a UTF-8 M3U playlist (".m3u8" is added to a name that is no playlist's);
    // says why when it cannot.
    bool SaveListAs(const std::string& path);
    // Load List: asks for a playlist, then loads it.
    void OnLoadList();
    // Replaces the rows (after asking, when there are some) by the playlist's entries.
    void LoadList(const std::string& playlistPath);
    // Asks for the output file, then joins into it.
    void OnJoinNow();
    // Joins the listed files into outputPath with the two-bar progress dialog; true on success.
    // A track field that is neither empty nor a number from 1 to 255 stops it first, with the
    // message and the focus on the field (the ID3v1 block holds the track in one byte).
    bool JoinInto(const std::string& outputPath);
    // How the listed files would be joined with the current options, shown as the tooltip of
    // "&Join Now!": "Join method: Frame copy, 44,100 Hz stereo" or "Join method: Re-encode to
    // 44,100 Hz 128 kbit/s joint stereo"; empty with fewer than two files.
    QString JoinMethodTip() const;
    // The line under the list: the files' count, length and size, then the join method; it follows
    // every change of the rows and is read again whenever the page shows (the options may differ).
    QString SummaryText() const;
    ElidedLabel* SummaryLabel() const { return summaryLabel_; }
    // Where the last join went, or that it failed or was cancelled.
    ElidedLabel* StatusLabel() const { return statusLabel_; }

    // The controls, for tests and the window checks.
    QPushButton* JoinNowButton() const { return joinNowButton_; }
    QPushButton* AddFilesButton() const { return addFilesButton_; }
    QPushButton* AddFolderButton() const { return addFolderButton_; }
    QPushButton* RemoveButton() const { return removeButton_; }
    QPushButton* RemoveAllButton() const { return removeAllButton_; }
    QPushButton* UpButton() const { return upButton_; }
    QPushButton* DownButton() const { return downButton_; }
    QPushButton* CopyTagButton() const { return copyTagButton_; }
    QPushButton* SaveListButton() const { return saveListButton_; }
    QLineEdit* TitleEdit() const { return titleEdit_; }
    QLineEdit* ArtistEdit() const { return artistEdit_; }
    QLineEdit* AlbumEdit() const { return albumEdit_; }
    QLineEdit* YearEdit() const { return yearEdit_; }
    QLineEdit* CommentEdit() const { return commentEdit_; }
    SpinEdit* TrackEdit() const { return trackEdit_; }
    GenreComboBox* GenreBox() const { return genreBox_; }
    QMenu* ContextMenu() const { return contextMenu_; }
    void UpdateContextMenu();

protected:
    void OnInitDialog() override;
    // Fills the tooltip of "&Join Now!" when it is about to show, so it follows the list and the options.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    // What the join method is chosen from: each row's stream format.
    std::vector<JoinStreamFacts> ListFacts() const;
    // The one choice of method, for the summary and for the join itself.
    JoinMethod PlannedMethod(const std::vector<JoinStreamFacts>& facts) const;
    void ScheduleSummary();
    void UpdateSummary();
    // Whether the output names one of the listed files (under any name).
    bool OutputIsAnInput(const std::string& outputPath) const;
    void BuildContextMenu();
    MenuCommands ContextMenuCommands() const;
    void SelectionChanged();
    void RowsChanged();
    void StepTrack(int steps);
    bool CheckTrackField();
    // The tag fields into the settings; the genre is -1 when none is selected.
    void ReadFields();

    JoinerSettings settings_;
    bool summaryScheduled_ = false;
    ElidedLabel* summaryLabel_ = nullptr;
    ElidedLabel* statusLabel_ = nullptr;
    QPushButton* joinNowButton_ = nullptr;
    QPushButton* addFilesButton_ = nullptr;
    QPushButton* addFolderButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* removeAllButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QPushButton* copyTagButton_ = nullptr;
    QPushButton* saveListButton_ = nullptr;
    QLineEdit* titleEdit_ = nullptr;
    QLineEdit* artistEdit_ = nullptr;
    QLineEdit* albumEdit_ = nullptr;
    QLineEdit* yearEdit_ = nullptr;
    QLineEdit* commentEdit_ = nullptr;
    SpinEdit* trackEdit_ = nullptr;
    GenreComboBox* genreBox_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* playAction_ = nullptr;
    QAction* browseAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* removeAllAction_ = nullptr;
    QAction* upAction_ = nullptr;
    QAction* downAction_ = nullptr;
    QAction* copyTagAction_ = nullptr;
    QAction* addFilesAction_ = nullptr;
    QAction* addFolderAction_ = nullptr;
    QAction* loadListAction_ = nullptr;
    QAction* saveListAction_ = nullptr;
};

// The track text as the tag takes it: its leading decimal digits, 0 when there are none.
int TrackFromText(const QString& text);
