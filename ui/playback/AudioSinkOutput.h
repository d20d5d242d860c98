#pragma once
// The desktop's audio output (PulseAudio or PipeWire) through Qt Multimedia's QAudioSink, fed from
// the source as the sink asks for more.
#include "ui/playback/AudioOutput.h"

#include <QAudioDevice>
#include <QIODevice>
#include <QTimer>
#include <memory>
#include <vector>

class QAudioSink;

// The source as the byte stream that QAudioSink pulls.
class PcmSourceDevice : public QIODevice {
    Q_OBJECT
public:
    PcmSourceDevice(PcmSource* source, int channels);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool Ended() const { return ended_; }
    int64_t FramesGiven() const { return framesGiven_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    PcmSource* source_;
    size_t frameBytes_;
    bool ended_ = false;
    int64_t framesGiven_ = 0;
    std::vector<int16_t> scratch_;
};

class AudioSinkOutput : public AudioOutput {
    Q_OBJECT
public:
    explicit AudioSinkOutput(const QAudioDevice& device);
    ~AudioSinkOutput() override;

    bool Start(int sampleRate, int channels, PcmSource* source) override;
    void Suspend() override;
    void Resume() override;
    void Stop() override;
    int64_t PlayedFrames() const override;

private:
    void StateChanged();
    void CheckDrained();

    QAudioDevice device_;
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<PcmSourceDevice> feed_;
    int sampleRate_ = 0;
    QTimer drainTimer_; // after the source ended: waits until the sink has played it out
    int drainChecks_ = 0;
};
