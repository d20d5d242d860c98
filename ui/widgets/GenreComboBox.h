#pragma once
// The drop-down list of ID3v1 genres shared by the ID3 tag dialog and the joiner page: the names of
// the genre table in alphabetical order, each item carrying its genre index, so the item data and
// not the position identifies the genre.
#include <QComboBox>
#include <optional>

class GenreComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit GenreComboBox(QWidget* parent = nullptr);

    // Selects the item of that genre index; any index outside the table selects nothing.
    void SelectGenre(int genreIndex);
    // The genre index of the selected item, or none when nothing is selected.
    std::optional<int> SelectedGenre() const;
};
