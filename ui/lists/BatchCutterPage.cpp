#include "ui/lists/BatchCutterPage.h"

#include "engine/cut/CutBySilence.h"
#include "engine/cut/SplitRun.h"
#include "platform/FolderSearch.h"
#include "platform/PathHelpers.h"
#include "ui/widgets/DesktopOutcome.h"
#include "ui/widgets/DualProgressDialog.h"
#include "ui/widgets/StepSpinBox.h"
#include "ui/lists/FileListRows.h"
#include "ui/lists/ProbeListFile.h"
#include "ui/widgets/PumpMessages.h"
#include "ui/widgets/WaitCursor.h"
#include "ui/widgets/WindowHelpers.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <algorithm>
#include <array>

namespace {

constexpr std::array<ListColumn, 7> kBatchColumns { {
    { "File", 130, Qt::AlignLeft, false },
    { "Size", 65, Qt::AlignRight, true },
    { "Length", 50, Qt::AlignRight, true },
    { "BitRate", 63, Qt::AlignRight, true },
    { "Freq.", 63, Qt::AlignRight, true },
    { "Ch.", 55, Qt::AlignLeft, false },
    { "Status", 118, Qt::AlignLeft, false },
} };

QPushButton* AddButton(QWidget* page, const QString& caption, const QRect& area)
{
    auto* button = new QPushButton(caption, page);
    button->setGeometry(area);
    button->setAutoDefault(false);
    return button;
}

QSpinBox* AddSpin(QSpinBox* spin, const QRect& area, int lowest, int highest)
{
    spin->setGeometry(area);
    spin->setRange(lowest, highest);
    spin->setAlignment(Qt::AlignLeft);
    return spin;
}

void AddLabel(QWidget* page, const QString& text, const QRect& area) { (new QLabel(text, page))->setGeometry(area); }

} // namespace

BatchCutterPage::BatchCutterPage(QWidget* parent)
    : FileListPage("MP3 Batch Cutter", parent)
{
    LoadBatchCutterSettings(settings_);
    BuildControls();
    BuildContextMenu();
}

BatchCutterPage::~BatchCutterPage()
{
    if (IsInitialised()) {
        ReadValues();
        SaveBatchCutterSettings(settings_, kGroupSplitMode);
    }
    // The list outlives listedFiles_ (the base class deletes it), so it must not report to it.
    disconnect(list_->model(), nullptr, this, nullptr);
}

void BatchCutterPage::FolderChosen(const std::string& folder)
{
    settings_.Folder = folder;
    SaveBatchCutterSettings(settings_, kGroupFolder);
}

void BatchCutterPage::BuildControls()
{
    const char* modeCaptions[] = { "By si&ze", "By &count", "By &time", "By sile&nce" };
    const QRect modeAreas[] = { DialogRect(7, 9, 50, 10), DialogRect(7, 25, 50, 10), DialogRect(7, 41, 50, 10),
        DialogRect(214, 9, 60, 10) };
    for (int mode = 0; mode < 4; ++mode) {
        modeButtons_[mode] = new QRadioButton(modeCaptions[mode], this);
        modeButtons_[mode]->setGeometry(modeAreas[mode]);
        connect(modeButtons_[mode], &QRadioButton::clicked, this, [this, mode] { ModeChanged(mode); });
    }

    sizeSpin_ = new StepSpinBox(this);
    AddSpin(sizeSpin_, DialogRect(64, 7, 40, 13), 1, 32767);
    sizeSpin_->SetStep(10);
    AddLabel(this, "KB each file", DialogRect(107, 9, 60, 9));
    countSpin_ = AddSpin(new QSpinBox(this), DialogRect(64, 23, 40, 13), 2, 32767);
    AddLabel(this, "equal-sized files", DialogRect(107, 25, 70, 9));
    minutesSpin_ = AddSpin(new QSpinBox(this), DialogRect(64, 39, 30, 13), 0, 32767);
    AddLabel(this, "min", DialogRect(97, 41, 16, 9));
    secondsSpin_ = AddSpin(new QSpinBox(this), DialogRect(114, 39, 30, 13), 0, 59);
    AddLabel(this, "sec each file", DialogRect(147, 41, 60, 9));
    silenceValues_ = new QLabel(this);
    silenceValues_->setGeometry(DialogRect(226, 25, 146, 9));

    CreateList(DialogRect(7, 59, 365, 237), kBatchColumns);
    TrackListedFiles();

    cutAllButton_ = AddButton(this, "C&ut All", DialogRect(379, 7, 55, 41));
    addFilesButton_ = AddButton(this, "&Add Files", DialogRect(379, 61, 55, 14));
    addFolderButton_ = AddButton(this, "Add &Folder", DialogRect(379, 81, 55, 14));
    removeButton_ = AddButton(this, "&Remove", DialogRect(379, 110, 55, 14));
    removeAllButton_ = AddButton(this, "Remove A&ll", DialogRect(379, 130, 55, 14));
    cutSelectedButton_ = AddButton(this, "Cut Selecte&d", DialogRect(379, 159, 55, 14));

    // A larger window gives the list the room; the buttons stay beside it.
    AnchorControl(list_, kAnchorGrow);
    for (QPushButton* button :
        { cutAllButton_, addFilesButton_, addFolderButton_, removeButton_, removeAllButton_, cutSelectedButton_ })
        AnchorControl(button, kAnchorRight);

    connect(cutAllButton_, &QPushButton::clicked, this, &BatchCutterPage::OnCutAll);
    connect(addFilesButton_, &QPushButton::clicked, this, &BatchCutterPage::OnAddFiles);
    connect(addFolderButton_, &QPushButton::clicked, this, &BatchCutterPage::OnAddFolder);
    connect(removeButton_, &QPushButton::clicked, this, &BatchCutterPage::OnRemove);
    connect(removeAllButton_, &QPushButton::clicked, this, &BatchCutterPage::OnRemoveAll);
    connect(cutSelectedButton_, &QPushButton::clicked, this, &BatchCutterPage::OnCutSelected);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &BatchCutterPage::SelectionChanged);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &BatchCutterPage::OnPlay);
    // Delete removes the selected rows; an edit that has the focus keeps the key for its text.
    auto* remove = new QShortcut(QKeySequence::Delete, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, &BatchCutterPage::OnRemove);
}

