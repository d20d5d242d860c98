// What the lists show of variable-bitrate files made by libmp3lame, and the joiner's track field.
#include "tests/support/Mp3Layout.h"
#include "tests/ui/lists/ListPageTest.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/widgets/SpinEdit.h"

#include <QApplication>
#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class ListBitrateTest : public ListPageTest {
protected:
    // Music rather than a tone, so the encoder's frames vary from 32 to 320 kbit/s.
    static const Bytes& VbrMusic(bool infoFrame)
    {
        static const Bytes withInfo = EncodePcm(MakeMusic(6.0), 128, true, true, 6);
        static const Bytes withoutInfo = EncodePcm(MakeMusic(6.0), 128, true, false, 6);
        return infoFrame ? withInfo : withoutInfo;
    }

    // The average worked out here from the frames themselves: their bytes over their samples.
    static int FrameAverage(const Bytes& file)
    {
        const Mp3Layout layout = ReadMp3Layout(file);
        uint64_t bytes = 0;
        for (const Bytes& frame : layout.frames)
            bytes += frame.size();
        const double seconds = static_cast<double>(layout.frames.size()) * 1152 / 44100;
        return static_cast<int>(bytes * 8 / seconds / 1000 + 0.5);
    }

    static int FirstFrameBitrate(const Bytes& file)
    {
        const Mp3Layout layout = ReadMp3Layout(file);
        static constexpr int kMpeg1Layer3[] = { 0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 };
        return kMpeg1Layer3[layout.frames.front()[2] >> 4];
    }

    static QString ShownBitrate(const FileListPage& page, int row) { return page.List()->CellText(row, 3); }

    OptionValues options_;
};

} // namespace

TEST_F(ListBitrateTest, VariableBitrateFilesShowTheirAverageWithOrWithoutAnInformationFrame)
{
    const int average = FrameAverage(VbrMusic(false));
    // The test means something only when the first frame is not already the average.
    ASSERT_GT(std::abs(FirstFrameBitrate(VbrMusic(false)) - average), 8);
    ASSERT_EQ(FrameAverage(VbrMusic(true)), average);

    // A byte count no stream can have (a damaged frame) is not trusted: the frames are walked.
    Bytes badCount = VbrMusic(true);
    const auto xing = std::search(badCount.begin(), badCount.end(), "Xing", "Xing" + 4);
    ASSERT_NE(xing, badCount.end());
    ASSERT_EQ(xing[7] & 2, 2); // the byte count is there, after the flags and the frame count
    std::fill(xing + 12, xing + 16, uint8_t { 0xFF });

    const std::vector<std::string> files { WriteMp3("with info.mp3", VbrMusic(true)),
        WriteMp3("without info.mp3", VbrMusic(false)), WriteMp3("bad count.mp3", badCount), WriteTone("cbr.mp3") };
    JoinerPage joiner;
    joiner.SetLiveOptions(&options_);
    joiner.show();
    joiner.LoadFileList(files);
    BatchCutterPage batch;
    batch.show();
    batch.LoadFileList(files);
    ASSERT_TRUE(messages_.empty());
    for (const FileListPage* page : { static_cast<const FileListPage*>(&joiner), static_cast<const FileListPage*>(&batch) }) {
        ASSERT_EQ(page->List()->RowCount(), 4);
        for (int row = 0; row < 3; ++row) {
            const int shown = ShownBitrate(*page, row).section(' ', 0, 0).toInt();
            EXPECT_NEAR(shown, average, 1) << "row " << row;
        }
        EXPECT_EQ(ShownBitrate(*page, 3), "128 kbps");
        // Without an information frame the walk measures the length too: 6 seconds, not what the
        // first frame's bitrate would make of the bytes.
        EXPECT_EQ(page->List()->CellText(1, 2), "00:06");
    }
    EXPECT_EQ(joiner.Record(1)->totalSamples, ReadMp3Layout(VbrMusic(false)).frames.size() * 1152);
}

TEST_F(ListBitrateTest, TheJoinersAutomaticEncodingTakesTheAverages)
{
    // 32 kHz at 64 kbit/s beside the VBR music: re-encoded at 44.1 kHz and the larger of the
    // average and 64, not at the first frame's bitrate.
    ToneSpec low;
    low.sampleRate = 32000;
    low.bitrate = 64;
    JoinerPage page;
    page.SetLiveOptions(&options_);
    page.show();
    page.LoadFileList({ WriteMp3("music.mp3", VbrMusic(false)), WriteMp3("low.mp3", EncodeTone(low)) });
    ASSERT_EQ(page.List()->RowCount(), 2);
    const int average = page.Record(0)->bitrate;
    EXPECT_NE(average, FirstFrameBitrate(VbrMusic(false)));
    // The encoder writes the nearest bitrate it allows to the larger of the two.
    const int larger = std::max(average, 64);
    const int allowed[] = { 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320 };
    int nearest = allowed[0];
    for (const int bitrate : allowed)
        if (std::abs(bitrate - larger) < std::abs(nearest - larger))
            nearest = bitrate;
    EXPECT_EQ(page.JoinMethodTip().toStdString(),
        "Join method: Re-encode to 44,100 Hz " + std::to_string(nearest) + " kbit/s joint stereo");
}

TEST_F(ListBitrateTest, TheTrackFieldTakesOneTo255OrNothing)
{
    JoinerPage page;
    page.SetLiveOptions(&options_);
    page.show();
    page.LoadFileList({ WriteTone("a.mp3"), WriteTone("b.mp3") });
    options_.JoinerBrowseFolder = false;
    const std::string output = files_.File("joined.mp3");
    // 999 would wrap to 231 in the one byte of the ID3v1 block; 0 is no track; text is no number.
    for (const char* text : { "999", "0", "256" }) {
        messages_.clear();
        page.TrackEdit()->SetText(text);
        EXPECT_FALSE(page.JoinInto(output)) << text;
        ASSERT_EQ(messages_.size(), 1u) << text;
        EXPECT_EQ(messages_[0].text, "Please enter an integer between 1 and 255.");
        EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
        EXPECT_FALSE(fs::exists(output));
    }
    messages_.clear();
    page.TrackEdit()->SetText("7a"); // a stored value; the field refuses letters as they are typed
    EXPECT_FALSE(page.JoinInto(output));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please enter an integer.");
    EXPECT_FALSE(fs::exists(output));

    messages_.clear();
    for (const char* text : { "255", "1", "" }) {
        page.TrackEdit()->SetText(text);
        ASSERT_TRUE(page.JoinInto(output)) << text;
        ID3TagInfo tag;
        ASSERT_TRUE(ReadID3v1Tag(output, tag));
        EXPECT_EQ(tag.hasTrack != 0, *text != 0);
        if (*text) {
            EXPECT_EQ(tag.track, std::atoi(text));
        }
    }
    EXPECT_TRUE(messages_.empty());
}
