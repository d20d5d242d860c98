#include "ui/lists/SortableList.h"

#include <QCollator>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int kSortValueRole = Qt::UserRole + 1;
constexpr const char* kRowDragFormat = "application/x-sonicrop-list-rows";
// A drag this close to the top or bottom edge scrolls the list.
constexpr int kScrollMargin = 16;


// A row of the list: its cells and its record.
class SortableListRow : public QTreeWidgetItem {
public:
    explicit SortableListRow(std::unique_ptr<FileListItem> record)
        : record_(std::move(record))
    {
    }

    FileListItem* Record() const { return record_.get(); }

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, kSortValueRole);
        const QVariant theirs = other.data(column, kSortValueRole);
        if (mine.isValid() != theirs.isValid())
            return !mine.isValid();
        if (mine.isValid())
            return mine.toLongLong() < theirs.toLongLong();
        const auto* list = static_cast<const SortableList*>(treeWidget());
        return list->Collator().compare(text(column), other.text(column)) < 0;
    }

private:
    std::unique_ptr<FileListItem> record_;
};

} // namespace

SortableList::SortableList(QWidget* parent)
    : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // keeps inserting and scrolling cheap in lists of thousands of rows
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false); // rows are appended where they are added; only a header click sorts
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false); // FillLastColumn() does it, narrower too
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &SortableList::SortByColumn);
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!fitting_ && column >= 0 && static_cast<size_t>(column) < userSized_.size()
            && column != columnCount() - 1) // the last column follows the list's width
            userSized_[static_cast<size_t>(column)] = true;
        if (column != columnCount() - 1)
            FillLastColumn();
    });
}

void SortableList::SetColumns(std::span<const ListColumn> columns)
{
    setColumnCount(static_cast<int>(columns.size()));
    numericColumns_.clear();
    alignments_.clear();
    QStringList titles;
    for (const ListColumn& column : columns) {
        titles << column.title;
        numericColumns_.push_back(column.numeric);
        alignments_.push_back(column.alignment | Qt::AlignVCenter);
    }
    setHeaderLabels(titles);
    fitting_ = true;
    setWidths_.clear();
    userSized_.assign(columns.size(), false);
    for (int index = 0; index < static_cast<int>(columns.size()); ++index) {
        const ListColumn& column = columns[static_cast<size_t>(index)];
        setColumnWidth(index, column.width);
        setWidths_.push_back(column.width);
        headerItem()->setTextAlignment(index, alignments_[static_cast<size_t>(index)]);
    }
    fitting_ = false;
}

void SortableList::FitColumns()
{
    fitting_ = true;
    const int mark = style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header());
    const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header());
    const QFontMetrics headerFont(header()->font());
    for (int column = 0; column + 1 < columnCount(); ++column) {
        const auto index = static_cast<size_t>(column);
        if (index >= setWidths_.size() || userSized_[index])
            continue;
        const int set = setWidths_[index];
        const int forHeader = headerFont.horizontalAdvance(headerItem()->text(column)) + mark + 2 * margin + 4;
        const int forRows = std::min(sizeHintForColumn(column), 3 * set);
        setColumnWidth(column, std::max({ set, forHeader, forRows }));
    }
    fitting_ = false;
    FillLastColumn();
}

void SortableList::FillLastColumn()
{
    const int last = columnCount() - 1;
    if (last < 1 || filling_)
        return;
    filling_ = true;
    int others = 0;
    for (int column = 0; column < last; ++column)
        others += columnWidth(column);
    const int set = static_cast<size_t>(last) < setWidths_.size() ? setWidths_[static_cast<size_t>(last)] : 50;
    setColumnWidth(last, std::max(viewport()->width() - others, std::min(set, 40)));
    filling_ = false;
}

void SortableList::updateGeometries()
{
    QTreeWidget::updateGeometries();
    FillLastColumn();
}

void SortableList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        Q_EMIT ContextMenuRequested(mapToGlobal(rect().center()));
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void SortableList::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        FitColumns();
    }
}

int SortableList::InsertRow(int index, const QString& text, std::unique_ptr<FileListItem> record)
{
    if (index < 0 || index > RowCount())
        index = RowCount();
    auto* row = new SortableListRow(std::move(record));
    row->setText(0, text);
    for (size_t column = 0; column < alignments_.size(); ++column)
        row->setTextAlignment(static_cast<int>(column), alignments_[column]);
    insertTopLevelItem(index, row);
    return index;
}

FileListItem* SortableList::Record(int row) const
{
    const auto* item = static_cast<const SortableListRow*>(topLevelItem(row));
    return item ? item->Record() : nullptr;
}

void SortableList::SetCell(int row, int column, const QString& text, std::optional<qint64> value)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    item->setText(column, text);
    const bool numeric = column >= 0 && static_cast<size_t>(column) < numericColumns_.size()
        && numericColumns_[static_cast<size_t>(column)];
    item->setData(column, kSortValueRole, numeric && value ? QVariant(*value) : QVariant());
}

QString SortableList::CellText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

void SortableList::SetCellToolTip(int row, int column, const QString& text)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setToolTip(column, text);
}

QString SortableList::CellToolTip(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->toolTip(column) : QString();
}

void SortableList::DeleteRow(int row) { delete takeTopLevelItem(row); }

void SortableList::DeleteAllRows() { clear(); }

std::vector<int> SortableList::SelectedRows() const
{
    std::vector<int> rows;
    for (int row = 0; row < RowCount(); ++row)
        if (topLevelItem(row)->isSelected())
            rows.push_back(row);
    return rows;
}

void SortableList::SelectRow(int row, bool selected)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setSelected(selected);
}

