#include "ui/cutter/CutterPage.h"

#include "engine/stream/GenreNames.h"
#include "engine/stream/ID3TagText.h"
#include "engine/stream/OpenFailureReason.h"
#include "engine/stream/ReadSourceTag.h"
#include "platform/PathHelpers.h"
#include "platform/TextFormat.h"
#include "ui/widgets/DesktopOutcome.h"
#include "ui/widgets/DigitsSpinEdit.h"
#include "ui/playback/MediaPlayer.h"
#include "ui/widgets/ProgressDialog.h"
#include "ui/cutter/LevelLoader.h"
#include "ui/cutter/LevelStrip.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/widgets/SpinEdit.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/widgets/MessageBox.h"
#include "ui/ProductInfo.h"
#include "ui/widgets/PumpMessages.h"
#include "ui/widgets/WindowHelpers.h"

#include <QButtonGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <limits>

namespace {

constexpr int kSpinMaximum = 32767;
constexpr int kSizeStep = 10; // KB per arrow click
constexpr int kModeBySelection = 3;

QLabel* AddLabel(QWidget* page, const QString& text, const QRect& area, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text, page);
    label->setGeometry(area);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QPushButton* AddButton(QWidget* page, const QString& caption, const QRect& area)
{
    auto* button = new QPushButton(caption, page);
    button->setGeometry(area);
    button->setAutoDefault(false);
    return button;
}

DigitsSpinEdit* AddSplitEdit(QWidget* page, const QRect& area, int maximum)
{
    auto* edit = new DigitsSpinEdit(page);
    edit->setGeometry(area);
    edit->SetRange(0, maximum);
    return edit;
}

QString Unicode(const std::string& utf8) { return QString::fromStdString(utf8); }

} // namespace

CutterPage::CutterPage(QWidget* parent)
    : PropertyPage("MP3 Cutter", parent)
{
    LoadCutterSettings(settings_);
    playbackTimer_.setInterval(100);
    connect(&playbackTimer_, &QTimer::timeout, this, &CutterPage::OnPlaybackTimer);
    BuildControls();
    BuildContextMenu();
    AnchorControls();
    setAcceptDrops(true);
}

CutterPage::~CutterPage()
{
    playbackTimer_.stop();
    if (device_)
        device_->Close();
    if (IsInitialised()) {
        TakeControlValues();
        SaveCutterSettings(settings_, kGroupSplitMode);
    }
}

