// Joined files carry an ID3v2.4 tag from the join's record in front of their frames and the ID3v1
// block after them, whichever way they were joined.
#include "engine/join/JoinJob.h"
#include "engine/stream/ID3TagInfo.h"
#include "tests/engine/join/RecordingProgress.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class JoinTagTest : public ::testing::TestWithParam<bool> {
protected:
    JoinTagTest()
    {
        ToneSpec tone;
        tone.seconds = 1;
        for (const char* name : { "a.mp3", "b.mp3" }) {
            // Inputs with tags of their own, which the joined file does not take.
            Bytes bytes = MakeID3v2Tag({});
            Append(bytes, EncodeTone(tone));
            Append(bytes, ID3v1("Input", "Input", 3));
            WriteFile(dir.File(name), bytes);
            job.AddInput(dir.File(name));
        }
    }

    bool Join(const std::string& output)
    {
        RecordingProgress progress;
        return GetParam() ? job.JoinByReencoding(output, 44100, 128, 1, progress)
                          : job.JoinByFrameCopy(output, progress);
    }

    TempDir dir;
    JoinJob job;
};

} // namespace

TEST_P(JoinTagTest, TheJoinedFileHasTheJoinsTagInBothVersions)
{
    job.AssignTag("Ganze Seite – 東京", "Ensemble Ærø", "Sides", "2001", "joined", 17, true, 4);
    const std::string output = dir.File("joined.mp3");
    ASSERT_TRUE(Join(output)) << job.ErrorText();
    const auto tag = ReadID3v2Back(output);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->version, 4);
    EXPECT_EQ(tag->title, "Ganze Seite – 東京");
    EXPECT_EQ(tag->artist, "Ensemble Ærø");
    EXPECT_EQ(tag->album, "Sides");
    EXPECT_EQ(tag->year, "2001");
    EXPECT_EQ(tag->comment, "joined");
    EXPECT_EQ(tag->genre, "Rock");
    EXPECT_EQ(tag->track, "4");
    EXPECT_TRUE(tag->pictures.empty()); // nothing of the inputs' tags
    ID3TagInfo v1;
    ASSERT_TRUE(ReadID3v1Tag(output, v1));
    EXPECT_STREQ(v1.title, "Ganze Seite ? ??");
    EXPECT_STREQ(v1.artist, "Ensemble \xC6r\xF8");
    EXPECT_EQ(v1.track, 4);
    EXPECT_EQ(v1.genre, 17);

    // The frames follow the tag: an information frame first, then the audio.
    const Mp3Layout layout = ReadMp3Layout(ReadFile(output));
    EXPECT_GT(layout.id3v2Length, 0u);
    EXPECT_FALSE(layout.frames.empty());
    EXPECT_TRUE(layout.hasID3v1);
}

TEST_P(JoinTagTest, ARecordWithoutValuesGivesNoID3v2Tag)
{
    job.AssignTag("", "", "", "", "", 255, false, 0);
    const std::string output = dir.File("joined.mp3");
    ASSERT_TRUE(Join(output)) << job.ErrorText();
    EXPECT_FALSE(ReadID3v2Back(output));
    EXPECT_EQ(ReadMp3Layout(ReadFile(output)).id3v2Length, 0u);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, JoinTagTest, ::testing::Bool(),
    [](const auto& param) { return param.param ? "Reencoding" : "FrameCopy"; });
