#pragma once
// What the tests of the batch cutter and joiner pages share: real MP3 files in a temporary folder,
// file-manager reveals recorded, and a way to act on the progress dialog while a job runs.
#include "tests/gui_support/GuiTestEnvironment.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"

#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class FileListPage;
class ProgressDialogBase;

class ListPageTest : public GuiTest {
protected:
    ListPageTest();
    ~ListPageTest() override;

    // A real 44.1 kHz joint-stereo 128 kbit/s tone, encoded once per test program.
    static const Bytes& Tone();
    // Writes the bytes under the test folder (folders made as needed) and returns the path.
    std::string WriteMp3(const std::string& name, const Bytes& bytes);
    std::string WriteTone(const std::string& name) { return WriteMp3(name, Tone()); }

    // The progress dialog on screen, or nullptr.
    static ProgressDialogBase* OpenProgressDialog();
    // Runs action on the open progress dialog at the first event pass where condition holds.
    void WhenDialogShows(
        std::function<bool(ProgressDialogBase&)> condition, std::function<void(ProgressDialogBase&)> action);
    // Lets closed dialogs go.
    static void FinishEvents();
    // How often the progress bars painted while job ran beyond once each per pass of the event loop
    // (a bar that repaints at once on every new value paints many times between passes).
    static int BarPaintsOutsideEventPasses(const std::function<void()>& job);

    TempDir files_;
    std::vector<std::string> revealed_;
    bool revealSucceeds_ = true; // false: no file manager answers

private:
    QTimer watcher_;
};