void CutterPage::BuildControls()
{
    sourceEdit_ = new QLineEdit(this);
    sourceEdit_->setReadOnly(true);
    sourceEdit_->setGeometry(DialogRect(52, 7, 320, 13));
    AddLabel(this, "Source &File:", DialogRect(7, 9, 44, 9), sourceEdit_);
    openButton_ = AddButton(this, "&Open", DialogRect(379, 6, 55, 15));

    infoText_ = new QPlainTextEdit(this);
    infoText_->setReadOnly(true);
    infoText_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    infoText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    infoText_->setGeometry(DialogRect(7, 26, 222, 84));

    const char* modeCaptions[] = { "By si&ze", "By &count", "By ti&me", "By selectio&n" };
    auto* modes = new QButtonGroup(this);
    for (int mode = 0; mode < 4; ++mode) {
        modeButtons_[mode] = new QRadioButton(modeCaptions[mode], this);
        // The last mode has no edit beside it and takes the room for its longer caption.
        modeButtons_[mode]->setGeometry(DialogRect(238, 28 + 17 * mode, mode == kModeBySelection ? 100 : 56, 10));
        modes->addButton(modeButtons_[mode], mode);
        connect(modeButtons_[mode], &QRadioButton::clicked, this, &CutterPage::ApplySplitMode);
    }
    sizeEdit_ = AddSplitEdit(this, DialogRect(296, 26, 40, 13), kSpinMaximum);
    sizeEdit_->SetStep(kSizeStep);
    AddLabel(this, "KB each file", DialogRect(340, 28, 94, 9));
    countEdit_ = AddSplitEdit(this, DialogRect(296, 43, 40, 13), kSpinMaximum);
    AddLabel(this, "equal-sized files", DialogRect(340, 45, 94, 9));
    minutesEdit_ = AddSplitEdit(this, DialogRect(296, 60, 40, 13), kSpinMaximum);
    AddLabel(this, "min", DialogRect(339, 62, 14, 9));
    secondsEdit_ = AddSplitEdit(this, DialogRect(354, 60, 30, 13), 59);
    AddLabel(this, "sec each file", DialogRect(387, 62, 47, 9));
    cutButton_ = AddButton(this, "Cut", DialogRect(354, 93, 80, 17));

    positionEdit_ = new SpinEdit(this);
    positionEdit_->setGeometry(DialogRect(7, 118, 60, 14));
    positionEdit_->installEventFilter(this);
    addPieceButton_ = AddButton(this, "&Add Piece", DialogRect(72, 117, 55, 15));
    playButton_ = AddButton(this, "&Play", DialogRect(324, 117, 53, 15));
    stopButton_ = AddButton(this, "S&top", DialogRect(381, 117, 53, 15));

    slider_ = new SelectionSlider(this);
    slider_->setGeometry(DialogRect(4, 177, 433, 16));
    BuildLevelStrip(); // above the slider, from y 135

    setStartButton_ = AddButton(this, "Set Start", DialogRect(7, 196, 53, 15));
    setEndButton_ = AddButton(this, "Set End", DialogRect(64, 196, 53, 15));
    goToStartButton_ = AddButton(this, "Go to Start", DialogRect(134, 196, 53, 15));
    goToEndButton_ = AddButton(this, "Go to End", DialogRect(191, 196, 53, 15));
    previewButton_ = AddButton(this, "Previe&w", DialogRect(381, 196, 53, 15));

    BuildPiecesList();
    tagButton_ = AddButton(this, "&ID3 tag", DialogRect(7, 282, 55, 15));
    loadCueButton_ = AddButton(this, "&Load CUE...", DialogRect(66, 282, 55, 15));
    silencesButton_ = AddButton(this, "Add Pieces at &Silences...", DialogRect(125, 282, 100, 15));
    saveSelectionButton_ = AddButton(this, "Sa&ve Selection As...", DialogRect(229, 282, 89, 15));
    removeButton_ = AddButton(this, "&Remove", DialogRect(322, 282, 53, 15));
    resetButton_ = AddButton(this, "R&eset", DialogRect(381, 282, 53, 15));

    connect(openButton_, &QPushButton::clicked, this, &CutterPage::OnOpen);
    connect(cutButton_, &QPushButton::clicked, this, &CutterPage::OnCutNow);
    connect(addPieceButton_, &QPushButton::clicked, this, &CutterPage::OnAddPiece);
    connect(playButton_, &QPushButton::clicked, this, &CutterPage::OnPlay);
    connect(stopButton_, &QPushButton::clicked, this, &CutterPage::OnStop);
    connect(previewButton_, &QPushButton::clicked, this, &CutterPage::OnPreview);
    connect(setStartButton_, &QPushButton::clicked, this, &CutterPage::OnSetStart);
    connect(setEndButton_, &QPushButton::clicked, this, &CutterPage::OnSetEnd);
    connect(goToStartButton_, &QPushButton::clicked, this, &CutterPage::OnGoToStart);
    connect(goToEndButton_, &QPushButton::clicked, this, &CutterPage::OnGoToEnd);
    connect(tagButton_, &QPushButton::clicked, this, &CutterPage::OnEditTag);
    connect(removeButton_, &QPushButton::clicked, this, &CutterPage::OnRemove);
    connect(resetButton_, &QPushButton::clicked, this, &CutterPage::OnReset);
    connect(loadCueButton_, &QPushButton::clicked, this, &CutterPage::OnLoadCue);
    connect(silencesButton_, &QPushButton::clicked, this, &CutterPage::OnAddPiecesAtSilences);
    connect(saveSelectionButton_, &QPushButton::clicked, this, &CutterPage::OnSaveSelectionAs);
    connect(positionEdit_, &SpinEdit::StepRequested, this, &CutterPage::OnPositionSpin);
    connect(slider_, &SelectionSlider::Scrolled, this, &CutterPage::OnSliderScrolled);
    connect(slider_, &SelectionSlider::PlayPauseRequested, this, [this] {
        if (playButton_->isEnabled())
            OnPlay();
    });
}

