#include "tests/ui/cutter/CutterPageFixture.h"

#include "engine/stream/ID3TagInfo.h"
#include "tests/support/GaplessDecode.h"

#include <QPushButton>
#include <QRadioButton>
#include <cmath>

namespace {

class CutterPageCueTest : public CutterPageFixture {
protected:
    // Ten seconds of music-like audio at 44.1 kHz.
    std::string Music(const std::string& name)
    {
        WriteFile(folder.File(name), EncodePcm(MakeMusic(10.0), 128, false, true));
        return folder.File(name);
    }
    void WriteSheet(const std::string& name, const std::string& text)
    {
        WriteFile(folder.File(name), Bytes(text.begin(), text.end()));
    }
};

// A tone, 2 s of digital silence, a tone, 1.5 s of silence, a tone: 3 s each.
Pcm TonesWithGaps()
{
    Pcm pcm;
    pcm.sampleRate = 44100;
    const auto append = [&](double seconds, bool sound) {
        for (int i = 0; i < static_cast<int>(seconds * 44100); ++i) {
            const auto value = sound ? static_cast<int16_t>(std::lround(12000 * std::sin(i * 0.0627))) : int16_t { 0 };
            pcm.left.push_back(value);
            pcm.right.push_back(value);
        }
    };
    append(3, true);
    append(2, false);
    append(3, true);
    append(1.5, false);
    append(3, true);
    return pcm;
}

} // namespace

TEST_F(CutterPageCueTest, LoadCueOpensItsFileAndFillsThePiecesWithTheTracks)
{
    Music("Live Set.mp3");
    WriteSheet("set.cue",
        "PERFORMER \"The Band\"\r\nTITLE \"Live\"\r\nREM DATE 2001\r\nFILE \"Live Set.mp3\" MP3\r\n"
        "TRACK 01 AUDIO\r\nTITLE \"Intro\"\r\nINDEX 01 00:01:00\r\n"
        "TRACK 02 AUDIO\r\nTITLE \"Caf\xE9\"\r\nPERFORMER \"Guest\"\r\nINDEX 00 00:03:00\r\nINDEX 01 00:04:30\r\n");
    ASSERT_FALSE(page->HasSource());
    ASSERT_TRUE(page->LoadCueSheetFile(folder.File("set.cue")));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(page->SourcePath(), folder.File("Live Set.mp3"));
    EXPECT_TRUE(page->ModeButton(3)->isChecked());
    // The second before the first track is a row of its own, left unchecked.
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Layout(), "0-10 10-44 44-" + std::to_string(page->Duration()));
    EXPECT_EQ(page->PiecesList()->topLevelItem(0)->checkState(CutterPage::kNumber), Qt::Unchecked);
    EXPECT_EQ(page->PiecesList()->topLevelItem(1)->checkState(CutterPage::kNumber), Qt::Checked);
    EXPECT_EQ(Cell(1, CutterPage::kTitle), "Intro");
    EXPECT_EQ(Cell(1, CutterPage::kArtist), "The Band");
    EXPECT_EQ(Cell(2, CutterPage::kTitle), QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(Cell(2, CutterPage::kArtist), "Guest");
    EXPECT_EQ(Cell(2, CutterPage::kAlbum), "Live");
    EXPECT_EQ(Cell(2, CutterPage::kTrack), "2");

    // Cut as usual: the tracks to the sample, tagged from the sheet.
    page->OnCutNow();
    ASSERT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    ASSERT_EQ(page->OutputFiles().size(), 2u);
    EXPECT_EQ(DecodeGapless(page->OutputFiles()[0]).left.size(), (4 * 75 + 30 - 75) * 588u);
    ID3TagInfo tag;
    ASSERT_TRUE(ReadID3v1Tag(page->OutputFiles()[1], tag));
    EXPECT_STREQ(tag.title, "Caf\xE9");
    EXPECT_STREQ(tag.year, "2001");
    EXPECT_EQ(tag.track, 2);
}

