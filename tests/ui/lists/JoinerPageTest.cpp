// The joiner page on real files: moving rows, copying a row's tag, the tag fields and their store,
// and joins by frame copy and by re-encoding run from the page, with their failures.
#include "ui/lists/JoinerPage.h"
#include "engine/stream/ID3TagInfo.h"
#include "platform/desktop/SettingsKey.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/ui/lists/ListPageTest.h"
#include "ui/widgets/GenreComboBox.h"
#include "ui/widgets/SpinEdit.h"
#include "ui/widgets/ProgressDialogBase.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class JoinerPageTest : public ListPageTest {
protected:
    void Show(JoinerPage& page)
    {
        page.SetLiveOptions(&options_);
        page.show();
    }

    // A row whose title, artist and track tell it apart.
    static std::unique_ptr<JoinFileItem> Row(int number)
    {
        auto item = std::make_unique<JoinFileItem>();
        item->path = "/music/" + std::to_string(number) + ".mp3";
        item->sampleRate = 44100;
        item->bitrate = 128;
        SetTagTitle(item->tag, "Title " + std::to_string(number));
        SetTagArtist(item->tag, "Artist " + std::to_string(number));
        SetTagYear(item->tag, "2001");
        SetTagComment(item->tag, "Comment " + std::to_string(number));
        item->tag.hasTrack = 1;
        item->tag.track = number;
        item->tag.genre = 17;
        item->hasTag = true;
        return item;
    }

    static std::vector<std::string> Titles(const JoinerPage& page)
    {
        std::vector<std::string> titles;
        for (int row = 0; row < page.List()->RowCount(); ++row)
            titles.push_back(page.List()->CellText(row, JoinerPage::kTitleColumn).toStdString()
                + (page.List()->topLevelItem(row)->isSelected() ? "*" : ""));
        return titles;
    }

    static ID3TagInfo TagOf(const std::string& path)
    {
        ID3TagInfo tag;
        EXPECT_TRUE(ReadID3v1Tag(path, tag));
        return tag;
    }

    static bool Contains(const Bytes& haystack, const Bytes& needle)
    {
        return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
    }

    OptionValues options_;
};

} // namespace

TEST_F(JoinerPageTest, UpAndDownMoveSelectedBlocksAndNothingPastTheEnds)
{
    JoinerPage page;
    Show(page);
    for (int number = 1; number <= 5; ++number)
        page.InsertFileRow(Row(number));
    page.List()->SelectRow(1, true);
    page.List()->SelectRow(2, true);
    EXPECT_TRUE(page.UpButton()->isEnabled());
    page.UpButton()->click();
    EXPECT_EQ(Titles(page), (std::vector<std::string> { "Title 2*", "Title 3*", "Title 1", "Title 4", "Title 5" }));
    EXPECT_EQ(page.List()->CellText(0, JoinerPage::kArtistColumn), "Artist 2");
    EXPECT_EQ(page.Record(1)->path, "/music/3.mp3");
    page.UpButton()->click(); // the block is at the top
    EXPECT_EQ(Titles(page), (std::vector<std::string> { "Title 2*", "Title 3*", "Title 1", "Title 4", "Title 5" }));
    page.DownButton()->click();
    page.DownButton()->click();
    page.DownButton()->click();
    EXPECT_EQ(Titles(page), (std::vector<std::string> { "Title 1", "Title 4", "Title 5", "Title 2*", "Title 3*" }));
    page.DownButton()->click(); // the block is at the bottom
    EXPECT_EQ(Titles(page), (std::vector<std::string> { "Title 1", "Title 4", "Title 5", "Title 2*", "Title 3*" }));

    // Separate rows move one step each; Copy ID3 tag then takes the moved row's own tag.
    page.List()->clearSelection();
    page.List()->SelectRow(1, true);
    page.List()->SelectRow(3, true);
    page.UpButton()->click();
    EXPECT_EQ(Titles(page), (std::vector<std::string> { "Title 4*", "Title 1", "Title 2*", "Title 5", "Title 3" }));
    page.CopyTagButton()->click();
    EXPECT_EQ(page.TitleEdit()->text(), "Title 4");
    EXPECT_EQ(page.ArtistEdit()->text(), "Artist 4");
    EXPECT_EQ(page.CommentEdit()->text(), "Comment 4");
    EXPECT_EQ(page.YearEdit()->text(), "2001");
    EXPECT_EQ(page.TrackEdit()->Text(), "4");
    EXPECT_EQ(page.GenreBox()->SelectedGenre(), 17);
}

