#pragma once
// The modal "ID3 tag" dialog: the ID3v1 tag one piece of the cutter will carry, and how its track
// number is chosen. The caller fills the members, runs the dialog and, after OK, reads them back;
// after Cancel it keeps what it had.
#include <QDialog>
#include <QString>

class DigitsSpinEdit;
class GenreComboBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class TagDialog : public QDialog {
    Q_OBJECT
public:
    explicit TagDialog(QWidget* parent = nullptr);

    QString title, artist, album, year, comment;
    int trackNumber = 0; // the custom number, 0-255; meaningful after OK only with TrackNoCustom
    int genre = 0; // a genre index; outside 0-147 nothing is selected
    int trackType = 0; // a TrackNoType
    int sourceTrackNumber = 0; // shown for TrackNoSource

    // Shows the members in the controls; exec() calls it, tests may call it to look before running.
    void InitDialog();
    int exec() override;
    // OK: reads and checks the values; on a fault says why, focuses the field and stays open.
    void accept() override;

    QComboBox* TrackTypeList() const { return trackType_; }
    DigitsSpinEdit* TrackNumberEdit() const { return trackNumber_; }
    QLineEdit* TitleEdit() const { return title_; }
    QLineEdit* ArtistEdit() const { return artist_; }
    QLineEdit* AlbumEdit() const { return album_; }
    QLineEdit* YearEdit() const { return year_; }
    QLineEdit* CommentEdit() const { return comment_; }
    GenreComboBox* GenreList() const { return genre_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void ApplyTrackType();
    bool ReadValues();
    bool ReadText(QLineEdit* edit, int limit, QString& member);

    QComboBox* trackType_ = nullptr;
    DigitsSpinEdit* trackNumber_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLineEdit* artist_ = nullptr;
    QLineEdit* album_ = nullptr;
    QLineEdit* year_ = nullptr;
    GenreComboBox* genre_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool initialised_ = false;
};
