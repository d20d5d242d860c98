// The media player device on the silent clock: exact lengths, positions, pause, and the end notice
// that only a play reaching its end by itself gives.
#include "ui/playback/MediaPlayer.h"

#include "engine/stream/CountStreamSamples.h"
#include "tests/gui_support/GuiTestEnvironment.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"

#include <QSignalSpy>
#include <QTest>

namespace {

class MediaPlayerTest : public GuiTest {
protected:
    MediaPlayerTest() { SetAudioOutputChoice(AudioOutputChoice::SilentClock, 8.0); }
    ~MediaPlayerTest() override { SetAudioOutputChoice(AudioOutputChoice::SilentClock); }

    std::string Tone(const std::string& name, double seconds, bool vbr = false)
    {
        ToneSpec shape;
        shape.seconds = seconds;
        shape.vbr = vbr;
        WriteFile(folder.File(name), EncodeTone(shape));
        return folder.File(name);
    }

    TempDir folder;
};

} // namespace

TEST_F(MediaPlayerTest, LengthIsTheSamplesOfEveryFrameForCbrAndVbr)
{
    for (const bool vbr : { false, true }) {
        const std::string path = Tone(vbr ? "vbr.mp3" : "cbr.mp3", 7.5, vbr);
        MediaPlayer device;
        ASSERT_TRUE(device.Open(path));
        StreamSampleCount count;
        ASSERT_TRUE(CountStreamSamples(path, count));
        ASSERT_TRUE(device.LengthMs());
        EXPECT_EQ(*device.LengthMs(), count.totalSamples * 1000 / 44100) << path;
        // The encoder adds its delay and padding: up to two frames more than the tone.
        EXPECT_GE(*device.LengthMs(), 7500);
        EXPECT_LT(*device.LengthMs(), 7500 + 2 * 1152 * 1000 / 44100 + 30);
        device.Close();
        EXPECT_FALSE(device.LengthMs());
    }
}

TEST_F(MediaPlayerTest, SeekSetsThePositionAndPauseKeepsIt)
{
    MediaPlayer device;
    ASSERT_TRUE(device.Open(Tone("tone.mp3", 30)));
    device.Seek(12345);
    EXPECT_EQ(device.PositionMs(), 12345);
    device.Seek(999999);
    EXPECT_EQ(device.PositionMs(), *device.LengthMs());
    device.Seek(2000);

    device.PlayToEnd();
    EXPECT_TRUE(device.IsPlaying());
    QTest::qWait(150);
    device.Pause();
    const int64_t paused = device.PositionMs();
    EXPECT_GT(paused, 2200);
    QTest::qWait(150);
    EXPECT_EQ(device.PositionMs(), paused);
    EXPECT_TRUE(device.IsPaused());
    device.Resume();
    QTest::qWait(100);
    EXPECT_GT(device.PositionMs(), paused);
    device.Seek(0);
    EXPECT_FALSE(device.IsPlaying());
    EXPECT_EQ(device.PositionMs(), 0);
}

TEST_F(MediaPlayerTest, OnlyAPlayThatReachesItsEndByItselfIsReported)
{
    MediaPlayer device;
    ASSERT_TRUE(device.Open(Tone("tone.mp3", 10)));
    QSignalSpy ends(&device, &MediaPlayer::PlayedToEnd);

    device.PlayRange(1000, 1800);
    ASSERT_TRUE(ends.wait(3000));
    EXPECT_EQ(ends.count(), 1);
    EXPECT_EQ(device.PositionMs(), 1800);
    EXPECT_FALSE(device.IsPlaying());

    // Replaced, sought away from, closed: none of these ends by itself.
    device.PlayRange(0, 400);
    device.PlayRange(5000, 5400);
    ASSERT_TRUE(ends.wait(3000));
    EXPECT_EQ(ends.count(), 2);
    EXPECT_EQ(device.PositionMs(), 5400);
    device.PlayRange(0, 400);
    device.Seek(3000);
    device.PlayRange(6000, 6300);
    device.Close();
    EXPECT_FALSE(ends.wait(600));
    EXPECT_EQ(ends.count(), 2);
}

TEST_F(MediaPlayerTest, APausedPlayResumedStillReportsItsEnd)
{
    MediaPlayer device;
    ASSERT_TRUE(device.Open(Tone("tone.mp3", 3)));
    QSignalSpy ends(&device, &MediaPlayer::PlayedToEnd);
    device.Seek(*device.LengthMs() - 700);
    device.PlayToEnd();
    QTest::qWait(20);
    device.Pause();
    EXPECT_FALSE(ends.wait(300));
    device.Resume();
    ASSERT_TRUE(ends.wait(3000));
    EXPECT_EQ(device.PositionMs(), *device.LengthMs());
}

TEST_F(MediaPlayerTest, TwoDevicesPlayAtOnce)
{
    MediaPlayer first;
    MediaPlayer second;
    ASSERT_TRUE(first.Open(Tone("one.mp3", 4)));
    ASSERT_TRUE(second.Open(Tone("two.mp3", 6, true)));
    QSignalSpy firstEnds(&first, &MediaPlayer::PlayedToEnd);
    QSignalSpy secondEnds(&second, &MediaPlayer::PlayedToEnd);
    first.PlayRange(0, 1000);
    second.PlayRange(3000, 4500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstEnds.count() == 1 && secondEnds.count() == 1; }, 5000));
    EXPECT_EQ(first.PositionMs(), 1000);
    EXPECT_EQ(second.PositionMs(), 4500);
}

TEST_F(MediaPlayerTest, FilesThatAreNotMp3AudioDoNotOpen)
{
    WriteFile(folder.File("zeros.mp3"), Bytes(100000, 0));
    WriteFile(folder.File("empty.mp3"), {});
    MediaPlayer device;
    EXPECT_FALSE(device.Open(folder.File("zeros.mp3")));
    EXPECT_FALSE(device.Open(folder.File("empty.mp3")));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.PositionMs(), 0);
    device.PlayToEnd(); // nothing to play: no crash, no notice
    EXPECT_FALSE(device.IsPlaying());
}
