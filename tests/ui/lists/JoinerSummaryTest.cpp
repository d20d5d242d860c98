// What the lists' pages say about their outcomes, and the joiner's line under its list: the files'
// totals and the join method, which must be what the join then does.
#include "platform/TextFormat.h"
#include "tests/support/Mp3Layout.h"
#include "tests/ui/lists/ListPageTest.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/lists/JoinSummary.h"
#include "ui/widgets/ElidedLabel.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class JoinerSummaryTest : public ListPageTest {
protected:
    void Show(FileListPage& page)
    {
        page.SetLiveOptions(&options_);
        page.show();
    }

    static std::unique_ptr<JoinFileItem> Facts(int sampleRate, int channelMode, int layer, int bitrate = 128)
    {
        auto item = std::make_unique<JoinFileItem>();
        item->path = "/music/x.mp3";
        item->sampleRate = sampleRate;
        item->channelMode = channelMode;
        item->layer = layer;
        item->bitrate = bitrate;
        item->totalSamples = static_cast<uint64_t>(sampleRate) * 90;
        item->fileSize = 1000;
        return item;
    }

    // The bitrate and sample rate of the first audio frame of a file the join wrote.
    static std::pair<int, int> WrittenFormat(const std::string& path)
    {
        const Mp3Layout layout = ReadMp3Layout(ReadFile(path));
        EXPECT_FALSE(layout.frames.empty());
        const Bytes& frame = layout.frames.front();
        static constexpr int kMpeg2Layer3[] = { 0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160 };
        static constexpr int kMpeg2Rates[] = { 22050, 24000, 16000 };
        return { kMpeg2Layer3[frame[2] >> 4], kMpeg2Rates[(frame[2] >> 2) & 3] };
    }

    OptionValues options_;
};

} // namespace

TEST_F(JoinerSummaryTest, TheLineUnderTheListFollowsTheRowsAndTheOptions)
{
    JoinerPage page;
    Show(page);
    EXPECT_EQ(page.SummaryText(), "No files");
    const std::string first = WriteTone("a.mp3");
    const std::string second = WriteTone("b.mp3");
    page.LoadFileList({ first });
    EXPECT_EQ(page.SummaryText().toStdString(),
        "1 file, 0:03, " + FormatSize(Tone().size()) + " \u2014 add another file to join");
    page.LoadFileList({ second });
    const std::string both = "2 files, 0:06, " + FormatSize(2 * Tone().size());
    EXPECT_EQ(page.SummaryText().toStdString(), both + " \u2014 Frame copy, 44,100 Hz stereo");
    QApplication::processEvents(); // the label is brought up to date once per pass of the event loop
    EXPECT_EQ(page.SummaryLabel()->FullText(), page.SummaryText());

    // A mono file of another rate: re-encoded to the highest rate and bitrate, joint stereo.
    ToneSpec mono;
    mono.channels = 1;
    mono.sampleRate = 22050;
    mono.bitrate = 64;
    page.LoadFileList({ WriteMp3("mono.mp3", EncodeTone(mono)) });
    QApplication::processEvents();
    EXPECT_TRUE(page.SummaryLabel()->FullText().endsWith("Re-encode to 44,100 Hz 128 kbit/s joint stereo"))
        << page.SummaryLabel()->FullText().toStdString();
    page.List()->SelectRow(2, true);
    page.OnRemove();
    QApplication::processEvents();
    EXPECT_EQ(page.SummaryLabel()->FullText().toStdString(), both + " \u2014 Frame copy, 44,100 Hz stereo");

    // Options changed on their page show when the joiner shows again.
    options_.encoding.AutoMP3EncodingParam = false;
    options_.encoding.MP3SampleRate = 32000;
    options_.encoding.MP3BitRate = 96;
    options_.encoding.MP3ChannelMode = 3;
    page.hide();
    page.show();
    EXPECT_EQ(page.SummaryLabel()->FullText().toStdString(), both + " \u2014 Re-encode to 32,000 Hz 96 kbit/s mono");
}

