#pragma once
// The "MP3 Cutter" page: one source file, its length, size and tag, a split mode, the pieces list
// on a time slider with a tag per piece, listening to the file and to single pieces, and the cut.
// Every time on the page is in tenths of a second from the start of the file.
//
// CutterPage.cpp builds the page and holds opening, closing, the split modes and the cut;
// CutterPagePieces.cpp the pieces list and its editing; CutterPagePlayback.cpp listening;
// CutterPageKeys.cpp the keys and undo; CutterPageCueAndSilence.cpp the pieces from a CUE sheet and
// at silences; CutterPageSaveSelection.cpp the selected piece saved alone.
#include "engine/cut/SplitRun.h"
#include "ui/widgets/PropertyPage.h"
#include "ui/PageSettings.h"
#include "ui/cutter/PieceList.h"
#include "ui/cutter/PieceListHistory.h"
#include "ui/cutter/SilenceDialog.h"

#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class DigitsSpinEdit;
class LevelLoader;
class LevelStrip;
class MediaPlayer;
class SelectionSlider;
class SpinEdit;
class QAction;
class QMenu;
class QPlainTextEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

class CutterPage : public PropertyPage {
    Q_OBJECT
public:
    enum PlaybackState { kIdle = 0, kPlaying = 1, kPaused = 2, kPreviewing = 3, kPreviewPaused = 4 };
    enum Column { kNumber, kStart, kEnd, kLength, kSize, kTrack, kTitle, kArtist, kAlbum, kYear, kGenre, kComment };

    explicit CutterPage(QWidget* parent = nullptr);
    ~CutterPage() override;

    const CutterSettings& Settings() const { return settings_; }

    // Opens path as the source; the current source is closed first, whatever follows. False when
    // the file cannot be loaded (the page then has no source).
    bool OpenSource(const std::string& path);
    // As the "&Open" button after the file dialog: says so when the file cannot be opened.
    bool OpenSourceAndReport(const std::string& path);
    void CloseSource();
    // Dropped files in drop order: folders and names without ".mp3" are passed over, the first
    // file that opens is kept. False when none opened.
    bool OpenDroppedFiles(const std::vector<std::string>& paths);

    bool HasSource() const { return !source_.path.empty(); }
    const std::string& SourcePath() const { return source_.path; }
    int32_t Duration() const { return duration_; }
    uint64_t SourceSize() const { return sourceSize_; }
    const ID3TagInfo& SourceTag() const { return source_.tag; }
    const std::vector<std::string>& OutputFiles() const { return source_.outputFiles; }
    const PieceList& Pieces() const { return pieces_; }
    PlaybackState State() const { return state_; }
    MediaPlayer* Device() const { return device_.get(); }
    const std::string& ErrorText() const { return errorText_; }

    // t as the page writes every time: with hours when the source lasts an hour or more.
    QString TimeText(int32_t tenths) const;
    // The selected row, or -1.
    int SelectedRow() const;
    void SelectRow(int row);
    // Moves the slider as the user would (a complete move, with its scroll handling).
    void MoveSliderByUser(int32_t tenths);

    // Takes the contents of the split-mode controls into the fields, the checked mode always. An
    // edit without a number says "Please enter an integer.", keeps its field's value and shows it
    // again, so the edits show what a cut uses. False when an edit was refused.
    bool TakeControlValues();
    // Enables the context menu's items for the current state.
    void UpdateContextMenu();

