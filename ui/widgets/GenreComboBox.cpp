#include "ui/widgets/GenreComboBox.h"

#include "engine/stream/GenreNames.h"

#include <algorithm>
#include <vector>

GenreComboBox::GenreComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setMaxVisibleItems(20);
    std::vector<int> order(GenreNames.size());
    for (size_t index = 0; index < order.size(); ++index)
        order[index] = static_cast<int>(index);
    // Alphabetical as a sorted list box orders them: without regard to case.
    std::stable_sort(order.begin(), order.end(), [](int left, int right) {
        return QString::compare(
                   QString::fromLatin1(GenreNames[left]), QString::fromLatin1(GenreNames[right]), Qt::CaseInsensitive)
            < 0;
    });
    // The empty first entry clears a genre once chosen: it means no genre (255 in the tag).
    addItem(QString());
    for (const int index : order)
        addItem(QString::fromLatin1(GenreNames[index]), index);
    setCurrentIndex(-1);
}

void GenreComboBox::SelectGenre(int genreIndex) { setCurrentIndex(findData(genreIndex)); }

std::optional<int> GenreComboBox::SelectedGenre() const
{
    if (currentIndex() < 0 || !currentData().isValid())
        return std::nullopt;
    return currentData().toInt();
}
