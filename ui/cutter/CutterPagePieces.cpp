// The cutter page's pieces list: its columns, its rows written from the piece records, and the
// editing buttons, the tag dialog and the context menu.
#include "engine/stream/GenreNames.h"
#include "engine/stream/ID3TagText.h"
#include "platform/TextFormat.h"
#include "ui/widgets/DesktopOutcome.h"
#include "ui/cutter/TagDialog.h"
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/SelectionSlider.h"
#include "ui/widgets/SpinEdit.h"
#include "ui/lists/ContextMenuUpdate.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/WindowHelpers.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>

namespace {

struct ColumnFormat {
    const char* caption;
    bool rightAligned;
    int width; // pixels
    bool text; // takes a share of the room a wider window gives
};

constexpr ColumnFormat kColumns[]
    = { { "No.", false, 45, false }, { "Start", true, 70, false }, { "End", true, 70, false },
          { "Length", true, 70, false }, { "Size", true, 60, false }, { "Track #", true, 55, false },
          { "Title", false, 80, true }, { "Artist", false, 80, true }, { "Album", false, 80, true },
          { "Year", true, 50, false }, { "Genre", false, 50, true }, { "Comment", false, 100, true } };

constexpr int kModeBySelection = 3;

QString Unicode(const std::string& utf8) { return QString::fromStdString(utf8); }

// The pieces list reports a context-menu request at a global position, from the mouse or the
// keyboard (the Menu key or Shift+F10: the centre of the list then).
class PiecesTree : public QTreeWidget {
public:
    explicit PiecesTree(QWidget* parent)
        : QTreeWidget(parent)
    {
        connect(header(), &QHeaderView::sectionResized, this, [this] {
            // Only a drag or a double click on a header edge is the user's choice.
            if (!spreading_ && QGuiApplication::mouseButtons() != Qt::NoButton)
                userSized_ = true;
        });
    }
    std::function<void(const QPoint&)> onContextMenu;