    QLineEdit* SourceEdit() const { return sourceEdit_; }
    QPushButton* OpenButton() const { return openButton_; }
    QPlainTextEdit* InfoText() const { return infoText_; }
    QRadioButton* ModeButton(int mode) const { return modeButtons_[mode]; }
    DigitsSpinEdit* SizeEdit() const { return sizeEdit_; }
    DigitsSpinEdit* CountEdit() const { return countEdit_; }
    DigitsSpinEdit* MinutesEdit() const { return minutesEdit_; }
    DigitsSpinEdit* SecondsEdit() const { return secondsEdit_; }
    QPushButton* CutButton() const { return cutButton_; }
    SpinEdit* PositionEdit() const { return positionEdit_; }
    QPushButton* AddPieceButton() const { return addPieceButton_; }
    QPushButton* PlayButton() const { return playButton_; }
    QPushButton* StopButton() const { return stopButton_; }
    SelectionSlider* Slider() const { return slider_; }
    LevelStrip* Strip() const { return strip_; }
    LevelLoader* Levels() const { return levelLoader_; }
    QPushButton* SetStartButton() const { return setStartButton_; }
    QPushButton* SetEndButton() const { return setEndButton_; }
    QPushButton* GoToStartButton() const { return goToStartButton_; }
    QPushButton* GoToEndButton() const { return goToEndButton_; }
    QPushButton* PreviewButton() const { return previewButton_; }
    QTreeWidget* PiecesList() const { return list_; }
    QPushButton* TagButton() const { return tagButton_; }
    QPushButton* RemoveButton() const { return removeButton_; }
    QPushButton* ResetButton() const { return resetButton_; }
    QPushButton* LoadCueButton() const { return loadCueButton_; }
    QPushButton* SilencesButton() const { return silencesButton_; }
    QPushButton* SaveSelectionButton() const { return saveSelectionButton_; }
    QMenu* ContextMenu() const { return contextMenu_; }
    QAction* PreviewAction() const { return previewAction_; }
    QAction* TagAction() const { return tagAction_; }
    QAction* RemoveAction() const { return removeAction_; }
    QAction* ResetAction() const { return resetAction_; }
    QAction* BrowseAction() const { return browseAction_; }
    QAction* SaveSelectionAction() const { return saveSelectionAction_; }
    QAction* UndoAction() const { return undoAction_; }
    QAction* RedoAction() const { return redoAction_; }

    // The buttons' handlers, public so the tests and the keyboard reach them as the buttons do.
    void OnOpen();
    void OnCutNow();
    void OnAddPiece();
    void OnSetStart();
    void ShowBoundaryEdit(PieceList::Edit edit, size_t selected, const char* refusal);
    void OnSetEnd();
    void OnGoToStart();
    void OnGoToEnd();
    void OnRemove();
    void OnReset();
    void OnEditTag();
    void OnBrowse();
    // "Save Selection As...": the selected piece alone, to a file chosen in the save dialog.
    void OnSaveSelectionAs();
    // Writes the selected piece to path as a cut writes it, with its tag; says why when it fails.
    // The source itself is never the target. False when nothing was saved.
    bool SaveSelectionTo(const std::string& path);
    void OnPlay();
    void OnStop();
    void OnPreview();
    void OnLoadCue();
    void OnAddPiecesAtSilences();
    // The sheet's audio file becomes the source (unless it is already) and its tracks the pieces
    // list, in the "By selection" mode. False, having said why, when the sheet or its file fails.
    bool LoadCueSheetFile(const std::string& sheetPath);
    // A boundary in the middle of every silence between passages; false, having said so, when
    // there is none. The dialog's values, as the settings hold them.
    bool AddPiecesAtSilences(const SilenceSplitSettings& values);
    // Runs the silence dialog, modal; tests replace it.
    std::function<bool(SilenceSplitSettings&)> runSilenceDialog;
    // Dragging the marker of boundary index (between pieces index and index + 1) to ms: Set Start
    // on the later piece when it moves left, Set End on the earlier when it moves right, with the
    // boundary kept to the sample under the pointer (the rows show its tenth).
    void OnBoundaryDragged(int index, double ms);
    // Keys of the slider, the strip and the page: zoom (+ - 0), [ and ] set the start and end at
    // the position (the playing one during playback), L loops the selected piece, Left/Right move
    // the position by a frame, with Shift by a second.
    void OnPageKey(int key, Qt::KeyboardModifiers modifiers);
    // Ctrl+Z and Ctrl+Shift+Z: every edit of the pieces list is undone and redone.
    void OnUndo();
    void OnRedo();
    const PieceListHistory& History() const { return history_; }
    bool Looping() const { return looping_; }
    // The position as a sample of the source's decode: finer than the slider's tenth after a nudge
    // by a frame or a key that took the playing position, else the slider's tenth.
    int64_t PositionSample() const;

protected:
    void OnInitDialog() override;
    // Enter in the position box moves the position to the time typed there.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Building and state of the controls (CutterPage.cpp).
    void BuildControls();
    void BuildPiecesList();
    // How the controls follow a window larger than the default (CutterPageAnchors.cpp).
    void AnchorControls();
    // The strip's share of a taller page, and the slider, its buttons and the list moved below it.
    void GrowLevelStrip(int extraHeight);
    void BuildContextMenu();
    void DisableSourceControls();
    void ApplySplitMode();
    void ShowControlValues();
    void WriteInfoText();
    const CutOptions& CutterOptions() const;

