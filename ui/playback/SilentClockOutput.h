#pragma once
// An audio output without sound: a clock takes the source's samples at the pace they would be heard.
#include "ui/playback/AudioOutput.h"

#include <QElapsedTimer>
#include <QTimer>
#include <vector>

class SilentClockOutput : public AudioOutput {
    Q_OBJECT
public:
    // speed: clock seconds per real second (tests run the clock faster).
    explicit SilentClockOutput(double speed = 1.0);

    bool Start(int sampleRate, int channels, PcmSource* source) override;
    void Suspend() override;
    void Resume() override;
    void Stop() override;
    int64_t PlayedFrames() const override;

private:
    void Tick();
    int64_t ClockFrames() const;

    double speed_;
    PcmSource* source_ = nullptr;
    int sampleRate_ = 0;
    int channels_ = 0;
    QTimer timer_;
    QElapsedTimer running_; // since the last start or resume
    int64_t framesBeforeResume_ = 0;
    bool suspended_ = false;
    int64_t pulledFrames_ = 0;
    bool sourceEnded_ = false;
    std::vector<int16_t> scratch_;
};
