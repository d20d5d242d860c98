#pragma once
// Helpers shared by the cutting-engine tests: a recording job that can press Cancel at a chosen
// pump, a file-size limit for write-error tests, and a reader for the layout of piece files.
#include "engine/JobProgress.h"
#include "tests/support/FrameBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

class RecordingBar : public ProgressBar {
public:
    int WidthInPixels() const override { return width; }
    void SetRange(int lower, int upper) override { range = { lower, upper }; }
    void SetStep(int) override { }
    void SetPosition(int position) override { positions.push_back(position); }
    void StepIt() override { }

    int width = 300;
    std::pair<int, int> range { -1, -1 };
    std::vector<int> positions;
};

class RecordingJob : public JobProgress {
public:
    // cancelAtPump: the pump call (1-based) after which the cancel flag is raised; 0 never.
    explicit RecordingJob(long cancelAtPump = 0)
        : cancelAtPump_(cancelAtPump)
    {
    }
    bool IsCancelled() const override { return cancelled; }
    void Pump() override
    {
        ++pumps;
        if (cancelAtPump_ > 0 && pumps >= cancelAtPump_)
            cancelled = true;
    }
    ProgressBar* Bar(Slot slot) override { return slot == Upper ? &bar : nullptr; }
    void SetLabel(Slot, const std::string&) override { }

    long pumps = 0;
    bool cancelled = false;
    RecordingBar bar;

private:
    long cancelAtPump_;
};

// Lowers the process's file-size limit for the life of the object, with SIGXFSZ ignored, so writes
// past the limit fail with EFBIG as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t previous_ = 0;
    void (*previousHandler_)(int) = nullptr;
};

// Where `needle` first occurs inside `haystack`; npos when it does not.
size_t FindBytes(const Bytes& haystack, const Bytes& needle, size_t from = 0);
uint32_t ReadBigEndian32(const Bytes& bytes, size_t at);
bool FileIsThere(const std::string& path);
// Source frames (marked, 417 bytes, MPEG-1 Layer III 128 kbit/s 44100 Hz) as separate frames.
std::vector<Bytes> MarkedFrames(int count, const FrameSpec& shape = {});
Bytes Join(const std::vector<Bytes>& frames, size_t first, size_t count);
