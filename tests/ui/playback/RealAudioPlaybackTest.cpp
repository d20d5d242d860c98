// The real audio path once: QAudioSink on a PulseAudio server with a null sink.
#include "ui/playback/MediaPlayer.h"

#include "tests/gui_support/GuiTestEnvironment.h"
#include "tests/gui_support/NullSinkAudioServer.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

TEST_F(GuiTest, RealAudioOutputPlaysTwoSecondsAndReportsTheEnd)
{
    NullSinkAudioServer server;
    if (!server.Started())
        GTEST_SKIP() << "no PulseAudio server for the real audio path: " << server.Problem();
    SetAudioOutputChoice(AudioOutputChoice::AudioDevice);
    TempDir folder;
    ToneSpec shape;
    shape.seconds = 5;
    WriteFile(folder.File("tone.mp3"), EncodeTone(shape));

    MediaPlayer device;
    const bool opened = device.Open(folder.File("tone.mp3"));
    SetAudioOutputChoice(AudioOutputChoice::SilentClock);
    ASSERT_TRUE(opened) << "the server runs, but Qt found no audio output on it";
    QSignalSpy ends(&device, &MediaPlayer::PlayedToEnd);
    QElapsedTimer clock;
    clock.start();
    device.PlayRange(1000, 3000);
    // The position follows the sound server's clock (a null sink may hold its stream for a moment
    // at the start).
    EXPECT_TRUE(QTest::qWaitFor([&] { return device.PositionMs() > 1100; }, 3000));
    const int64_t early = device.PositionMs();
    EXPECT_TRUE(QTest::qWaitFor([&] { return device.PositionMs() > early + 300; }, 3000));
    EXPECT_LT(device.PositionMs(), 3000);
    ASSERT_TRUE(ends.wait(6000));
    // The sound server's clock, not the speed of decoding, paces the play.
    EXPECT_GE(clock.elapsed(), 1700);
    EXPECT_EQ(ends.count(), 1);
    EXPECT_EQ(device.PositionMs(), 3000);
}
