// The GUI tests share one QApplication on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No desktop file manager answers in the tests: keep the session bus out of reach.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/sonicrop-test-bus");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
