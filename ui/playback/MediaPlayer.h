#pragma once
// The media player device of the cutter page: measures an MP3 file exactly and plays it, or a
// stretch of it, on the audio output. Times are milliseconds from the start of the file.
//
// A play started with PlayToEnd or PlayRange that reaches its end by itself posts PlayedToEnd; a
// play that is replaced by another, sought away from or closed does not. A paused play that is
// resumed keeps its notice.
#include "ui/playback/AudioOutput.h"
#include "ui/playback/PlaybackDecoder.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class MediaPlayer : public QObject, private PcmSource {
    Q_OBJECT
public:
    MediaPlayer();
    ~MediaPlayer() override;

    // False when the file is not an MP3 stream the device can play.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return decoder_.IsOpen(); }

    // The whole file, exactly: the samples of every frame.
    std::optional<int64_t> LengthMs() const;
    int64_t PositionMs() const;
    // Stops any play; the next play starts there.
    void Seek(int64_t positionMs);
    void PlayToEnd();
    void PlayRange(int64_t fromMs, int64_t toMs);
    void Pause();
    void Resume();

    bool IsPlaying() const { return playing_ && !paused_; }
    bool IsPaused() const { return playing_ && paused_; }

Q_SIGNALS:
    void PlayedToEnd();

private:
    size_t ReadPcm(int16_t* data, size_t maxFrames) override;
    void StartPlay(int64_t fromSample, int64_t toSample);
    void StopPlay();
    void OutputDrained();
    int64_t CurrentSample() const;
    int64_t MsToSample(int64_t ms) const;
    int64_t SampleToMs(int64_t sample) const;

    PlaybackDecoder decoder_;
    std::unique_ptr<AudioOutput> output_;
    int64_t restSample_ = 0; // the position while nothing plays
    int64_t playFrom_ = 0;
    int64_t playTo_ = 0;
    bool playing_ = false;
    bool paused_ = false;
    uint64_t playNumber_ = 0; // tells a queued notice of an earlier play from the current one
};