void BatchCutterPage::BuildContextMenu()
{
    contextMenu_ = new QMenu(this);
    playAction_ = contextMenu_->addAction("&Play", this, &BatchCutterPage::OnPlay);
    contextMenu_->addSeparator();
    cutSelectedAction_ = contextMenu_->addAction("Cut S&elected", this, &BatchCutterPage::OnCutSelected);
    cutAllAction_ = contextMenu_->addAction("&Cut All", this, &BatchCutterPage::OnCutAll);
    contextMenu_->addSeparator();
    browseSourceAction_ = contextMenu_->addAction("&Browse Source Folder", this, &BatchCutterPage::OnBrowseSource);
    browseOutputAction_ = contextMenu_->addAction("Browse &Output Folder", this, &BatchCutterPage::OnBrowseOutput);
    contextMenu_->addSeparator();
    addFilesAction_ = contextMenu_->addAction("&Add Files...", this, &BatchCutterPage::OnAddFiles);
    addFolderAction_ = contextMenu_->addAction("Add &Folder...", this, &BatchCutterPage::OnAddFolder);
    contextMenu_->addSeparator();
    removeAction_ = contextMenu_->addAction("&Remove", this, &BatchCutterPage::OnRemove);
    removeAllAction_ = contextMenu_->addAction("Remove A&ll", this, &BatchCutterPage::OnRemoveAll);
    connect(list_, &SortableList::ContextMenuRequested, this,
        [this](const QPoint& at) { OpenContextMenu(*contextMenu_, ContextMenuCommands(), at); });
}

MenuCommands BatchCutterPage::ContextMenuCommands() const
{
    MenuCommands commands;
    const auto selection = [this] { return !list_->SelectedRows().empty(); };
    const auto hasRows = [this] { return list_->RowCount() > 0; };
    commands.updateRules[playAction_] = selection;
    commands.updateRules[browseSourceAction_] = selection;
    commands.updateRules[browseOutputAction_] = [this] {
        const int row = FirstSelectedRow();
        return row >= 0 && !Record(row)->outputFiles.empty();
    };
    commands.updateRules[cutSelectedAction_] = selection;
    commands.updateRules[cutAllAction_] = hasRows;
    commands.updateRules[removeAction_] = selection;
    commands.updateRules[removeAllAction_] = hasRows;
    commands.handled = { addFilesAction_, addFolderAction_ };
    return commands;
}

void BatchCutterPage::UpdateContextMenu() { UpdateMenuItems(*contextMenu_, ContextMenuCommands()); }

