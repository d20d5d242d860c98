#pragma once
// How a long engine job talks to its progress display. The GUI's progress dialogs implement it with
// widgets, the command line with a terminal bar, tests with recording fakes.
#include <string>

class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual int WidthInPixels() const = 0; // the engine sizes its bar units by this
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void StepIt() = 0;
};

class JobProgress {
public:
    enum Slot { Upper = 0, Lower = 1 }; // a one-bar dialog has only Upper

    virtual ~JobProgress() = default;
    // The dialog's cancel flag: set once by the Cancel button, never cleared during the job.
    virtual bool IsCancelled() const = 0;
    // Lets pending window messages run; the engine calls it after every frame.
    virtual void Pump() = 0;
    // The bar in a slot, or nullptr when the display has none there.
    virtual ProgressBar* Bar(Slot slot) = 0;
    virtual void SetLabel(Slot slot, const std::string& text) = 0;
};