TEST_F(JoinerPageTest, CopyingATagWithoutTrackOrGenreEmptiesThoseFields)
{
    JoinerPage page;
    Show(page);
    auto plain = Row(1);
    plain->tag.hasTrack = 0;
    plain->tag.genre = 255;
    page.InsertFileRow(std::move(plain));
    auto untagged = std::make_unique<JoinFileItem>();
    untagged->path = "/music/untagged.mp3";
    page.InsertFileRow(std::move(untagged));
    page.TrackEdit()->SetText("9");
    page.GenreBox()->SelectGenre(3);
    page.List()->SelectRow(0, true);
    page.OnCopyTag();
    EXPECT_EQ(page.TrackEdit()->Text(), "");
    EXPECT_EQ(page.GenreBox()->SelectedGenre(), std::nullopt);
    EXPECT_EQ(page.List()->CellText(0, JoinerPage::kTrackColumn), "");
    page.List()->clearSelection();
    page.List()->SelectRow(1, true);
    page.GenreBox()->SelectGenre(3);
    page.OnCopyTag(); // no tag at all: no genre, though the zeroed record holds index 0
    EXPECT_EQ(page.GenreBox()->SelectedGenre(), std::nullopt);
    EXPECT_EQ(page.TitleEdit()->text(), "");
    EXPECT_EQ(page.List()->CellText(1, JoinerPage::kGenreColumn), "");
}

TEST_F(JoinerPageTest, AFrameCopyJoinFromThePageCarriesTheTypedTag)
{
    JoinerPage page;
    Show(page);
    const std::string first = WriteTone("in/first one.mp3");
    const std::string second = WriteTone("in/-second.mp3");
    page.LoadFileList({ first, second });
    EXPECT_EQ(page.JoinMethodTip(), "Join method: Frame copy, 44,100 Hz stereo");
    page.TitleEdit()->setText("Joined");
    page.ArtistEdit()->setText("Caf\u00e9 band");
    page.TrackEdit()->SetText("07");
    page.GenreBox()->SelectGenre(-1);
    const std::string output = files_.File("out/joined \xc3\xa9.mp3");
    fs::create_directories(files_.File("out"));

    ASSERT_TRUE(page.JoinInto(output));
    // The two-bar dialog has been let go but is not deleted before the next event pass.
    std::string lowerLabel;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<ProgressDialogBase*>(window))
            lowerLabel = dialog->Label(JobProgress::Lower)->text().toStdString();
    EXPECT_EQ(lowerLabel, "Joining 2 of 2 file(s) into joined \xc3\xa9.mp3...");
    const Bytes joined = ReadFile(output);
    Bytes both = Tone();
    Append(both, Tone());
    EXPECT_TRUE(Contains(joined, both)); // the frames of both files, copied as they are
    const ID3TagInfo tag = TagOf(output);
    EXPECT_STREQ(tag.title, "Joined");
    EXPECT_STREQ(tag.artist, "Caf\xe9 band"); // Latin-1
    EXPECT_EQ(tag.genre, 255);
    EXPECT_TRUE(tag.hasTrack);
    EXPECT_EQ(tag.track, 7);
    EXPECT_EQ(revealed_, std::vector<std::string> { output });
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(page.isEnabled());

    // An empty track field gives a tag without a track number; the option keeps the folder shut.
    options_.JoinerBrowseFolder = false;
    page.TrackEdit()->SetText("");
    ASSERT_TRUE(page.JoinInto(output));
    EXPECT_FALSE(TagOf(output).hasTrack);
    EXPECT_EQ(revealed_.size(), 1u);
}

TEST_F(JoinerPageTest, AJoinOfManyShortFilesRepaintsTheDialogOnPumpPassesOnly)
{
    JoinerPage page;
    Show(page);
    std::vector<std::string> inputs;
    for (int index = 0; index < 40; ++index)
        inputs.push_back(WriteTone("many/" + std::to_string(index) + ".mp3"));
    page.LoadFileList(inputs);
    options_.JoinerBrowseFolder = false;
    const std::string output = files_.File("joined.mp3");
    bool joined = false;
    const int paints = BarPaintsOutsideEventPasses([&] { joined = page.JoinInto(output); });
    ASSERT_TRUE(joined);
    EXPECT_LE(paints, 4);
    EXPECT_GT(fs::file_size(output), 39 * Tone().size());
}

