#include "ui/lists/JoinerPage.h"

#include "engine/join/ChooseJoinMethod.h"
#include "engine/stream/GenreNames.h"
#include "engine/stream/ID3TagText.h"
#include "platform/FolderSearch.h"
#include "platform/FileIdentity.h"
#include "ui/lists/JoinSummary.h"
#include "ui/lists/M3uPlaylist.h"
#include "ui/widgets/DesktopOutcome.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/DualProgressDialog.h"
#include "ui/widgets/GenreComboBox.h"
#include "ui/widgets/SpinEdit.h"
#include "ui/widgets/FileDialogs.h"
#include "ui/lists/FileListRows.h"
#include "ui/widgets/MessageBox.h"
#include "ui/lists/ProbeListFile.h"
#include "ui/widgets/PumpMessages.h"
#include "ui/widgets/WaitCursor.h"
#include "ui/widgets/WindowHelpers.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <array>

namespace {

constexpr std::array<ListColumn, JoinerPage::kColumnCount> kJoinerColumns { {
    { "File", 120, Qt::AlignLeft, false },
    { "Size", 60, Qt::AlignRight, true },
    { "Length", 50, Qt::AlignRight, true },
    { "BitRate", 60, Qt::AlignRight, true },
    { "Freq.", 60, Qt::AlignRight, true },
    { "Ch.", 55, Qt::AlignLeft, false },
    { "Track #", 55, Qt::AlignRight, true },
    { "Title", 80, Qt::AlignLeft, false },
    { "Artist", 80, Qt::AlignLeft, false },
    { "Album", 80, Qt::AlignLeft, false },
    { "Year", 50, Qt::AlignRight, true },
    { "Genre", 50, Qt::AlignLeft, false },
    { "Comment", 100, Qt::AlignLeft, false },
} };

constexpr int kTagTextLimit = 30;
constexpr int kTrackLowest = 1;
constexpr int kTrackHighest = 255;
constexpr int kNoGenre = 255; // what the tag stores when no genre is chosen

QPushButton* AddButton(QWidget* page, const QString& caption, const QRect& area)
{
    auto* button = new QPushButton(caption, page);
    button->setGeometry(area);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* AddEdit(QWidget* page, const QString& caption, const QRect& labelArea, const QRect& area, int limit)
{
    auto* edit = new QLineEdit(page);
    edit->setGeometry(area);
    edit->setMaxLength(limit);
    auto* label = new QLabel(caption, page);
    label->setGeometry(labelArea);
    label->setBuddy(edit);
    return edit;
}

// The label made for an edit by AddEdit.
QLabel* BuddyLabel(QWidget* edit)
{
    for (QLabel* label : edit->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->buddy() == edit)
            return label;
    return nullptr;
}

// The ID3v2 tag holds the text as typed; the ID3v1 block its Latin-1 cut.
std::string EditText(const QLineEdit* edit) { return edit->text().toStdString(); }
QString FromTag(const ID3TagInfo& tag, TagField field) { return QString::fromStdString(TagText(tag, field)); }

} // namespace

int TrackFromText(const QString& text)
{
    int track = 0;
    for (const QChar c : text) {
        if (c.unicode() < '0' || c.unicode() > '9')
            break;
        track = std::min(track * 10 + (c.unicode() - '0'), 1000000);
    }
    return track;
}

JoinerPage::JoinerPage(QWidget* parent)
    : FileListPage("MP3 Joiner", parent)
{
    LoadJoinerSettings(settings_);
    BuildControls();
    BuildContextMenu();
}

JoinerPage::~JoinerPage()
{
    if (IsInitialised()) {
        ReadFields();
        SaveJoinerSettings(settings_, kGroupTag);
    }
}

void JoinerPage::FolderChosen(const std::string& folder)
{
    settings_.Folder = folder;
    SaveJoinerSettings(settings_, kGroupFolder);
}

void JoinerPage::BuildControls()
{
    CreateList(DialogRect(7, 7, 365, 194), kJoinerColumns);
    // Under the list: what the join would be, and the outcome of the last one.
    summaryLabel_ = new ElidedLabel(this);
    summaryLabel_->setGeometry(DialogRect(7, 203, 365, 9));
    statusLabel_ = new ElidedLabel(this);
    statusLabel_->setGeometry(DialogRect(7, 213, 365, 9));
    joinNowButton_ = AddButton(this, "&Join Now!", DialogRect(379, 7, 55, 41));
    joinNowButton_->installEventFilter(this);
    addFilesButton_ = AddButton(this, "&Add Files", DialogRect(379, 66, 55, 14));
    addFolderButton_ = AddButton(this, "Add &Folder", DialogRect(379, 86, 55, 14));
    removeButton_ = AddButton(this, "&Remove", DialogRect(379, 113, 55, 14));
    removeAllButton_ = AddButton(this, "Remove A&ll", DialogRect(379, 132, 55, 14));
    upButton_ = AddButton(this, "&Up", DialogRect(379, 160, 55, 14));
    downButton_ = AddButton(this, "&Down", DialogRect(379, 179, 55, 14));
    saveListButton_ = AddButton(this, "Save L&ist...", DialogRect(379, 201, 55, 14));
    list_->SetRowsDraggable(true); // the order of the rows is the join order

    auto* group = new QGroupBox("ID3 tag of Outputted MP3 File", this);
    group->setGeometry(DialogRect(7, 224, 427, 72));
    // The caption wraps over three centred lines, as the button is narrow and tall.
    copyTagButton_ = AddButton(this, "&Copy ID3 tag\nFrom Selected\nMP3 File", DialogRect(16, 238, 63, 51));
    titleEdit_ = AddEdit(this, "&Title:", DialogRect(88, 241, 27, 9), DialogRect(116, 239, 128, 14), kTagTextLimit);
    artistEdit_ = AddEdit(this, "Arti&st:", DialogRect(88, 259, 27, 9), DialogRect(116, 257, 128, 14), kTagTextLimit);
    albumEdit_ = AddEdit(this, "Albu&m:", DialogRect(88, 277, 27, 9), DialogRect(116, 275, 128, 14), kTagTextLimit);

    trackEdit_ = new SpinEdit(this);
    trackEdit_->setGeometry(DialogRect(298, 239, 47, 14));
    trackEdit_->SetTextLimit(3, true);
    auto* trackLabel = new QLabel("Trac&k #:", this);
    trackLabel->setGeometry(DialogRect(257, 241, 40, 9));
    trackLabel->setBuddy(trackEdit_);
    yearEdit_ = AddEdit(this, "&Year:", DialogRect(354, 241, 25, 9), DialogRect(379, 239, 47, 14), 4);
    yearEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), yearEdit_));
    genreBox_ = new GenreComboBox(this);
    genreBox_->setGeometry(DialogRect(298, 257, 128, 14));
    auto* genreLabel = new QLabel("&Genre:", this);
    genreLabel->setGeometry(DialogRect(257, 259, 40, 9));
    genreLabel->setBuddy(genreBox_);
    commentEdit_
        = AddEdit(this, "C&omment:", DialogRect(257, 277, 40, 9), DialogRect(298, 275, 128, 14), kTagTextLimit);

    // A larger window gives the list the room; the buttons stay beside it, the tag fields below it
    // share the extra width between their two columns.
    AnchorControl(list_, kAnchorGrow);
    AnchorControl(summaryLabel_, { 0, 1, 1, 1 });
    AnchorControl(statusLabel_, { 0, 1, 1, 1 });
    for (QPushButton* button :
        { joinNowButton_, addFilesButton_, addFolderButton_, removeButton_, removeAllButton_, upButton_, downButton_,
            saveListButton_ })
        AnchorControl(button, kAnchorRight);
    AnchorControl(group, { 0, 1, 1, 1 });
    AnchorControl(copyTagButton_, { 0, 1, 0, 1 });
    for (QLineEdit* edit : { titleEdit_, artistEdit_, albumEdit_ }) {
        AnchorControl(BuddyLabel(edit), { 0, 1, 0, 1 });
        AnchorControl(edit, { 0, 1, 0.5, 1 });
    }
    // The two number fields keep their size: the track at the left of its column, the year at the
    // right edge, in line with the genre and comment fields' ends.
    AnchorControl(trackLabel, { 0.5, 1, 0.5, 1 });
    AnchorControl(trackEdit_, { 0.5, 1, 0.5, 1 });
    AnchorControl(BuddyLabel(yearEdit_), { 1, 1, 1, 1 });
    AnchorControl(yearEdit_, { 1, 1, 1, 1 });
    AnchorControl(genreLabel, { 0.5, 1, 0.5, 1 });
    AnchorControl(genreBox_, { 0.5, 1, 1, 1 });
    AnchorControl(BuddyLabel(commentEdit_), { 0.5, 1, 0.5, 1 });
    AnchorControl(commentEdit_, { 0.5, 1, 1, 1 });

    connect(joinNowButton_, &QPushButton::clicked, this, &JoinerPage::OnJoinNow);
    connect(addFilesButton_, &QPushButton::clicked, this, &JoinerPage::OnAddFiles);
    connect(addFolderButton_, &QPushButton::clicked, this, &JoinerPage::OnAddFolder);
    connect(removeButton_, &QPushButton::clicked, this, &JoinerPage::OnRemove);
    connect(removeAllButton_, &QPushButton::clicked, this, &JoinerPage::OnRemoveAll);
    connect(upButton_, &QPushButton::clicked, this, &JoinerPage::OnUp);
    connect(downButton_, &QPushButton::clicked, this, &JoinerPage::OnDown);
    connect(copyTagButton_, &QPushButton::clicked, this, &JoinerPage::OnCopyTag);
    connect(saveListButton_, &QPushButton::clicked, this, &JoinerPage::OnSaveList);
    connect(trackEdit_, &SpinEdit::StepRequested, this, &JoinerPage::StepTrack);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &JoinerPage::SelectionChanged);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &JoinerPage::OnPlay);
    // Whatever changes the rows or their order (adding, removing, Up and Down, dragging, sorting).
    QAbstractItemModel* rows = list_->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, &JoinerPage::ScheduleSummary);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &JoinerPage::ScheduleSummary);
    connect(rows, &QAbstractItemModel::rowsMoved, this, &JoinerPage::ScheduleSummary);
    connect(rows, &QAbstractItemModel::layoutChanged, this, &JoinerPage::ScheduleSummary);
    // Delete removes the selected rows; an edit that has the focus keeps the key for its text.
    auto* remove = new QShortcut(QKeySequence::Delete, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, &JoinerPage::OnRemove);
}