    // The pieces list (CutterPagePieces.cpp).
    PieceEntry NewPieceEntry() const;
    void AddPieceAt(int32_t position, bool setSliderSelection, bool selectRow, bool& added);
    void RefreshRows();
    void WriteRow(int row);
    QString SizeEstimateText(const PieceEntry& piece) const;
    QString TrackText(const PieceEntry& piece) const;
    void SelectionChanged();
    void RowCheckChanged();
    void ShowSelectedPieceOnSlider();
    void EnablePieceButtons(bool enable);
    void OnPositionSpin(int steps);
    void OnPositionEntered();
    void OpenContextMenuAt(const QPoint& globalPosition);

    // Undo, the keys and the position finer than a tenth (CutterPageKeys.cpp).
    PieceListSnapshot Snapshot() const;
    void BeginEdit();
    void EndEdit();
    void RestoreSnapshot(const PieceListSnapshot& snapshot);
    void NudgePosition(int64_t samples);
    // The position to that sample of the source (clamped to it), the slider to its nearest tenth.
    void MovePositionToSample(int64_t sample);
    void TakePlayingPosition();
    void ForgetFinePosition();
    void MarkFineBoundary(int32_t tenths);
    void OnLoopKey();
    void FollowSelectedPieceInPreview();

    // The level strip (CutterPageStrip.cpp).
    void BuildLevelStrip();
    void OpenLevelStrip(const std::string& path);
    void ShowBoundariesOnStrip();
    // A bound of a row in milliseconds: its sample while that still counts, else its time.
    double BoundMs(int64_t sample, int32_t tenths, int64_t ms) const;

    // Listening (CutterPagePlayback.cpp).
    void ResetPlayback();
    void StopPlaybackTimer();
    void StartPlaybackTimer();
    void ShowPosition(int32_t tenths);
    void PlayRest(int32_t from);
    void PlayRange(int32_t from, int32_t to);
    void PauseAndShowPosition();
    int32_t DevicePosition() const;
    void OnPlaybackTimer();
    void OnPlayedToEnd();
    void OnSliderScrolled(bool complete);
    void SetPlayText(bool playing);

    CutterSettings settings_;
    CutterSource source_; // path, tag, the totals the engine reads and the last run's outputs
    int32_t duration_ = 0;
    uint64_t sourceSize_ = 0; // the whole size, also above 4 GiB
    PieceList pieces_;
    std::string errorText_;
    std::unique_ptr<MediaPlayer> device_;

    PlaybackState state_ = kIdle;
    int32_t pausedPosition_ = 0;
    int32_t playStart_ = 0;
    int32_t previewStart_ = 0;
    int32_t previewEnd_ = 0;
    bool dragging_ = false;
    QTimer playbackTimer_;
    bool refreshingRows_ = false; // rows written by the page report no check change
    bool looping_ = false; // the preview starts again at its end

    PieceListHistory history_;
    PieceListSnapshot editBefore_;
    int editDepth_ = 0; // edits made of other edits (a marker drag) are recorded once
    int sampleRate_ = 0;
    int samplesPerFrame_ = 0;
    int64_t fineSample_ = -1; // the position to the sample, while the slider stands at fineTenths_
    int32_t fineTenths_ = -1;

    QLineEdit* sourceEdit_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPlainTextEdit* infoText_ = nullptr;
    QRadioButton* modeButtons_[4] = {};
    DigitsSpinEdit* sizeEdit_ = nullptr;
    DigitsSpinEdit* countEdit_ = nullptr;
    DigitsSpinEdit* minutesEdit_ = nullptr;
    DigitsSpinEdit* secondsEdit_ = nullptr;
    QPushButton* cutButton_ = nullptr;
    SpinEdit* positionEdit_ = nullptr;
    QPushButton* addPieceButton_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    SelectionSlider* slider_ = nullptr;
    LevelStrip* strip_ = nullptr;
    LevelLoader* levelLoader_ = nullptr;
    QPushButton* setStartButton_ = nullptr;
    QPushButton* setEndButton_ = nullptr;
    QPushButton* goToStartButton_ = nullptr;
    QPushButton* goToEndButton_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* tagButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* loadCueButton_ = nullptr;
    QPushButton* silencesButton_ = nullptr;
    QPushButton* saveSelectionButton_ = nullptr;
    QRect stripBase_; // the strip and the list at the default size
    QRect listBase_;
    std::vector<std::pair<QWidget*, int>> stripBand_; // controls below the strip, their default top
    QMenu* contextMenu_ = nullptr;
    QAction* previewAction_ = nullptr;
    QAction* tagAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    QAction* resetAction_ = nullptr;
    QAction* browseAction_ = nullptr;
    QAction* saveSelectionAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
};