TEST_F(JoinerPageTest, FilesOfDifferentFormatsOrFixedSettingsAreReencoded)
{
    JoinerPage page;
    Show(page);
    ToneSpec mono;
    mono.channels = 1;
    mono.sampleRate = 22050;
    mono.bitrate = 64;
    mono.seconds = 2.0;
    page.LoadFileList({ WriteTone("stereo.mp3"), WriteMp3("mono.mp3", EncodeTone(mono)) });
    // The button's tooltip names the method before the join, filled as it is about to show.
    QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), page.JoinNowButton()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(page.JoinNowButton(), &tip);
    EXPECT_EQ(page.JoinNowButton()->toolTip(), "Join method: Re-encode to 44,100 Hz 128 kbit/s joint stereo");
    const std::string output = files_.File("mixed.mp3");
    ASSERT_TRUE(page.JoinInto(output));
    const Pcm mixed = DecodeFile(output);
    EXPECT_EQ(mixed.sampleRate, 44100);
    EXPECT_FALSE(mixed.right.empty());
    EXPECT_NEAR(static_cast<double>(mixed.left.size()) / 44100.0, 5.0, 0.2);

    // Fixed settings re-encode even files that could be copied.
    options_.encoding.AutoMP3EncodingParam = false;
    options_.encoding.MP3SampleRate = 32000;
    options_.encoding.MP3BitRate = 96;
    options_.encoding.MP3ChannelMode = 3;
    page.OnRemoveAll();
    EXPECT_EQ(page.JoinMethodTip(), "");
    page.LoadFileList({ files_.File("stereo.mp3"), files_.File("stereo.mp3") });
    EXPECT_EQ(page.JoinMethodTip(), "Join method: Re-encode to 32,000 Hz 96 kbit/s mono");
    ASSERT_TRUE(page.JoinInto(output));
    const Pcm fixed = DecodeFile(output);
    EXPECT_EQ(fixed.sampleRate, 32000);
    EXPECT_TRUE(fixed.right.empty());
    EXPECT_FALSE(Contains(ReadFile(output), Tone()));
}

