// The GUI tests share one QApplication on the offscreen platform.
#include "ui/playback/AudioOutput.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No desktop file manager answers in the tests: keep the session bus out of reach.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/sonicrop-test-bus");
    QApplication application(argc, argv);
    // No test plays through the desktop's sound unless it asks to: playback keeps time silently,
    // and the tests that need no real time run that clock faster.
    SetAudioOutputChoice(AudioOutputChoice::SilentClock);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
