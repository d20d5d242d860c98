#pragma once
// The report list of the batch cutter and joiner pages: columns of fixed titles, widths and
// alignment, rows that each carry their record, and sorting by a click on a column header.
//
// A header click sorts ascending, or descending when the same column was sorted ascending last.
// Number columns sort by the value each cell was given, not by its text (so "9.50 MB" comes before
// "10.00 MB"); cells without a value sort before those with one. Text columns sort as the desktop's
// locale orders text. Equal cells keep their order.
#include "ui/lists/FileListItem.h"

#include <QPersistentModelIndex>
#include <QCollator>
#include <QTreeWidget>

class QMimeData;
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct ListColumn {
    const char* title;
    int width; // pixels
    Qt::Alignment alignment;
    bool numeric; // sorts by the cells' values
};

class SortableList : public QTreeWidget {
    Q_OBJECT
public:
    explicit SortableList(QWidget* parent = nullptr);

    void SetColumns(std::span<const ListColumn> columns);

    // Inserts a row at index (the end when out of range) with text in the first column; the row takes
    // the record. Returns the row's index.
    int InsertRow(int index, const QString& text, std::unique_ptr<FileListItem> record);
    // The row's record, or nullptr for a row that does not exist.
    FileListItem* Record(int row) const;
    template <typename Item> Item* RecordAs(int row) const { return static_cast<Item*>(Record(row)); }
    // Sets a cell's text and, for a number column, the value it sorts by.
    void SetCell(int row, int column, const QString& text, std::optional<qint64> value = std::nullopt);
    QString CellText(int row, int column) const;
    // What shows when the mouse rests on the cell: the whole text that a narrow column cuts short.
    void SetCellToolTip(int row, int column, const QString& text);
    QString CellToolTip(int row, int column) const;
    // Deletes the row and its record.
    void DeleteRow(int row);
    void DeleteAllRows();
    int RowCount() const { return topLevelItemCount(); }

    // Selected rows in ascending order.
    std::vector<int> SelectedRows() const;
    void SelectRow(int row, bool selected);
    // Moves a row, with its record, selection and focus, to another index.
    void MoveRow(int from, int to);
    // Moves the rows (any order) as one block in their list order to where row `before` stands now
    // (RowCount() for the end), keeping their selection and focus; what a drop of dragged rows does.
    void MoveRowsTo(std::vector<int> rows, int before);

    // Rows can be dragged to another place in the list (the joiner's order is the join order).
    void SetRowsDraggable(bool draggable);
    // What a drag of the selected rows carries: it names this list in this process, so rows dragged
    // from another list or another running program are not taken for these.
    QMimeData* RowDragData() const;
    bool IsRowDragOfThisList(const QMimeData* dragged) const;
    // The row a drop at this viewport position puts the dragged rows before.
    int DropRowAt(const QPoint& position) const;
    // Scrolls the row into view when the event loop next runs.
    void EnsureRowVisible(int row);

    // What a header click does.
    void SortByColumn(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }
    // How text cells compare in the sort under way.
    const QCollator& Collator() const { return collator_; }

    // Widens each column the user has not resized to show its header (with room for the sort mark)
    // and the rows in view, up to three times its set width; done at the first show and after the
    // list is filled. The last column fills what is left, so a scroll bar never hides it.
    void FitColumns();

Q_SIGNALS:
    // A right click or the context-menu key; globalPosition is where the menu opens.
    void ContextMenuRequested(const QPoint& globalPosition);
    // Rows were dragged to another place.
    void RowsReordered();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Shift+F10 opens the context menu as the Menu key does.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Runs when the viewport or the scroll bars change: the last column fills what is left.
    void updateGeometries() override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Draws the line where dragged rows would go.
    void paintEvent(QPaintEvent* event) override;

private:
    // The last column takes the width the others leave in the viewport (at least 40 pixels).
    void FillLastColumn();
    std::vector<bool> numericColumns_;
    std::vector<Qt::Alignment> alignments_;
    std::vector<int> setWidths_; // the columns' widths as given
    std::vector<bool> userSized_; // columns the user has resized: fitting leaves them
    bool fitting_ = false;
    bool filling_ = false;
    bool shownOnce_ = false;
    QCollator collator_;
    int sortColumn_ = -1;
    bool ascending_ = true;
    QPersistentModelIndex pendingScroll_;
    bool scrollScheduled_ = false;
    bool rowsDraggable_ = false;
    int dropRow_ = -1; // where the rows being dragged over the list would go, -1 when none are
};