void JoinerPage::BuildContextMenu()
{
    contextMenu_ = new QMenu(this);
    playAction_ = contextMenu_->addAction("&Play", this, &JoinerPage::OnPlay);
    browseAction_ = contextMenu_->addAction("&Browse", this, &JoinerPage::OnBrowse);
    contextMenu_->addSeparator();
    removeAction_ = contextMenu_->addAction("&Remove", this, &JoinerPage::OnRemove);
    removeAllAction_ = contextMenu_->addAction("Remo&ve All", this, &JoinerPage::OnRemoveAll);
    contextMenu_->addSeparator();
    upAction_ = contextMenu_->addAction("&Up", this, &JoinerPage::OnUp);
    downAction_ = contextMenu_->addAction("&Down", this, &JoinerPage::OnDown);
    contextMenu_->addSeparator();
    copyTagAction_ = contextMenu_->addAction("Copy &ID3 tag", this, &JoinerPage::OnCopyTag);
    contextMenu_->addSeparator();
    addFilesAction_ = contextMenu_->addAction("&Add Files...", this, &JoinerPage::OnAddFiles);
    addFolderAction_ = contextMenu_->addAction("Add &Folder...", this, &JoinerPage::OnAddFolder);
    contextMenu_->addSeparator();
    loadListAction_ = contextMenu_->addAction("&Load List...", this, &JoinerPage::OnLoadList);
    saveListAction_ = contextMenu_->addAction("&Save List As...", this, &JoinerPage::OnSaveList);
    connect(list_, &SortableList::ContextMenuRequested, this,
        [this](const QPoint& at) { OpenContextMenu(*contextMenu_, ContextMenuCommands(), at); });
}