void CutterPage::OnInitDialog()
{
    ShowControlValues();
    DisableSourceControls();
    cutButton_->setText("C&ut Now!");
    positionEdit_->SetText(TimeText(0));
}

const CutOptions& CutterPage::CutterOptions() const
{
    static const OptionValues defaults;
    return LiveOptions() ? LiveOptions()->cut : defaults.cut;
}

void CutterPage::ShowControlValues()
{
    const SplitModeSettings& mode = settings_.splitMode;
    sizeEdit_->SetText(QString::number(mode.CutFileSize));
    countEdit_->SetText(QString::number(mode.CutFileAmount));
    minutesEdit_->SetText(QString::number(mode.CutTimeMin));
    secondsEdit_->SetText(QString::number(mode.CutTimeSec));
    if (mode.CutType >= 0 && mode.CutType < 4)
        modeButtons_[mode.CutType]->setChecked(true);
}

bool CutterPage::TakeControlValues()
{
    SplitModeSettings& mode = settings_.splitMode;
    const std::pair<DigitsSpinEdit*, int32_t*> fields[] = { { sizeEdit_, &mode.CutFileSize },
        { countEdit_, &mode.CutFileAmount }, { secondsEdit_, &mode.CutTimeSec }, { minutesEdit_, &mode.CutTimeMin } };
    // Every edit is read on its own and the mode always: a refused edit shows the value that stays
    // in force, so the checked mode, its edits and the cut never disagree.
    DigitsSpinEdit* refused = nullptr;
    for (const auto& [edit, field] : fields) {
        if (const std::optional<int> number = edit->Number()) {
            *field = *number;
            continue;
        }
        edit->SetText(QString::number(*field));
        if (!refused)
            refused = edit;
    }
    for (int type = 0; type < 4; ++type) {
        if (modeButtons_[type]->isChecked())
            mode.CutType = type;
    }
    if (!refused)
        return true;
    ShowMessageBox(isVisible() ? this : nullptr, "Please enter an integer.");
    if (refused->isEnabled())
        refused->setFocus();
    return false;
}

void CutterPage::DisableSourceControls()
{
    for (QWidget* control :
        std::initializer_list<QWidget*> { sizeEdit_, countEdit_, minutesEdit_, secondsEdit_, previewButton_, tagButton_,
            removeButton_, saveSelectionButton_, goToStartButton_, goToEndButton_, setStartButton_, setEndButton_,
            resetButton_, addPieceButton_, list_, modeButtons_[0], modeButtons_[1], modeButtons_[2], modeButtons_[3],
            cutButton_, positionEdit_, playButton_, stopButton_, slider_, silencesButton_ })
        control->setEnabled(false);
}

void CutterPage::ApplySplitMode()
{
    TakeControlValues();
    const int mode = settings_.splitMode.CutType;
    const bool loaded = HasSource();
    sizeEdit_->setEnabled(loaded && mode == 0);
    countEdit_->setEnabled(loaded && mode == 1);
    minutesEdit_->setEnabled(loaded && mode == 2);
    secondsEdit_->setEnabled(loaded && mode == 2);
    const bool bySelection = loaded && mode == kModeBySelection;
    resetButton_->setEnabled(bySelection);
    addPieceButton_->setEnabled(bySelection);
    list_->setEnabled(bySelection);
    EnablePieceButtons(bySelection && SelectedRow() >= 0);
    if (!loaded)
        return;
    if (mode == 0)
        sizeEdit_->setFocus();
    else if (mode == 1)
        countEdit_->setFocus();
    else if (mode == 2)
        minutesEdit_->setFocus();
}

