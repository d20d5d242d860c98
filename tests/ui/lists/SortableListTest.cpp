// The list control of the batch cutter and joiner pages: columns wide enough for their headers and
// contents, the last column never under the scroll bar, text sorted by collation, Shift+F10.
#include "tests/gui_support/GuiTestEnvironment.h"
#include "ui/lists/FileListItem.h"
#include "ui/lists/SortableList.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <array>

using SortableListTest = GuiTest;

namespace {

constexpr std::array<ListColumn, 3> kColumns { {
    { "Name", 60, Qt::AlignLeft, false },
    { "Length of the piece", 20, Qt::AlignRight, true },
    { "Status", 80, Qt::AlignLeft, false },
} };

void AddRow(SortableList& list, const QString& name)
{
    const int row = list.InsertRow(-1, name, std::make_unique<FileListItem>());
    list.SetCell(row, 1, "0:03", 3);
}

} // namespace

TEST_F(SortableListTest, ColumnsFitHeadersAndRowsUntilTheUserSizesThem)
{
    SortableList list;
    list.resize(400, 200);
    list.SetColumns(kColumns);
    AddRow(list, "Acid Jazz and a longer name");
    list.show();
    const QFontMetrics font(list.header()->font());
    // The header shows whole, with room for the sort mark once sorted.
    EXPECT_GT(list.columnWidth(1), font.horizontalAdvance("Length of the piece"));
    EXPECT_GT(list.columnWidth(0), 60); // the row's name needs more than the set width
    EXPECT_LE(list.columnWidth(0), 3 * 60);

    list.header()->resizeSection(0, 40); // the user's choice stays
    AddRow(list, "An even longer name than the first one");
    list.FitColumns();
    EXPECT_EQ(list.columnWidth(0), 40);
}

TEST_F(SortableListTest, TheLastColumnStaysInViewBesideAScrollBar)
{
    constexpr std::array<ListColumn, 3> columns { {
        { "Name", 80, Qt::AlignLeft, false },
        { "Len", 70, Qt::AlignRight, true },
        { "Status", 80, Qt::AlignLeft, false },
    } };
    SortableList list;
    list.SetColumns(columns);
    list.resize(80 + 70 + 80 + 2 * list.frameWidth(), 150); // the columns fill the list exactly
    for (int row = 0; row < 1000; ++row)
        AddRow(list, QString("f%1").arg(row));
    list.show();
    QTest::qWait(10);
    ASSERT_TRUE(list.verticalScrollBar()->isVisible());
    const int last = list.columnCount() - 1;
    EXPECT_LE(list.header()->sectionViewportPosition(last) + list.columnWidth(last), list.viewport()->width());
}

TEST_F(SortableListTest, TextSortsByCollationWithNumbersByValue)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); // the C locale compares code points
    SortableList list;
    list.SetColumns(kColumns);
    for (const char* name : { "track 10", "Track 9", "\u00e9t\u00e9", "album" })
        AddRow(list, QString::fromUtf8(name));
    list.SortByColumn(0);
    QStringList names;
    for (int row = 0; row < list.RowCount(); ++row)
        names << list.CellText(row, 0);
    QLocale::setDefault(before);
    EXPECT_EQ(names, (QStringList { "album", QString::fromUtf8("\u00e9t\u00e9"), "Track 9", "track 10" }));
}

TEST_F(SortableListTest, ShiftF10OpensTheContextMenuAtTheListsMiddle)
{
    SortableList list;
    list.SetColumns(kColumns);
    list.resize(300, 200);
    list.show();
    QSignalSpy requests(&list, &SortableList::ContextMenuRequested);
    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].toPoint(), list.mapToGlobal(list.rect().center()));
    QTest::keyClick(&list, Qt::Key_F10); // F10 alone is not the menu
    EXPECT_EQ(requests.size(), 1);
}