MenuCommands JoinerPage::ContextMenuCommands() const
{
    MenuCommands commands;
    const auto one = [this] { return list_->SelectedRows().size() == 1; };
    const auto some = [this] { return !list_->SelectedRows().empty(); };
    commands.updateRules[playAction_] = one;
    commands.updateRules[browseAction_] = one;
    commands.updateRules[copyTagAction_] = one;
    commands.updateRules[removeAction_] = some;
    commands.updateRules[upAction_] = some;
    commands.updateRules[downAction_] = some;
    commands.updateRules[removeAllAction_] = [this] { return list_->RowCount() > 0; };
    commands.updateRules[saveListAction_] = [this] { return list_->RowCount() > 0; };
    commands.handled = { addFilesAction_, addFolderAction_, loadListAction_ };
    return commands;
}

void JoinerPage::UpdateContextMenu() { UpdateMenuItems(*contextMenu_, ContextMenuCommands()); }

void JoinerPage::OnInitDialog()
{
    titleEdit_->setText(QString::fromStdString(settings_.ID3Title));
    artistEdit_->setText(QString::fromStdString(settings_.ID3Artist));
    albumEdit_->setText(QString::fromStdString(settings_.ID3Album));
    yearEdit_->setText(QString::fromStdString(settings_.ID3Year).left(4));
    commentEdit_->setText(QString::fromStdString(settings_.ID3Comment));
    trackEdit_->SetText(QString::fromStdString(settings_.ID3TrackNo).left(3));
    genreBox_->SelectGenre(settings_.ID3Genre);
    RowsChanged();
}