TEST_F(JoinerSummaryTest, TheSummarySaysWhatTheJoinThenWrites)
{
    // 320 kbit/s is more than 22,050 Hz allows: the encoder writes 160, and so does the summary.
    options_.encoding.AutoMP3EncodingParam = false;
    options_.encoding.MP3SampleRate = 22050;
    options_.encoding.MP3BitRate = 320;
    options_.encoding.MP3ChannelMode = 1;
    options_.JoinerBrowseFolder = false;
    JoinerPage page;
    Show(page);
    page.LoadFileList({ WriteTone("a.mp3"), WriteTone("b.mp3") });
    EXPECT_TRUE(page.SummaryText().endsWith("Re-encode to 22,050 Hz 160 kbit/s joint stereo"));
    const std::string output = files_.File("joined.mp3");
    ASSERT_TRUE(page.JoinInto(output));
    EXPECT_EQ(WrittenFormat(output), std::make_pair(160, 22050));
}

TEST_F(JoinerSummaryTest, FilesOfDifferentLayersAreNotFrameCopied)
{
    // A Layer II file beside Layer III ones at the same rate cannot be copied into one stream.
    JoinerPage page;
    Show(page);
    page.InsertFileRow(Facts(44100, 1, 3));
    page.InsertFileRow(Facts(44100, 1, 3));
    EXPECT_EQ(page.SummaryText(), QString::fromStdString("2 files, 3:00, " + FormatSize(2000) + " \u2014 Frame copy, 44,100 Hz stereo"));
    page.InsertFileRow(Facts(44100, 3, 2, 192));
    EXPECT_TRUE(page.SummaryText().endsWith("Re-encode to 44,100 Hz 192 kbit/s joint stereo"));
    EXPECT_EQ(GroupedNumber(1234567), "1,234,567");
    EXPECT_EQ(GroupedNumber(999), "999");
}

TEST_F(JoinerSummaryTest, AFinishedJoinSaysWhereTheFileIsAndAMissingFileManagerIsSaid)
{
    JoinerPage page;
    Show(page);
    page.LoadFileList({ WriteTone("a.mp3"), WriteTone("b.mp3") });
    const std::string output = files_.File("out/joined.mp3");
    fs::create_directories(files_.File("out"));
    revealSucceeds_ = false;
    ASSERT_TRUE(page.JoinInto(output));
    EXPECT_EQ(page.StatusLabel()->FullText().toStdString(), "Joined 2 files into " + output);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text.toStdString(),
        "No file manager could be started to show \"joined.mp3\".\n\nIt is in the folder:\n" + files_.File("out"));
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);

    // Browse and Play with nothing to answer them say so too.
    messages_.clear();
    page.List()->SelectRow(0, true);
    page.OnBrowse();
    urlOpensSucceed_ = false;
    page.OnPlay();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_TRUE(messages_[0].text.startsWith("No file manager could be started to show \"a.mp3\"."));
    EXPECT_EQ(messages_[1].text,
        "No program could be started to play \"a.mp3\".\n\nThe desktop has no player set for MP3 files.");

    // A failed join says so on the line as well as in its message.
    messages_.clear();
    EXPECT_FALSE(page.JoinInto(files_.File("a.mp3")));
    EXPECT_TRUE(page.StatusLabel()->FullText().startsWith("The join failed"));
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(JoinerSummaryTest, TheBatchPageSaysWhenNoFileManagerShowsItsPieces)
{
    BatchCutterPage page;
    Show(page);
    page.LoadFileList({ WriteTone("a.mp3") });
    page.ModeButton(1)->click(); // two pieces
    page.CountSpin()->setValue(2);
    revealSucceeds_ = false;
    page.OnCutAll();
    ASSERT_EQ(revealed_.size(), 1u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.startsWith("No file manager could be started to show \"a_01.mp3\"."))
        << messages_[0].text.toStdString();
    page.List()->SelectRow(0, true);
    page.OnBrowseSource();
    revealSucceeds_ = true;
    page.OnBrowseOutput();
    EXPECT_EQ(messages_.size(), 2u);
    EXPECT_EQ(revealed_.size(), 3u);
}