void SortableList::MoveRow(int from, int to)
{
    QTreeWidgetItem* item = topLevelItem(from);
    if (!item || to < 0 || to >= RowCount() || from == to)
        return;
    const bool selected = item->isSelected();
    const bool current = currentItem() == item;
    takeTopLevelItem(from);
    insertTopLevelItem(to, item);
    item->setSelected(selected);
    if (current)
        setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

void SortableList::EnsureRowVisible(int row)
{
    // Scrolling lays out every row first, so scrolling to each row as it is added would make
    // filling a long list quadratic. The scroll waits for the event loop instead, which the
    // loading pumps a few times a second, and goes to the row asked for last.
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    pendingScroll_ = QPersistentModelIndex(indexFromItem(item));
    if (scrollScheduled_)
        return;
    scrollScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scrollScheduled_ = false;
        if (pendingScroll_.isValid())
            scrollTo(pendingScroll_);
        pendingScroll_ = QPersistentModelIndex();
    });
}

void SortableList::SortByColumn(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    ascending_ = (column != sortColumn_ || !ascending_);
    // Text columns sort by the locale's collation, digits by their value ("track 9" before "track 10").
    collator_ = QCollator(QLocale());
    collator_.setNumericMode(true);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    sortColumn_ = column;
    sortItems(column, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
    header()->setSortIndicatorShown(true);
}

void SortableList::contextMenuEvent(QContextMenuEvent* event)
{
    // From the keyboard the menu opens at the middle of the list, not where the mouse happens to be.
    const QPoint position
        = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(rect().center()) : event->globalPos();
    Q_EMIT ContextMenuRequested(position);
    event->accept();
}

void SortableList::MoveRowsTo(std::vector<int> rows, int before)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int row) { return row < 0 || row >= RowCount(); }),
        rows.end());
    if (rows.empty())
        return;
    before = std::clamp(before, 0, RowCount());
    QTreeWidgetItem* current = currentItem();
    std::vector<QTreeWidgetItem*> moving;
    std::vector<bool> selected;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        QTreeWidgetItem* item = topLevelItem(*row);
        selected.insert(selected.begin(), item->isSelected());
        moving.insert(moving.begin(), takeTopLevelItem(*row));
    }
    // The rows taken out from above the place shift it up.
    int at = before - static_cast<int>(std::count_if(rows.begin(), rows.end(), [before](int row) { return row < before; }));
    for (size_t index = 0; index < moving.size(); ++index) {
        insertTopLevelItem(at + static_cast<int>(index), moving[index]);
        moving[index]->setSelected(selected[index]);
    }
    if (current && std::find(moving.begin(), moving.end(), current) != moving.end())
        setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    // The list is no longer in the order of a sorted column.
    sortColumn_ = -1;
    header()->setSortIndicatorShown(false);
    Q_EMIT RowsReordered();
}

void SortableList::SetRowsDraggable(bool draggable)
{
    rowsDraggable_ = draggable;
    setDragEnabled(draggable);
    setAcceptDrops(draggable);
    viewport()->setAcceptDrops(draggable);
    setDropIndicatorShown(false); // paintEvent draws its own line between rows
}

QMimeData* SortableList::RowDragData() const
{
    auto* rows = new QMimeData;
    rows->setData(kRowDragFormat,
        QByteArray::number(QCoreApplication::applicationPid()) + ':'
            + QByteArray::number(reinterpret_cast<quintptr>(this), 16));
    return rows;
}

bool SortableList::IsRowDragOfThisList(const QMimeData* dragged) const
{
    if (!rowsDraggable_ || !dragged || !dragged->hasFormat(kRowDragFormat))
        return false;
    std::unique_ptr<QMimeData> mine(RowDragData());
    return dragged->data(kRowDragFormat) == mine->data(kRowDragFormat);
}

int SortableList::DropRowAt(const QPoint& position) const
{
    QTreeWidgetItem* item = itemAt(position);
    if (!item)
        return position.y() < 0 ? 0 : RowCount();
    const int row = indexOfTopLevelItem(item);
    return position.y() < visualItemRect(item).center().y() ? row : row + 1;
}

void SortableList::startDrag(Qt::DropActions)
{
    if (!rowsDraggable_ || SelectedRows().empty())
        return;
    // The drop moves the rows itself: whatever the drag reports, nothing is removed here.
    auto* drag = new QDrag(this);
    drag->setMimeData(RowDragData());
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void SortableList::dragEnterEvent(QDragEnterEvent* event)
{
    if (!IsRowDragOfThisList(event->mimeData())) {
        event->ignore(); // files from a file manager are the page's
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void SortableList::dragMoveEvent(QDragMoveEvent* event)
{
    if (!IsRowDragOfThisList(event->mimeData())) {
        event->ignore();
        return;
    }
    const QPoint position = event->position().toPoint();
    if (position.y() < kScrollMargin)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (position.y() > viewport()->height() - kScrollMargin)
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    dropRow_ = DropRowAt(position);
    viewport()->update();
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void SortableList::dragLeaveEvent(QDragLeaveEvent* event)
{
    dropRow_ = -1;
    viewport()->update();
    event->accept();
}

void SortableList::dropEvent(QDropEvent* event)
{
    dropRow_ = -1;
    viewport()->update();
    if (!IsRowDragOfThisList(event->mimeData())) {
        event->ignore();
        return;
    }
    MoveRowsTo(SelectedRows(), DropRowAt(event->position().toPoint()));
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void SortableList::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (dropRow_ < 0 || RowCount() == 0)
        return;
    const bool atEnd = dropRow_ >= RowCount();
    const QRect row = visualItemRect(topLevelItem(atEnd ? RowCount() - 1 : dropRow_));
    const int y = atEnd ? row.bottom() : row.top();
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(0, y, viewport()->width(), y);
}
