#pragma once
// Test doubles for joins: a job display that records what the join shows and can raise the
// cancel flag at a chosen frame of a chosen input, and a file-size limit that makes writes fail.
#include "engine/JobProgress.h"

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <vector>

class RecordingProgress : public JobProgress {
public:
    class RecordingBar : public ProgressBar {
    public:
        int WidthInPixels() const override { return width; }
        void SetRange(int lower, int upper) override { range = { lower, upper }; }
        void SetStep(int value) override { step = value; }
        void SetPosition(int value) override { positions.push_back(value); }
        void StepIt() override { positions.push_back((positions.empty() ? 0 : positions.back()) + step); }

        int width = 200;
        std::pair<int, int> range { 0, 0 };
        int step = 0;
        std::vector<int> positions;
    };

    // Raises the cancel flag at the pump after frame `frame` (1-based) of input `input` (1-based);
    // frame 0 is the pump just before that input's first frame.
    void CancelAt(int input, int frame)
    {
        cancelInput_ = input;
        cancelFrame_ = frame;
    }

    bool IsCancelled() const override { return cancelled_; }
    void Pump() override
    {
        ++pumps;
        if (currentInput_ == cancelInput_ && pumpsInInput_++ == cancelFrame_)
            cancelled_ = true;
    }
    ProgressBar* Bar(Slot slot) override { return slot == Upper ? &upper : &lower; }
    void SetLabel(Slot slot, const std::string& text) override
    {
        (slot == Upper ? upperLabels : lowerLabels).push_back(text);
        if (slot == Lower) {
            ++currentInput_;
            pumpsInInput_ = 0;
        }
    }

    RecordingBar upper, lower;
    std::vector<std::string> upperLabels, lowerLabels;
    int pumps = 0;

private:
    bool cancelled_ = false;
    int cancelInput_ = -1, cancelFrame_ = -1;
    int currentInput_ = 0, pumpsInInput_ = 0;
};

// While alive, files this process writes cannot grow past `bytes`: a write past the limit fails
// with EFBIG (the signal it would raise is ignored) as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_ {};
    void (*previousHandler_)(int) = nullptr;
};
