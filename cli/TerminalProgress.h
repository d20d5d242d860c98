#pragma once
// The job display of the command line: a progress bar on stderr when it is a terminal, and
// Ctrl+C as the Cancel button (the first SIGINT, SIGTERM or SIGHUP sets the cancel flag; the job
// stops at its next check and cleans up its outputs).
#include "engine/JobProgress.h"

#include <string>

class TerminalProgress : public JobProgress {
public:
    TerminalProgress();
    ~TerminalProgress() override;

    bool IsCancelled() const override;
    void Pump() override;
    ProgressBar* Bar(Slot slot) override;
    void SetLabel(Slot slot, const std::string& text) override;
    // Clears the bar line before other output is printed.
    void Finish();

private:
    class TerminalBar : public ProgressBar {
    public:
        explicit TerminalBar(TerminalProgress& owner)
            : owner_(owner)
        {
        }
        int WidthInPixels() const override { return 1000; }
        void SetRange(int lower, int upper) override;
        void SetStep(int step) override { step_ = step; }
        void SetPosition(int position) override;
        void StepIt() override { SetPosition(position_ + step_); }
        double Fraction() const;

    private:
        TerminalProgress& owner_;
        int lower_ = 0, upper_ = 100, position_ = 0, step_ = 1;
    };

    void Draw(bool force);

    bool isTerminal_ = false;
    TerminalBar upper_;
    TerminalBar lower_;
    std::string labels_[2];
    long long lastDrawMs_ = 0;
    bool drawn_ = false;
};