    // Gives the room beyond the columns' own widths to the text columns, in proportion to their
    // widths, until the user sizes a column by hand.
    void SpreadColumns()
    {
        if (userSized_ || columnCount() != static_cast<int>(std::size(kColumns)))
            return;
        int all = 0;
        int text = 0;
        for (const ColumnFormat& column : kColumns) {
            all += column.width;
            text += column.text ? column.width : 0;
        }
        const int room = std::max(0, viewport()->width() - all);
        spreading_ = true;
        for (int index = 0; index < static_cast<int>(std::size(kColumns)); ++index) {
            const ColumnFormat& column = kColumns[index];
            setColumnWidth(index, column.width + (column.text ? room * column.width / text : 0));
        }
        spreading_ = false;
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QTreeWidget::resizeEvent(event);
        SpreadColumns();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // The page's keys for listening: the list's type-ahead search would swallow them.
        const int key = event->key();
        if ((key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight || key == Qt::Key_L)
            && (event->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
            event->ignore();
            return;
        }
        if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
            if (onContextMenu)
                onContextMenu(mapToGlobal(rect().center()));
            event->accept();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        const QPoint at
            = event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(rect().center());
        if (onContextMenu)
            onContextMenu(at);
        event->accept();
    }

private:
    bool userSized_ = false;
    bool spreading_ = false;
};

} // namespace

void CutterPage::BuildPiecesList()
{
    auto* list = new PiecesTree(this);
    list_ = list;
    list_->setGeometry(DialogRect(7, 215, 427, 63));
    list_->setColumnCount(static_cast<int>(std::size(kColumns)));
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->header()->setSectionsClickable(false);
    list_->header()->setSectionsMovable(false);
    list_->header()->setStretchLastSection(false);
    QTreeWidgetItem* header = list_->headerItem();
    for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
        header->setText(column, kColumns[column].caption);
        header->setTextAlignment(
            column, (kColumns[column].rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    list->SpreadColumns();
    list->onContextMenu = [this](const QPoint& at) { OpenContextMenuAt(at); };
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CutterPage::SelectionChanged);
    connect(list_, &QTreeWidget::itemChanged, this, &CutterPage::RowCheckChanged);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &CutterPage::OnEditTag);
}

void CutterPage::BuildContextMenu()
{
    contextMenu_ = new QMenu(this);
    // The page's own keys, shown beside the entries; R is Remove's access key, so Redo takes d.
    undoAction_ = contextMenu_->addAction("&Undo", this, &CutterPage::OnUndo);
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction_ = contextMenu_->addAction("Re&do", this, &CutterPage::OnRedo);
    redoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    contextMenu_->addSeparator();
    previewAction_ = contextMenu_->addAction("&Preview", this, &CutterPage::OnPreview);
    tagAction_ = contextMenu_->addAction("&ID3 tag...", this, &CutterPage::OnEditTag);
    removeAction_ = contextMenu_->addAction("&Remove", this, &CutterPage::OnRemove);
    resetAction_ = contextMenu_->addAction("Re&set", this, &CutterPage::OnReset);
    saveSelectionAction_ = contextMenu_->addAction("Save Selection &As...", this, &CutterPage::OnSaveSelectionAs);
    contextMenu_->addSeparator();
    browseAction_ = contextMenu_->addAction("&Browse...", this, &CutterPage::OnBrowse);
}

void CutterPage::UpdateContextMenu()
{
    const bool bySelection = HasSource() && settings_.splitMode.CutType == kModeBySelection;
    const bool oneSelected = bySelection && list_->selectedItems().size() == 1;
    const int row = SelectedRow();
    const bool hasOutput = bySelection && row >= 0 && !pieces_.Entries()[static_cast<size_t>(row)].outputPath.empty();
    const bool editable = HasSource() && list_->isEnabled();
    MenuCommands commands;
    commands.updateRules[undoAction_] = [this, editable] { return editable && history_.CanUndo(); };
    commands.updateRules[redoAction_] = [this, editable] { return editable && history_.CanRedo(); };
    commands.updateRules[previewAction_] = [oneSelected] { return oneSelected; };
    commands.updateRules[tagAction_] = [oneSelected] { return oneSelected; };
    commands.updateRules[removeAction_] = [oneSelected] { return oneSelected; };
    commands.updateRules[resetAction_] = [bySelection] { return bySelection; };
    commands.updateRules[saveSelectionAction_] = [oneSelected] { return oneSelected; };
    commands.updateRules[browseAction_] = [hasOutput] { return hasOutput; };
    UpdateMenuItems(*contextMenu_, commands);
}

void CutterPage::OpenContextMenuAt(const QPoint& globalPosition)
{
    UpdateContextMenu();
    contextMenu_->exec(globalPosition);
}

PieceEntry CutterPage::NewPieceEntry() const
{
    PieceEntry piece;
    piece.trackNoType = CutterOptions().ID3v1TagTrackNoType;
    piece.tag = source_.tag;
    return piece;
}

QString CutterPage::SizeEstimateText(const PieceEntry& piece) const
{
    // A source shorter than a tenth has one empty piece: it stands for the whole file.
    if (duration_ <= 0)
        return QString::fromStdString(FormatSize(sourceSize_));
    const long double share = static_cast<long double>(piece.end - piece.start) / duration_;
    return QString::fromStdString(FormatSize(static_cast<uint64_t>(share * static_cast<long double>(sourceSize_))));
}

QString CutterPage::TrackText(const PieceEntry& piece) const
{
    switch (piece.trackNoType) {
    case TrackNoSequence:
        return "Auto";
    case TrackNoSource:
        return QString::number(source_.tag.hasTrack ? source_.tag.track : 0);
    case TrackNoCustom:
        return QString::number(piece.tag.track);
    default:
        return QString();
    }
}

void CutterPage::WriteRow(int row)
{
    const PieceEntry& piece = pieces_.Entries()[static_cast<size_t>(row)];
    QTreeWidgetItem* item = list_->topLevelItem(row);
    const QString cells[] = { QString::number(row + 1), TimeText(piece.start), TimeText(piece.end),
        TimeText(piece.end - piece.start), SizeEstimateText(piece), TrackText(piece),
        Unicode(TagText(piece.tag, TagField::Title)), Unicode(TagText(piece.tag, TagField::Artist)),
        Unicode(TagText(piece.tag, TagField::Album)), Unicode(TagText(piece.tag, TagField::Year)),
        Unicode(TagGenreText(piece.tag)), Unicode(TagText(piece.tag, TagField::Comment)) };
    for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
        if (item->text(column) != cells[column])
            item->setText(column, cells[column]);
    }
    const Qt::CheckState check = piece.checked ? Qt::Checked : Qt::Unchecked;
    if (item->checkState(kNumber) != check)
        item->setCheckState(kNumber, check);
}

