#pragma once
// The drop-down list of ID3v1 genres shared by the ID3 tag dialog and the joiner page: the names of
// the genre table in alphabetical order, each item carrying its genre index, so the item data and
// not the position identifies the genre. An empty first entry stands for no genre.
#include <QComboBox>
#include <optional>

class GenreComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit GenreComboBox(QWidget* parent = nullptr);

    // Selects the item of that genre index; any index outside the table selects nothing.
    void SelectGenre(int genreIndex);
    // True when the user picked the empty entry (no genre).
    bool IsEmptyEntryChosen() const { return currentIndex() == 0; }
    // The genre index of the selected item, or none when nothing or the empty entry is selected.
    std::optional<int> SelectedGenre() const;
};