TEST_F(CutterPageCueTest, ABadSheetSaysWhyAndLeavesThePageAsItWas)
{
    const std::string source = Music("a.mp3");
    ASSERT_TRUE(page->OpenSource(source));
    MoveSlider(50);
    page->OnAddPiece();
    const std::string before = Layout();
    WriteSheet("bad.cue", "FILE \"a.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:30:00\n");
    WriteSheet("missing.cue", "FILE \"b.mp3\" MP3\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    EXPECT_FALSE(page->LoadCueSheetFile(folder.File("bad.cue")));
    EXPECT_FALSE(page->LoadCueSheetFile(folder.File("missing.cue")));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text.toStdString(),
        "The CUE sheet \"bad.cue\" cannot be used.\n\nLine 5: track 2 starts at 00:30:00, past the end of the audio "
        "(00:10:02).");
    EXPECT_NE(messages_[1].text.indexOf("Line 1: the audio file \"b.mp3\" does not exist"), -1);
    EXPECT_EQ(page->SourcePath(), source);
    EXPECT_EQ(Layout(), before);
}

TEST_F(CutterPageCueTest, AddPiecesAtSilencesCutsInTheirMiddlesAndRemembersTheValues)
{
    WriteFile(folder.File("gaps.mp3"), EncodePcm(TonesWithGaps(), 128, false, true));
    ASSERT_TRUE(page->OpenSource(folder.File("gaps.mp3")));
    EXPECT_TRUE(page->SilencesButton()->isEnabled());
    SilenceSplitSettings shown;
    page->runSilenceDialog = [&](SilenceSplitSettings& values) {
        shown = values;
        values.SilenceMinLength = 18; // 1.8 s: only the 2 s gap
        return true;
    };
    page->OnAddPiecesAtSilences();
    EXPECT_EQ(shown.SilenceThreshold, -480);
    EXPECT_EQ(shown.SilenceMinLength, 10);
    ASSERT_TRUE(messages_.empty());
    ASSERT_EQ(Rows(), 2);
    EXPECT_NEAR(page->Pieces().Entries()[0].end, 40, 1); // the gap is 3.0-5.0 s
    EXPECT_EQ(StoredNumber("/Cutter", "SilenceMinLength"), 18);
    EXPECT_EQ(StoredNumber("/Cutter", "SilenceThreshold"), -480);

    // The remembered values come back into the dialog; a lower minimum finds the 1.5 s gap too.
    page->runSilenceDialog = [&](SilenceSplitSettings& values) {
        shown = values;
        values.SilenceMinLength = 10;
        return true;
    };
    page->OnAddPiecesAtSilences();
    EXPECT_EQ(shown.SilenceMinLength, 18);
    ASSERT_EQ(Rows(), 3);
    EXPECT_NEAR(page->Pieces().Entries()[1].end, 87, 1); // the gap is 8.0-9.5 s

    page->OnCutNow();
    ASSERT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    ASSERT_EQ(page->OutputFiles().size(), 3u);
    size_t total = 0;
    for (const auto& piece : page->OutputFiles())
        total += DecodeGapless(piece).left.size();
    EXPECT_EQ(total, DecodeGapless(folder.File("gaps.mp3")).left.size());
}

TEST_F(CutterPageCueTest, NoSilenceIsSaidAndTheListStays)
{
    ASSERT_TRUE(page->OpenSource(Music("music.mp3")));
    page->runSilenceDialog = [](SilenceSplitSettings&) { return true; };
    page->OnAddPiecesAtSilences();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "No silence of at least 1.0 s below -48 dBFS was found; the file stays one piece.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Information);
    EXPECT_EQ(Rows(), 1);
    // Cancel in the dialog changes nothing, not even the settings.
    page->runSilenceDialog = [](SilenceSplitSettings& values) {
        values.SilenceThreshold = -300;
        return false;
    };
    page->OnAddPiecesAtSilences();
    EXPECT_EQ(StoredNumber("/Cutter", "SilenceThreshold"), -480);
    EXPECT_EQ(messages_.size(), 1u);
}