void CutterPage::RefreshRows()
{
    // Rows carry nothing of their own: the records are written into as many rows as there are.
    refreshingRows_ = true;
    const int count = static_cast<int>(pieces_.Size());
    while (list_->topLevelItemCount() > count)
        delete list_->takeTopLevelItem(list_->topLevelItemCount() - 1);
    while (list_->topLevelItemCount() < count) {
        auto* item = new QTreeWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
            item->setTextAlignment(
                column, (kColumns[column].rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
        item->setCheckState(kNumber, Qt::Unchecked);
        list_->addTopLevelItem(item);
    }
    for (int row = 0; row < count; ++row)
        WriteRow(row);
    refreshingRows_ = false;
    ShowBoundariesOnStrip();
}

int CutterPage::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

void CutterPage::SelectRow(int row)
{
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        list_->setCurrentItem(item);
        item->setSelected(true);
        list_->scrollToItem(item);
    }
}

void CutterPage::RowCheckChanged()
{
    if (refreshingRows_)
        return;
    BeginEdit();
    for (int row = 0; row < list_->topLevelItemCount() && row < static_cast<int>(pieces_.Size()); ++row)
        pieces_.Entries()[static_cast<size_t>(row)].checked
            = list_->topLevelItem(row)->checkState(kNumber) == Qt::Checked;
    EndEdit();
}

void CutterPage::EnablePieceButtons(bool enable)
{
    for (QWidget* button : { previewButton_, tagButton_, removeButton_, goToStartButton_, goToEndButton_,
             setStartButton_, setEndButton_, saveSelectionButton_ })
        button->setEnabled(enable);
}

void CutterPage::SelectionChanged()
{
    const bool selected = SelectedRow() >= 0;
    // The list is disabled outside the mode by selection, and its buttons with it.
    EnablePieceButtons(selected && list_->isEnabled());
    if (selected)
        ShowSelectedPieceOnSlider();
}

void CutterPage::ShowSelectedPieceOnSlider()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const PieceEntry& piece = pieces_.Entries()[static_cast<size_t>(row)];
    slider_->SetSelection(piece.start, piece.end);
    ShowBoundariesOnStrip(); // and the shading at the piece's exact bounds
}

void CutterPage::AddPieceAt(int32_t position, bool setSliderSelection, bool selectRow, bool& added)
{
    const std::optional<size_t> row = pieces_.AddAt(position, NewPieceEntry());
    added = row.has_value();
    if (!added)
        return;
    RefreshRows();
    if (selectRow)
        SelectRow(static_cast<int>(*row));
    if (setSliderSelection) {
        const PieceEntry& piece = pieces_.Entries()[*row];
        slider_->SetSelection(piece.start, piece.end);
    }
}

void CutterPage::OnAddPiece()
{
    if (!HasSource())
        return;
    const int32_t position = slider_->value();
    bool added = false;
    BeginEdit();
    AddPieceAt(position, true, true, added);
    if (added)
        MarkFineBoundary(position);
    EndEdit();
    if (!added)
        ShowMessageBox(this, QString("%1 has been added.").arg(TimeText(position)));
}

void CutterPage::OnSetEnd()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    size_t selected = static_cast<size_t>(row);
    BeginEdit();
    const PieceList::Edit edit = pieces_.SetEnd(static_cast<size_t>(row), slider_->value(), NewPieceEntry(), selected);
    if (edit == PieceList::Edit::Changed)
        MarkFineBoundary(slider_->value());
    EndEdit();
    ShowBoundaryEdit(edit, selected, "You can not set the end position less than or equal to the start position.");
}

// After Set Start or Set End: the refusal message, or the rows and the slider as the edit left them.
void CutterPage::ShowBoundaryEdit(PieceList::Edit edit, size_t selected, const char* refusal)
{
    if (edit == PieceList::Edit::Refused) {
        ShowMessageBox(this, refusal);
        return;
    }
    if (edit == PieceList::Edit::Changed) {
        RefreshRows();
        SelectRow(static_cast<int>(selected));
        ShowSelectedPieceOnSlider();
        FollowSelectedPieceInPreview();
    }
    slider_->setFocus();
}

void CutterPage::OnSetStart()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    size_t selected = static_cast<size_t>(row);
    BeginEdit();
    const PieceList::Edit edit
        = pieces_.SetStart(static_cast<size_t>(row), slider_->value(), NewPieceEntry(), selected);
    if (edit == PieceList::Edit::Changed)
        MarkFineBoundary(slider_->value());
    EndEdit();
    ShowBoundaryEdit(edit, selected, "You can not set the start position greater than or equal to the end position.");
}