TEST_F(JoinerPageTest, FailuresAreShownCancelsAreNotAndNoInputIsHarmed)
{
    JoinerPage page;
    Show(page);
    const std::string first = WriteTone("a.mp3");
    const std::string second = WriteTone("b.mp3");
    page.LoadFileList({ first, second });

    // The output is one of the inputs, under another spelling: refused before anything is written.
    const std::string sameFile = files_.File("sub/../a.mp3");
    fs::create_directories(files_.File("sub"));
    EXPECT_FALSE(page.JoinInto(sameFile));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text.toStdString(),
        "Join failure. Failed to create file \"" + sameFile
            + "\". The output file is one of the files to be joined: joining into it would destroy it.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ReadFile(first), Tone());
    EXPECT_TRUE(revealed_.empty());

    // An input that went away since it was added.
    messages_.clear();
    fs::remove(second);
    const std::string output = files_.File("out.mp3");
    EXPECT_FALSE(page.JoinInto(output));
    ASSERT_EQ(messages_.size(), 1u);
    // Only an output that is one of the inputs is said to be one.
    EXPECT_EQ(messages_[0].text.toStdString(), "Join failure. Failed to open file \"" + second + "\".");
    EXPECT_FALSE(fs::exists(output));

    // Cancelled: no message, no output.
    messages_.clear();
    WriteTone("b.mp3");
    WhenDialogShows(
        [](ProgressDialogBase&) { return true; }, [](ProgressDialogBase& dialog) { dialog.CancelButton()->click(); });
    EXPECT_FALSE(page.JoinInto(output));
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(page.isEnabled());

    // One file: "&Join Now!" is enabled but does nothing.
    page.List()->DeleteRow(1);
    EXPECT_TRUE(page.JoinNowButton()->isEnabled());
    page.OnJoinNow();
    EXPECT_FALSE(page.JoinInto(output));
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(JoinerPageTest, TheTagFieldsKeepTheirLimitsAndComeBackAtTheNextStart)
{
    StoreText(kJoinerSubkey, "ID3Artist", "Stored artist");
    StoreNumber(kJoinerSubkey, "ID3Genre", 17);
    {
        JoinerPage page;
        Show(page);
        EXPECT_EQ(page.ArtistEdit()->text(), "Stored artist");
        EXPECT_EQ(page.GenreBox()->currentText(), "Rock");
        EXPECT_EQ(page.TitleEdit()->maxLength(), 30);
        EXPECT_EQ(page.CommentEdit()->maxLength(), 30);
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
        page.TitleEdit()->setFocus();
        QTest::keyClicks(page.TitleEdit(), "Best of");
        page.YearEdit()->clear();
        QTest::keyClicks(page.YearEdit(), "19a991");
        EXPECT_EQ(page.YearEdit()->text(), "1999");
        page.TrackEdit()->SetText("");
        QTest::keyClicks(page.TrackEdit(), "0x123");
        EXPECT_EQ(page.TrackEdit()->Text(), "012");
        page.TrackEdit()->SetText("255");
        page.TrackEdit()->stepBy(1);
        EXPECT_EQ(page.TrackEdit()->Text(), "255");
        page.TrackEdit()->SetText("");
        page.TrackEdit()->stepBy(-1);
        EXPECT_EQ(page.TrackEdit()->Text(), "1");

        // Delete in an edit edits its text; in the list it removes the selected rows.
        page.InsertFileRow(Row(1));
        page.List()->SelectRow(0, true);
        page.TitleEdit()->setFocus();
        page.TitleEdit()->setCursorPosition(0);
        QTest::keyClick(page.TitleEdit(), Qt::Key_Delete);
        EXPECT_EQ(page.TitleEdit()->text(), "est of");
        EXPECT_EQ(page.List()->RowCount(), 1);
        page.List()->setFocus();
        QTest::keyClick(page.List(), Qt::Key_Delete);
        EXPECT_EQ(page.List()->RowCount(), 0);
        page.GenreBox()->SelectGenre(-1);
    }
    EXPECT_EQ(StoredText(kJoinerSubkey, "ID3Title"), "est of");
    EXPECT_EQ(StoredText(kJoinerSubkey, "ID3Year"), "1999");
    EXPECT_EQ(StoredText(kJoinerSubkey, "ID3TrackNo"), "1");
    EXPECT_EQ(StoredNumber(kJoinerSubkey, "ID3Genre"), -1);
    JoinerPage again;
    again.show();
    EXPECT_EQ(again.TitleEdit()->text(), "est of");
    EXPECT_EQ(again.GenreBox()->SelectedGenre(), std::nullopt);
}

TEST_F(JoinerPageTest, TheContextMenuFollowsTheSelection)
{
    JoinerPage page;
    Show(page);
    QMenu* menu = page.ContextMenu();
    const QStringList texts { "&Play", "&Browse", "", "&Remove", "Remo&ve All", "", "&Up", "&Down", "", "Copy &ID3 tag",
        "", "&Add Files...", "Add &Folder...", "", "&Load List...", "&Save List As..." };
    ASSERT_EQ(menu->actions().size(), texts.size());
    for (int index = 0; index < texts.size(); ++index)
        EXPECT_EQ(menu->actions()[index]->text(), texts[index]);
    const auto enabled = [&](int index) {
        page.UpdateContextMenu();
        return menu->actions()[index]->isEnabled();
    };
    EXPECT_FALSE(enabled(4));
    EXPECT_TRUE(enabled(11));
    EXPECT_TRUE(enabled(14)); // a list can be loaded into an empty page, not saved from it
    EXPECT_FALSE(enabled(15));
    EXPECT_FALSE(page.SaveListButton()->isEnabled());
    page.InsertFileRow(Row(1));
    page.InsertFileRow(Row(2));
    EXPECT_TRUE(enabled(4));
    EXPECT_TRUE(enabled(15));
    EXPECT_TRUE(page.SaveListButton()->isEnabled());
    EXPECT_FALSE(enabled(0));
    page.List()->SelectRow(0, true);
    EXPECT_TRUE(enabled(0));
    EXPECT_TRUE(enabled(9));
    page.List()->SelectRow(1, true); // two rows: play, browse and copy need exactly one
    EXPECT_FALSE(enabled(0));
    EXPECT_FALSE(enabled(1));
    EXPECT_FALSE(enabled(9));
    EXPECT_TRUE(enabled(3));
    EXPECT_TRUE(enabled(6));
    EXPECT_TRUE(page.CopyTagButton()->isEnabled());
    menu->actions()[3]->trigger();
    EXPECT_EQ(page.List()->RowCount(), 0);
    EXPECT_FALSE(page.JoinNowButton()->isEnabled());
    EXPECT_FALSE(page.UpButton()->isEnabled());
}

TEST_F(JoinerPageTest, AFileWithOnlyAnID3v2TagShowsItsTagAndTheJoinGetsTheTypedUnicodeTitle)
{
    JoinerPage page;
    Show(page);
    ID3v2TagValues values;
    Bytes tagged = MakeID3v2Tag(values);
    Append(tagged, Tone());
    const std::string first = WriteMp3("in/v2 only.mp3", tagged);
    const std::string second = WriteTone("in/plain.mp3");
    page.LoadFileList({ first, second });
    ASSERT_EQ(page.List()->RowCount(), 2);
    EXPECT_EQ(page.List()->CellText(0, JoinerPage::kTitleColumn).toStdString(), values.title);
    EXPECT_EQ(page.List()->CellText(0, JoinerPage::kArtistColumn).toStdString(), values.artist);
    EXPECT_EQ(page.List()->CellText(0, JoinerPage::kGenreColumn).toStdString(), "Rock");
    EXPECT_EQ(page.List()->CellText(0, JoinerPage::kTrackColumn).toStdString(), "7");
    EXPECT_EQ(page.List()->CellText(1, JoinerPage::kTitleColumn).toStdString(), "");

    page.TitleEdit()->setText(QString::fromUtf8("Nacht – 東京"));
    const std::string output = files_.File("joined.mp3");
    ASSERT_TRUE(page.JoinInto(output));
    const auto tag = ReadID3v2Back(output);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->title, "Nacht – 東京");
    EXPECT_STREQ(TagOf(output).title, "Nacht ? ??");
}