void JoinerPage::ReadFields()
{
    settings_.ID3Title = titleEdit_->text().toStdString();
    settings_.ID3Artist = artistEdit_->text().toStdString();
    settings_.ID3Album = albumEdit_->text().toStdString();
    settings_.ID3Year = yearEdit_->text().toStdString();
    settings_.ID3Comment = commentEdit_->text().toStdString();
    settings_.ID3TrackNo = trackEdit_->Text().toStdString();
    settings_.ID3Genre = genreBox_->SelectedGenre().value_or(-1);
}

void JoinerPage::StepTrack(int steps)
{
    const QString text = trackEdit_->Text();
    int track = TrackFromText(text);
    if (!text.isEmpty())
        track += steps > 0 ? 1 : -1;
    trackEdit_->SetText(QString::number(std::clamp(track, kTrackLowest, kTrackHighest)));
}

void JoinerPage::SelectionChanged()
{
    const bool selection = !list_->SelectedRows().empty();
    for (QPushButton* button : { removeButton_, upButton_, downButton_, copyTagButton_ })
        button->setEnabled(selection);
}

std::vector<JoinStreamFacts> JoinerPage::ListFacts() const
{
    std::vector<JoinStreamFacts> facts;
    for (int row = 0; row < list_->RowCount(); ++row) {
        const JoinFileItem& item = *Record(row);
        facts.push_back({ item.sampleRate, item.bitrate, item.channelMode, item.isVbr != 0, item.layer });
    }
    return facts;
}

JoinMethod JoinerPage::PlannedMethod(const std::vector<JoinStreamFacts>& facts) const
{
    return ChooseJoinMethod(Options().encoding, facts);
}

QString JoinerPage::JoinMethodTip() const
{
    if (list_->RowCount() < 2)
        return {};
    const std::vector<JoinStreamFacts> facts = ListFacts();
    return "Join method: " + JoinMethodWords(PlannedMethod(facts), facts.front());
}

QString JoinerPage::SummaryText() const
{
    std::vector<const JoinFileItem*> items;
    for (int row = 0; row < list_->RowCount(); ++row)
        items.push_back(Record(row));
    QString text = JoinListTotals(items);
    if (items.size() >= 2) {
        const std::vector<JoinStreamFacts> facts = ListFacts();
        text += QString::fromUtf8(" \u2014 ") + JoinMethodWords(PlannedMethod(facts), facts.front());
    } else if (items.size() == 1) {
        text += QString::fromUtf8(" \u2014 add another file to join");
    }
    return text;
}

void JoinerPage::ScheduleSummary()
{
    // Once per pass of the event loop, however many rows a load adds.
    if (summaryScheduled_)
        return;
    summaryScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        summaryScheduled_ = false;
        UpdateSummary();
    });
}

void JoinerPage::UpdateSummary() { summaryLabel_->SetFullText(SummaryText()); }

void JoinerPage::showEvent(QShowEvent* event)
{
    FileListPage::showEvent(event);
    UpdateSummary(); // the options may have changed on their page
}

bool JoinerPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == joinNowButton_ && event->type() == QEvent::ToolTip)
        joinNowButton_->setToolTip(JoinMethodTip());
    return FileListPage::eventFilter(watched, event);
}

void JoinerPage::RowsChanged()
{
    const bool hasRows = list_->RowCount() > 0;
    removeAllButton_->setEnabled(hasRows);
    joinNowButton_->setEnabled(hasRows);
    saveListButton_->setEnabled(hasRows);
    SelectionChanged();
}