void BatchCutterPage::OnInitDialog()
{
    const SplitModeSettings& mode = settings_.splitMode;
    sizeSpin_->setValue(mode.CutFileSize);
    countSpin_->setValue(mode.CutFileAmount);
    minutesSpin_->setValue(mode.CutTimeMin);
    secondsSpin_->setValue(mode.CutTimeSec);
    modeButtons_[std::clamp(mode.CutType, 0, 3)]->setChecked(true);
    ShowSilenceValues();
    RowsChanged();
    removeButton_->setEnabled(false);
    cutSelectedButton_->setEnabled(false);
    EnableModeEdits();
}

void BatchCutterPage::ReadValues()
{
    SplitModeSettings& mode = settings_.splitMode;
    for (int index = 0; index < 4; ++index)
        if (modeButtons_[index]->isChecked())
            mode.CutType = index;
    mode.CutFileSize = sizeSpin_->value();
    mode.CutFileAmount = countSpin_->value();
    mode.CutTimeMin = minutesSpin_->value();
    mode.CutTimeSec = secondsSpin_->value();
}

void BatchCutterPage::ModeChanged(int mode)
{
    ReadValues();
    settings_.splitMode.CutType = mode;
    EnableModeEdits();
}

void BatchCutterPage::EnableModeEdits()
{
    const int mode = settings_.splitMode.CutType;
    sizeSpin_->setEnabled(mode == 0);
    countSpin_->setEnabled(mode == 1);
    minutesSpin_->setEnabled(mode == 2);
    secondsSpin_->setEnabled(mode == 2);
    silenceValues_->setEnabled(mode == 3);
    if (mode == 3)
        return;
    QSpinBox* first = mode == 0 ? static_cast<QSpinBox*>(sizeSpin_) : mode == 1 ? countSpin_ : minutesSpin_;
    first->setFocus();
    first->selectAll();
}

void BatchCutterPage::showEvent(QShowEvent* event)
{
    FileListPage::showEvent(event);
    ShowSilenceValues();
}

SilenceSplitSettings BatchCutterPage::ShowSilenceValues()
{
    SilenceSplitSettings values;
    LoadSilenceSplitSettings(values);
    silenceValues_->setText(QString("below %1 dBFS for %2 s or more")
                                .arg(QString::number(values.SilenceThreshold / 10.0, 'g', 4),
                                    QString::number(values.SilenceMinLength / 10.0, 'f', 1)));
    return values;
}

void BatchCutterPage::SelectionChanged()
{
    const bool selection = !list_->SelectedRows().empty();
    removeButton_->setEnabled(selection);
    cutSelectedButton_->setEnabled(selection);
}

void BatchCutterPage::RowsChanged()
{
    const bool hasRows = list_->RowCount() > 0;
    removeAllButton_->setEnabled(hasRows);
    cutAllButton_->setEnabled(hasRows);
    SelectionChanged();
}

int BatchCutterPage::AddFile(const std::string& path)
{
    // One file under two names is one file; two names that differ in case are two files.
    if (const std::optional<FileIdentity> identity = IdentityOf(path); identity && listedFiles_.contains(*identity))
        return 0;
    if (!HasMp3Extension(path))
        return -1;
    auto record = std::make_unique<BatchFileItem>();
    record->path = path;
    bool isVbr = false;
    if (!ProbeListFile(path, *record, isVbr))
        return -1;
    return InsertFileRow(std::move(record));
}

void BatchCutterPage::TrackListedFiles()
{
    // A lookup per added file instead of a pass over every row, so a long list fills in linear time.
    const QAbstractItemModel* model = list_->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        for (int row = first; row <= last && !parent.isValid(); ++row)
            if (const BatchFileItem* item = Record(row))
                listedFiles_.insert(item->identity);
    });
    connect(
        model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex& parent, int first, int last) {
            for (int row = first; row <= last && !parent.isValid(); ++row)
                if (const BatchFileItem* item = Record(row))
                    if (const auto listed = listedFiles_.find(item->identity); listed != listedFiles_.end())
                        listedFiles_.erase(listed);
        });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { listedFiles_.clear(); });
}

int BatchCutterPage::InsertFileRow(std::unique_ptr<BatchFileItem> record)
{
    const int row = InsertFileListRow(*list_, std::move(record));
    if (row == 0)
        RowsChanged();
    return row;
}

void BatchCutterPage::OnRemove()
{
    if (RemoveSelectedRows())
        RowsChanged();
}

void BatchCutterPage::OnRemoveAll()
{
    if (RemoveAllRows())
        RowsChanged();
}

