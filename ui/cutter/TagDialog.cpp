#include "ui/cutter/TagDialog.h"

#include "engine/stream/ID3TagInfo.h"
#include "ui/widgets/DigitsSpinEdit.h"
#include "ui/widgets/GenreComboBox.h"
#include "ui/widgets/MessageBox.h"
#include "ui/cutter/TagTextValidator.h"
#include "ui/widgets/WindowHelpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kTextLimit = 30;
constexpr int kYearLimit = 4;
constexpr int kHighestTrackNumber = 255;

QLineEdit* AddEdit(QWidget* dialog, const QRect& area, int limit, bool digitsOnly)
{
    auto* edit = new QLineEdit(dialog);
    edit->setGeometry(area);
    edit->setValidator(new TagTextValidator(limit, digitsOnly, edit));
    return edit;
}

void AddLabel(QWidget* dialog, const QString& text, const QRect& area, QWidget* buddy)
{
    auto* label = new QLabel(text, dialog);
    label->setGeometry(area);
    label->setBuddy(buddy);
}

} // namespace

TagDialog::TagDialog(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setWindowTitle("ID3 tag");
    setModal(true);
    setFixedSize(DialogUnitsX(236), DialogUnitsY(146));

    trackType_ = new QComboBox(this);
    trackType_->setGeometry(DialogRect(44, 7, 151, 13));
    AddLabel(this, "&Track #:", DialogRect(7, 10, 36, 9), trackType_);
    trackNumber_ = new DigitsSpinEdit(this);
    trackNumber_->setGeometry(DialogRect(199, 7, 30, 13));

    title_ = AddEdit(this, DialogRect(44, 24, 185, 14), kTextLimit, false);
    AddLabel(this, "&Title:", DialogRect(7, 27, 36, 9), title_);
    artist_ = AddEdit(this, DialogRect(44, 43, 185, 14), kTextLimit, false);
    AddLabel(this, "&Artist:", DialogRect(7, 46, 36, 9), artist_);
    album_ = AddEdit(this, DialogRect(44, 62, 185, 14), kTextLimit, false);
    AddLabel(this, "Albu&m:", DialogRect(7, 65, 36, 9), album_);
    year_ = AddEdit(this, DialogRect(44, 81, 30, 14), kYearLimit, true);
    AddLabel(this, "&Year:", DialogRect(7, 84, 36, 9), year_);
    genre_ = new GenreComboBox(this);
    genre_->setGeometry(DialogRect(110, 81, 119, 14));
    AddLabel(this, "&Genre:", DialogRect(83, 84, 26, 9), genre_);
    comment_ = AddEdit(this, DialogRect(44, 100, 185, 14), kTextLimit, false);
    // Wider than the other labels, into the margin: the longest caption of the column.
    AddLabel(this, "&Comment:", DialogRect(4, 103, 40, 9), comment_);

    ok_ = new QPushButton("OK", this);
    ok_->setGeometry(DialogRect(61, 125, 50, 14));
    ok_->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setGeometry(DialogRect(124, 125, 50, 14));
    connect(ok_, &QPushButton::clicked, this, &TagDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TagDialog::reject);
    // Only a choice by the user applies a type; the initial selection is applied by InitDialog.
    connect(trackType_, &QComboBox::activated, this, &TagDialog::ApplyTrackType);
    ApplyFontToChildren(this, CreatePageFont());
}

void TagDialog::InitDialog()
{
    initialised_ = true;
    title_->setText(title);
    artist_->setText(artist);
    album_->setText(album);
    year_->setText(year);
    comment_->setText(comment);
    trackNumber_->SetRange(0, kHighestTrackNumber);
    trackNumber_->SetText(QString::number(trackNumber));
    genre_->SelectGenre(genre);

    trackType_->clear();
    trackType_->addItem("Set sequence number automatically", TrackNoSequence);
    trackType_->addItem("Use track # of source file", TrackNoSource);
    trackType_->addItem("Custom", TrackNoCustom);
    trackType_->addItem("Null", TrackNoNull);
    const int row = trackType_->findData(trackType);
    trackType_->setCurrentIndex(row >= 0 ? row : 0);
    ApplyTrackType();
}

int TagDialog::exec()
{
    if (!initialised_)
        InitDialog();
    return QDialog::exec();
}

void TagDialog::ApplyTrackType()
{
    const int type = trackType_->currentData().toInt();
    if (type == TrackNoSequence || type == TrackNoNull)
        trackNumber_->SetText("0");
    else if (type == TrackNoSource)
        trackNumber_->SetPosition(sourceTrackNumber);
    trackNumber_->setEnabled(type == TrackNoCustom);
}

bool TagDialog::ReadText(QLineEdit* edit, int limit, QString& member)
{
    if (edit->text().size() > limit) {
        ShowMessageBox(this, QString("Please enter no more than %1 characters.").arg(limit));
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    member = edit->text();
    return true;
}

bool TagDialog::ReadValues()
{
    const std::optional<int> number = trackNumber_->Number();
    if (!number) {
        ShowMessageBox(this, "Please enter an integer.");
        trackNumber_->setFocus();
        return false;
    }
    if (*number < 0 || *number > kHighestTrackNumber) {
        ShowMessageBox(this, QString("Please enter an integer between %1 and %2.").arg(0).arg(kHighestTrackNumber));
        trackNumber_->setFocus();
        return false;
    }
    trackNumber = *number;
    return ReadText(title_, kTextLimit, title) && ReadText(artist_, kTextLimit, artist)
        && ReadText(album_, kTextLimit, album) && ReadText(year_, kYearLimit, year)
        && ReadText(comment_, kTextLimit, comment);
}

void TagDialog::accept()
{
    if (!ReadValues())
        return;
    trackType = trackType_->currentIndex() >= 0 ? trackType_->currentData().toInt() : 0;
    // The empty entry clears the genre (255); no choice at all keeps the piece's genre.
    genre = genre_->IsEmptyEntryChosen() ? 255 : genre_->SelectedGenre().value_or(genre);
    QDialog::accept();
}