void CutterPage::OnGoToStart()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    ShowPosition(pieces_.Entries()[static_cast<size_t>(row)].start);
    slider_->setFocus();
}

void CutterPage::OnGoToEnd()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    ShowPosition(pieces_.Entries()[static_cast<size_t>(row)].end);
    slider_->setFocus();
}

void CutterPage::OnRemove()
{
    if (pieces_.Size() == 1) {
        if (ShowMessageBox(
                this, "Are you sure you want to close current file?", MessageIcon::Question, MessageButtons::YesNo)
            == MessageAnswer::Yes)
            CloseSource();
        return;
    }
    const int row = SelectedRow();
    if (row < 0)
        return;
    BeginEdit();
    const size_t neighbour = pieces_.Remove(static_cast<size_t>(row));
    list_->clearSelection();
    RefreshRows();
    SelectRow(static_cast<int>(neighbour));
    EndEdit();
    FollowSelectedPieceInPreview();
}

void CutterPage::OnReset()
{
    if (pieces_.Size() < 2)
        return;
    if (ShowMessageBox(this, "Are you sure you want to reset all pieces?", MessageIcon::Question, MessageButtons::YesNo)
        != MessageAnswer::Yes)
        return;
    BeginEdit();
    pieces_.KeepFirstOnly();
    RefreshRows();
    SelectRow(0);
    ShowSelectedPieceOnSlider();
    EndEdit();
    FollowSelectedPieceInPreview();
}

void CutterPage::OnEditTag()
{
    const int row = SelectedRow();
    if (row < 0 || !list_->isEnabled())
        return;
    PieceEntry& piece = pieces_.Entries()[static_cast<size_t>(row)];
    TagDialog dialog(this);
    // The dialog keeps the ID3v1 limits; a longer ID3v2 text is shown cut and stays whole unless
    // it is edited.
    const auto shown = [&](TagField field, int limit) { return Unicode(TagText(piece.tag, field)).left(limit); };
    const QString shownTexts[] = { shown(TagField::Title, 30), shown(TagField::Artist, 30),
        shown(TagField::Album, 30), shown(TagField::Year, 4), shown(TagField::Comment, 30) };
    dialog.title = shownTexts[0];
    dialog.artist = shownTexts[1];
    dialog.album = shownTexts[2];
    dialog.year = shownTexts[3];
    dialog.comment = shownTexts[4];
    dialog.genre = piece.tag.genre;
    dialog.trackType = piece.trackNoType;
    dialog.trackNumber = piece.tag.track;
    dialog.sourceTrackNumber = source_.tag.hasTrack ? source_.tag.track : 0;
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The dialog may have been left open while the source went away.
    if (static_cast<size_t>(row) >= pieces_.Size())
        return;
    BeginEdit();
    PieceEntry& edited = pieces_.Entries()[static_cast<size_t>(row)];
    edited.trackNoType = dialog.trackType;
    if (dialog.trackType == TrackNoCustom)
        edited.tag.track = dialog.trackNumber;
    const std::pair<TagField, const QString*> results[] = { { TagField::Title, &dialog.title },
        { TagField::Artist, &dialog.artist }, { TagField::Album, &dialog.album }, { TagField::Year, &dialog.year },
        { TagField::Comment, &dialog.comment } };
    for (size_t i = 0; i < std::size(results); ++i)
        if (*results[i].second != shownTexts[i])
            SetTagText(edited.tag, results[i].first, results[i].second->toStdString());
    edited.tag.genre = dialog.genre;
    EndEdit();
    refreshingRows_ = true;
    WriteRow(row);
    refreshingRows_ = false;
}

void CutterPage::OnBrowse()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string& path = pieces_.Entries()[static_cast<size_t>(row)].outputPath;
    if (!path.empty())
        RevealOrSay(this, path);
}

void CutterPage::OnPositionSpin(int steps)
{
    if (!HasSource() || state_ == kPlaying || state_ == kPreviewing)
        return;
    // An up click is one second later.
    const int64_t position = int64_t { slider_->value() } + int64_t { 10 } * steps;
    ShowPosition(static_cast<int32_t>(std::clamp<int64_t>(position, 0, duration_)));
}
