// The genre drop-down: alphabetical names that still answer with their table index.
#include "ui/widgets/GenreComboBox.h"
#include "engine/stream/GenreNames.h"

#include <gtest/gtest.h>

TEST(GenreComboBox, ListsNamesAlphabeticallyAndAnswersWithTheTableIndex)
{
    GenreComboBox box;
    ASSERT_EQ(box.count(), static_cast<int>(GenreNames.size()) + 1); // and the empty "no genre" entry
    EXPECT_TRUE(box.itemText(0).isEmpty());
    for (int item = 1; item < box.count(); ++item)
        EXPECT_LE(QString::compare(box.itemText(item - 1), box.itemText(item), Qt::CaseInsensitive), 0);
    EXPECT_FALSE(box.SelectedGenre().has_value()); // a new box selects nothing

    box.SelectGenre(17); // "Rock"
    ASSERT_TRUE(box.SelectedGenre().has_value());
    EXPECT_EQ(*box.SelectedGenre(), 17);
    EXPECT_EQ(box.currentText(), "Rock");
    EXPECT_NE(box.currentIndex(), 17); // the position is not the index

    box.SelectGenre(0);
    EXPECT_EQ(box.currentText(), "Blues");
    box.SelectGenre(255); // outside the table: nothing selected
    EXPECT_FALSE(box.SelectedGenre().has_value());
    box.SelectGenre(-1);
    EXPECT_FALSE(box.SelectedGenre().has_value());

    // A chosen genre can be cleared again by picking the empty entry.
    box.SelectGenre(17);
    box.setCurrentIndex(0);
    EXPECT_FALSE(box.SelectedGenre().has_value());
}
