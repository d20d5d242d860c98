#pragma once
// What the fuzz targets share: a scratch folder per process, the input written to a file there (the
// source and decoder classes open paths), a job display that shows nothing, and a check that stops
// the run when a property of our code does not hold.
#include "engine/JobProgress.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A folder of this process inside $SONICROP_FUZZ_SCRATCH, else on tmpfs where there is one, removed
// when the process exits.
const std::string& ScratchFolder();
// Writes the bytes to name in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);
// Removes every file in the scratch folder.
void ClearScratchFolder();

// Ends the run as a crash, which libFuzzer reports with the input that caused it.
void Require(bool condition, const char* what);

class QuietProgress : public JobProgress {
public:
    bool IsCancelled() const override { return false; }
    void Pump() override { }
    ProgressBar* Bar(Slot) override { return &bar_; }
    void SetLabel(Slot, const std::string&) override { }

private:
    class QuietBar : public ProgressBar {
    public:
        int WidthInPixels() const override { return 300; }
        void SetRange(int, int) override { }
        void SetStep(int) override { }
        void SetPosition(int) override { }
        void StepIt() override { }
    };
    QuietBar bar_;
};