void BatchCutterPage::OnBrowseSource()
{
    const int row = FirstSelectedRow();
    if (row < 0 || Record(row)->path.empty())
        return;
    const WaitCursor wait;
    RevealOrSay(this, Record(row)->path);
}

void BatchCutterPage::OnBrowseOutput()
{
    const int row = FirstSelectedRow();
    if (row < 0 || Record(row)->outputFiles.empty())
        return;
    const WaitCursor wait;
    RevealOrSay(this, Record(row)->outputFiles.front());
}

void BatchCutterPage::OnCutAll()
{
    std::vector<int> rows(static_cast<size_t>(list_->RowCount()));
    for (size_t row = 0; row < rows.size(); ++row)
        rows[row] = static_cast<int>(row);
    RunBatchJob(rows);
}

void BatchCutterPage::OnCutSelected()
{
    const std::vector<int> rows = list_->SelectedRows();
    if (!rows.empty())
        RunBatchJob(rows);
}

void BatchCutterPage::SetStatus(int row, const QString& text)
{
    list_->SetCell(row, kStatusColumn, text);
    list_->SetCellToolTip(row, kStatusColumn, text); // a failure's reason is longer than the column
}

void BatchCutterPage::RunBatchJob(const std::vector<int>& rows)
{
    if (rows.empty())
        return;
    ReadValues();
    const SplitModeSettings mode = settings_.splitMode;
    const SilenceSplitSettings silenceValues = ShowSilenceValues();
    SilenceSettings silence;
    silence.thresholdDb = silenceValues.SilenceThreshold / 10.0;
    silence.minSeconds = silenceValues.SilenceMinLength / 10.0;
    const int count = static_cast<int>(rows.size());

    EnableWindowForJob(false);
    DualProgressDialog* dialog = DualProgressDialog::Create();
    ProgressBar* files = dialog->Bar(JobProgress::Lower);
    files->SetRange(0, count);
    files->SetStep(1);
    files->SetPosition(0);
    dialog->PumpNow();

    SplitSettings split;
    split.options = Options().cut;
    split.job = dialog;
    split.barSlot = JobProgress::Upper;
    size_t finished = rows.size(); // the job's rows before the one that was cancelled
    for (size_t index = 0; index < rows.size(); ++index) {
        const int row = rows[index];
        BatchFileItem& item = *Record(row);
        dialog->SetLabel(JobProgress::Lower,
            "Cutting " + std::to_string(index + 1) + " of " + std::to_string(count) + " file(s)...");
        files->StepIt();
        dialog->SetLabel(JobProgress::Upper, "Cutting " + GetFileNamePart(item.path) + "...");
        dialog->Bar(JobProgress::Upper)->SetPosition(0);
        SetStatus(row, "Cutting...");
        list_->EnsureRowVisible(row); // the row being cut stays in sight in a long list
        // The cheap pump, not every event per file: a file of a few frames takes well under a millisecond.
        dialog->Pump();

        BatchFileSource source;
        source.path = item.path;
        source.tag = item.tag;
        source.totalSamples = item.totalSamples;
        source.sampleRate = item.sampleRate;
        source.outputFiles = std::move(item.outputFiles);
        bool done = false;
        switch (mode.CutType) {
        case 1:
            done = CutByCount(source, mode.CutFileAmount, split, errorText_);
            break;
        case 2:
            done = CutByTime(source, mode.CutTimeMin, mode.CutTimeSec, split, errorText_);
            break;
        case 3:
            done = CutBySilence(source, silence, split, errorText_);
            break;
        default:
            done = CutBySize(source, mode.CutFileSize, split, errorText_);
            break;
        }
        item.outputFiles = std::move(source.outputFiles);

        if (done)
            SetStatus(row, item.outputFiles.size() == 1 ? QString("1 piece") : QString("%1 pieces").arg(item.outputFiles.size()));
        else if (dialog->IsCancelled())
            SetStatus(row, "Cancelled");
        else
            SetStatus(row, "Failure: " + QString::fromStdString(errorText_));
        if (dialog->IsCancelled()) {
            finished = index;
            break;
        }
    }
    dialog->PostClose();
    EnableWindowForJob(true);

    if (!Options().CutterBrowseFolder)
        return;
    for (size_t index = 0; index < finished; ++index) {
        const BatchFileItem& item = *Record(rows[index]);
        if (!item.outputFiles.empty()) {
            RevealOrSay(this, item.outputFiles.front());
            break;
        }
    }
}