int JoinerPage::AddFile(const std::string& path)
{
    if (!HasMp3Extension(path))
        return -1;
    auto record = std::make_unique<JoinFileItem>();
    record->path = path;
    bool isVbr = false;
    if (!ProbeListFile(path, *record, isVbr))
        return -1;
    record->isVbr = isVbr ? 1 : 0;
    return InsertFileRow(std::move(record));
}

int JoinerPage::InsertFileRow(std::unique_ptr<JoinFileItem> record)
{
    const JoinFileItem& item = *record;
    const int row = InsertFileListRow(*list_, std::move(record));
    const ID3TagInfo& tag = item.tag;
    if (tag.hasTrack && tag.track > 0)
        list_->SetCell(row, kTrackColumn, QString::number(tag.track), tag.track);
    list_->SetCell(row, kTitleColumn, FromTag(tag, TagField::Title));
    list_->SetCell(row, kArtistColumn, FromTag(tag, TagField::Artist));
    list_->SetCell(row, kAlbumColumn, FromTag(tag, TagField::Album));
    const QString year = FromTag(tag, TagField::Year);
    bool isNumber = false;
    const int yearValue = year.toInt(&isNumber);
    list_->SetCell(row, kYearColumn, year, isNumber ? std::optional<qint64>(yearValue) : std::nullopt);
    // A file without a tag has no genre, though its zeroed record holds index 0.
    if (item.hasTag)
        list_->SetCell(row, kGenreColumn, QString::fromStdString(TagGenreText(tag)));
    list_->SetCell(row, kCommentColumn, FromTag(tag, TagField::Comment));
    if (row == 0)
        RowsChanged();
    return row;
}

void JoinerPage::OnRemove()
{
    if (RemoveSelectedRows())
        RowsChanged();
}

void JoinerPage::OnRemoveAll()
{
    if (RemoveAllRows())
        RowsChanged();
}

void JoinerPage::OnUp()
{
    const std::vector<int> rows = list_->SelectedRows();
    if (!rows.empty() && rows.front() > 0) {
        for (const int row : rows)
            list_->MoveRow(row, row - 1);
        list_->EnsureRowVisible(rows.front() - 1);
    }
    list_->setFocus();
}

void JoinerPage::OnDown()
{
    const std::vector<int> rows = list_->SelectedRows();
    if (!rows.empty() && rows.back() < list_->RowCount() - 1) {
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            list_->MoveRow(*row, *row + 1);
        list_->EnsureRowVisible(rows.back() + 1);
    }
    list_->setFocus();
}

void JoinerPage::OnCopyTag()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const WaitCursor wait;
    const JoinFileItem& item = *Record(row);
    const ID3TagInfo& tag = item.tag;
    titleEdit_->setText(FromTag(tag, TagField::Title));
    artistEdit_->setText(FromTag(tag, TagField::Artist));
    albumEdit_->setText(FromTag(tag, TagField::Album));
    yearEdit_->setText(FromTag(tag, TagField::Year));
    commentEdit_->setText(FromTag(tag, TagField::Comment));
    trackEdit_->SetText(tag.hasTrack && tag.track > 0 ? QString::number(tag.track) : QString());
    genreBox_->SelectGenre(item.hasTag ? tag.genre : -1);
}

void JoinerPage::OnBrowse()
{
    const int row = FirstSelectedRow();
    if (row < 0 || Record(row)->path.empty())
        return;
    const WaitCursor wait;
    RevealOrSay(this, Record(row)->path);
}

bool JoinerPage::CheckTrackField()
{
    const QString text = trackEdit_->Text();
    if (text.isEmpty())
        return true; // a tag without a track number
    bool isNumber = false;
    const int track = text.toInt(&isNumber);
    QString problem;
    if (!isNumber)
        problem = "Please enter an integer.";
    else if (track < kTrackLowest || track > kTrackHighest)
        problem = QString("Please enter an integer between %1 and %2.").arg(kTrackLowest).arg(kTrackHighest);
    if (problem.isEmpty())
        return true;
    ShowMessageBox(this, problem);
    trackEdit_->setFocus();
    trackEdit_->selectAll();
    return false;
}

void JoinerPage::OnJoinNow()
{
    if (list_->RowCount() < 2 || !CheckTrackField())
        return;
    std::vector<std::string> output;
    if (!ShowFileDialog(this, kSaveJoinedFilter, kOverwritePrompt, output, ".mp3", false))
        return;
    JoinInto(output.front());
}