QString CutterPage::TimeText(int32_t tenths) const
{
    const int64_t t = tenths;
    if (duration_ >= 36000) {
        return QString::asprintf("%d:%02d:%02d.%d", static_cast<int>(t / 36000), static_cast<int>(t % 36000 / 600),
            static_cast<int>(t % 600 / 10), static_cast<int>(t % 10));
    }
    return QString::asprintf(
        "%d:%02d.%d", static_cast<int>(t / 600), static_cast<int>(t % 600 / 10), static_cast<int>(t % 10));
}

bool CutterPage::OpenSource(const std::string& path)
{
    CloseSource();
    const std::optional<std::string> extension = GetFileExtension(path);
    if (!extension || !EqualsIgnoreCase(*extension, ".mp3"))
        return false;

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto device = std::make_unique<MediaPlayer>();
    std::optional<int64_t> lengthMs;
    if (device->Open(path))
        lengthMs = device->LengthMs();
    QGuiApplication::restoreOverrideCursor();
    uint64_t size = 0;
    if (!lengthMs || !GetFileSize64(path, size))
        return false;

    const int64_t tenths = *lengthMs / 100;
    duration_ = static_cast<int32_t>(std::min<int64_t>(tenths, std::numeric_limits<int32_t>::max()));
    sourceSize_ = size;
    for (QWidget* control : std::initializer_list<QWidget*> { modeButtons_[0], modeButtons_[1], modeButtons_[2],
             modeButtons_[3], cutButton_, positionEdit_, playButton_, stopButton_, slider_, silencesButton_ })
        control->setEnabled(true);

    ID3TagInfo tag;
    if (!ReadSourceTag(path, tag)) {
        tag = ID3TagInfo {};
        tag.genre = 255;
    }
    device_ = std::move(device);
    connect(device_.get(), &MediaPlayer::PlayedToEnd, this, &CutterPage::OnPlayedToEnd);
    source_.path = path;
    source_.tag = tag;
    source_.totalSize = size;
    source_.totalDuration = duration_;
    sourceEdit_->setText(QString::fromStdString(path));
    ResetPlayback();
    WriteInfoText();

    slider_->setRange(0, duration_);
    slider_->setPageStep(std::max(1, duration_ / 20));
    slider_->setValue(0);
    positionEdit_->SetText(TimeText(0));

    pieces_.Reset(duration_);
    history_.Clear();
    ForgetFinePosition();
    bool added = false;
    AddPieceAt(0, true, true, added);
    ApplySplitMode();
    OpenLevelStrip(path);
    return true;
}

bool CutterPage::OpenSourceAndReport(const std::string& path)
{
    if (OpenSource(path))
        return true;
    const std::string failure = WithOpenFailureReason("Failed to open file \"" + path + "\".", path);
    ShowMessageBox(this,
        QString("%1\n\nTo get help, please contact us at <%2>.").arg(QString::fromStdString(failure), kSupportAddress));
    return false;
}

void CutterPage::OnOpen()
{
    std::vector<std::string> files;
    if (!ShowFileDialog(this, "MP3 Files (*.mp3);;All Files (*.*)", kFileMustExist, files, QString(), true)
        || files.empty())
        return;
    PumpMessages();
    OpenSourceAndReport(files.front());
}

void CutterPage::CloseSource()
{
    if (!HasSource())
        return;
    StopPlaybackTimer();
    if (device_) {
        device_->Close();
        // Deleted later: a notice it has queued may still be on its way.
        device_.release()->deleteLater();
    }
    source_ = CutterSource {};
    duration_ = 0;
    sourceSize_ = 0;
    state_ = kIdle;
    SetPlayText(false);
    previewButton_->setText("Previe&w");

    positionEdit_->SetText(TimeText(0));
    slider_->setValue(0);
    slider_->setRange(0, 0);
    slider_->ClearSelection();
    levelLoader_->Stop();
    strip_->Clear();
    sourceEdit_->clear();
    infoText_->clear();
    DisableSourceControls();
    pieces_.Reset(0);
    history_.Clear();
    ForgetFinePosition();
    RefreshRows();
}