bool JoinerPage::JoinInto(const std::string& outputPath)
{
    if (list_->RowCount() < 2 || !CheckTrackField())
        return false;
    JoinJob job;
    for (int row = 0; row < list_->RowCount(); ++row)
        job.AddInput(Record(row)->path);
    const std::vector<JoinStreamFacts> facts = ListFacts();

    EnableWindowForJob(false);
    DualProgressDialog* dialog = DualProgressDialog::Create();
    dialog->PumpNow();
    const QString track = trackEdit_->Text();
    job.AssignTag(EditText(titleEdit_), EditText(artistEdit_), EditText(albumEdit_), EditText(yearEdit_),
        EditText(commentEdit_), genreBox_->SelectedGenre().value_or(kNoGenre), !track.isEmpty(), TrackFromText(track));
    const bool joined = JoinWithMethod(job, PlannedMethod(facts), outputPath, *dialog);
    const bool cancelled = dialog->IsCancelled();
    dialog->PostClose();
    EnableWindowForJob(true);

    const QString output = QString::fromStdString(outputPath);
    if (joined) {
        statusLabel_->SetFullText(QString("Joined %1 files into %2").arg(job.InputCount()).arg(output));
        if (Options().JoinerBrowseFolder)
            RevealOrSay(this, outputPath);
    } else if (cancelled) {
        statusLabel_->SetFullText("The join was cancelled.");
    } else {
        statusLabel_->SetFullText("The join failed: nothing was written to " + output);
        if (!job.ErrorText().empty()) {
            QString message = "Join failure. " + QString::fromStdString(job.ErrorText());
            if (OutputIsAnInput(outputPath))
                message += " The output file is one of the files to be joined: joining into it would destroy it.";
            ShowMessageBox(this, message, MessageIcon::Exclamation);
        }
    }
    return joined;
}

bool JoinerPage::OutputIsAnInput(const std::string& outputPath) const
{
    const std::optional<FileIdentity> output = IdentityOf(outputPath);
    if (!output)
        return false;
    for (int row = 0; row < list_->RowCount(); ++row)
        if (IdentityOf(Record(row)->path) == output)
            return true;
    return false;
}

void JoinerPage::OnSaveList()
{
    if (list_->RowCount() == 0)
        return;
    std::vector<std::string> files;
    if (ShowFileDialog(this, kSaveListFilter, kOverwritePrompt, files, ".m3u8", false))
        SaveListAs(files.front());
}

bool JoinerPage::SaveListAs(const std::string& chosenPath)
{
    // Always a playlist's name, so no listed MP3 file is written over by a mistyped one.
    const std::string path = IsPlaylistPath(chosenPath) ? chosenPath : chosenPath + ".m3u8";
    std::string error;
    if (OutputIsAnInput(path))
        error = "Failed to create file \"" + path + "\". It is one of the files in the list.";
    std::vector<PlaylistEntry> entries;
    for (int row = 0; row < list_->RowCount() && error.empty(); ++row) {
        const JoinFileItem& item = *Record(row);
        const std::string artist = TagText(item.tag, TagField::Artist);
        const std::string title = TagText(item.tag, TagField::Title);
        entries.push_back({ item.path,
            item.sampleRate > 0 ? static_cast<int64_t>(item.totalSamples / static_cast<uint64_t>(item.sampleRate)) : -1,
            artist.empty() || title.empty() ? title : artist + " - " + title });
    }
    if (error.empty() && WriteM3uPlaylist(path, entries, error)) {
        statusLabel_->SetFullText(QString("The list was saved as %1").arg(QString::fromStdString(path)));
        return true;
    }
    ShowMessageBox(this, QString::fromStdString(error));
    return false;
}

void JoinerPage::OnLoadList()
{
    std::vector<std::string> files;
    if (!ShowFileDialog(this, kLoadListFilter, kFileMustExist, files, QString(), true) || files.empty())
        return;
    LoadList(files.front());
}

void JoinerPage::LoadList(const std::string& playlistPath)
{
    if (list_->RowCount() > 0
        && ShowMessageBox(this, list_->RowCount() == 1 ? QString("Are you sure you want to replace the file in the list?")
                                  : QString("Are you sure you want to replace the %1 files in the list?").arg(list_->RowCount()),
               MessageIcon::Question, MessageButtons::YesNo)
            != MessageAnswer::Yes)
        return;
    list_->DeleteAllRows();
    RowsChanged();
    LoadFileList({ playlistPath });
}