bool CutterPage::OpenDroppedFiles(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        if (path.empty() || IsDirectory(path))
            continue;
        // A file that cannot be an MP3 source by its name is passed over before the current source
        // is closed, so dropping one by mistake keeps the pieces the user has set.
        const std::optional<std::string> extension = GetFileExtension(path);
        if (!extension || !EqualsIgnoreCase(*extension, ".mp3"))
            continue;
        if (OpenSource(path))
            return true;
    }
    return false;
}

void CutterPage::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CutterPage::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
    OpenDroppedFiles(paths);
}

void CutterPage::WriteInfoText()
{
    const ID3TagInfo& tag = source_.tag;
    const QString track = tag.hasTrack && tag.track > 0 ? QString::number(tag.track) : QString();
    const QString text
        = QString("Length: %1          Size: %2\n\nTrack #: %3\nTitle: %4\nArtist: %5\nAlbum: %6\n"
                  "Year: %7          Genre: %8\nComment: %9")
              .arg(QString::fromStdString(FormatTime(duration_ / 10)), QString::fromStdString(FormatSize(sourceSize_)),
                  track, Unicode(TagText(tag, TagField::Title)), Unicode(TagText(tag, TagField::Artist)),
                  Unicode(TagText(tag, TagField::Album)), Unicode(TagText(tag, TagField::Year)),
                  Unicode(TagGenreText(tag)), Unicode(TagText(tag, TagField::Comment)));
    infoText_->setPlainText(text);
}

void CutterPage::OnCutNow()
{
    if (!HasSource())
        return;
    // An edit without a number was just said and shown again with the value in force: the user
    // looks at it before anything is cut.
    if (!TakeControlValues())
        return;
    // The sound pauses for the cut, as the Play button would pause it.
    if (state_ == kPlaying || state_ == kPreviewing)
        OnPlay();
    QWidget* mainWindow = CurrentMainWindow();
    if (mainWindow)
        mainWindow->setEnabled(false);
    ProgressDialog* progress = ProgressDialog::Create();
    progress->SetLabel(JobProgress::Upper, "Cutting " + GetFileNamePart(source_.path) + "...");
    progress->PumpNow();

    SplitSettings split;
    split.options = CutterOptions();
    split.job = progress;
    errorText_.clear();
    bool succeeded = true;
    const SplitModeSettings& mode = settings_.splitMode;
    switch (mode.CutType) {
    case 0:
        succeeded = CutBySize(source_, mode.CutFileSize, split, errorText_);
        break;
    case 1:
        succeeded = CutByCount(source_, mode.CutFileAmount, split, errorText_);
        break;
    case 2:
        succeeded = CutByTime(source_, mode.CutTimeMin, mode.CutTimeSec, split, errorText_);
        break;
    case kModeBySelection:
        succeeded = CutBySelection(source_, pieces_.Entries(), split, errorText_);
        break;
    default:
        break;
    }
    progress->PostClose();
    if (mainWindow)
        mainWindow->setEnabled(true);

    // A row names only a file its last run left: a cancelled or failed run removed the others.
    for (PieceEntry& entry : pieces_.Entries()) {
        const auto& outputs = source_.outputFiles;
        if (std::find(outputs.begin(), outputs.end(), entry.outputPath) == outputs.end())
            entry.outputPath.clear();
    }
    RefreshRows();

    if (!succeeded) {
        ShowMessageBox(this, QString::fromStdString(errorText_));
        return;
    }
    const bool browse = LiveOptions() ? LiveOptions()->CutterBrowseFolder : OptionValues {}.CutterBrowseFolder;
    if (browse && !source_.outputFiles.empty())
        RevealOrSay(this, source_.outputFiles.front());
}
