#include "ui/playback/MediaPlayer.h"

#include <algorithm>

MediaPlayer::MediaPlayer() = default;

MediaPlayer::~MediaPlayer() { Close(); }

bool MediaPlayer::Open(const std::string& path)
{
    Close();
    if (!decoder_.Open(path))
        return false;
    output_ = CreateAudioOutput();
    if (!output_) {
        decoder_.Close();
        return false;
    }
    connect(output_.get(), &AudioOutput::Drained, this, &MediaPlayer::OutputDrained);
    return true;
}

void MediaPlayer::Close()
{
    StopPlay();
    ++playNumber_; // a notice already posted belongs to the file closed
    output_.reset();
    decoder_.Close();
    restSample_ = 0;
}

std::optional<int64_t> MediaPlayer::LengthMs() const
{
    if (!IsOpen())
        return std::nullopt;
    return decoder_.Count().DurationMs();
}

int64_t MediaPlayer::MsToSample(int64_t ms) const
{
    // Rounded up, so that a position sought is the position read back.
    const int64_t rate = decoder_.SampleRate();
    const int64_t sample = ms / 1000 * rate + (ms % 1000 * rate + 999) / 1000;
    return std::clamp<int64_t>(sample, 0, decoder_.Count().totalSamples);
}

int64_t MediaPlayer::SampleToMs(int64_t sample) const
{
    const int64_t rate = decoder_.SampleRate();
    if (rate <= 0)
        return 0;
    // Split so that the product cannot overflow for any count of samples.
    return sample / rate * 1000 + sample % rate * 1000 / rate;
}

int64_t MediaPlayer::CurrentSample() const
{
    if (!playing_)
        return restSample_;
    return std::min(playFrom_ + output_->PlayedFrames(), playTo_);
}

int64_t MediaPlayer::PositionMs() const { return IsOpen() ? SampleToMs(CurrentSample()) : 0; }

void MediaPlayer::Seek(int64_t positionMs)
{
    if (!IsOpen())
        return;
    StopPlay();
    ++playNumber_;
    restSample_ = MsToSample(positionMs);
}

void MediaPlayer::PlayToEnd()
{
    if (IsOpen())
        StartPlay(CurrentSample(), decoder_.Count().totalSamples);
}

void MediaPlayer::PlayRange(int64_t fromMs, int64_t toMs)
{
    if (IsOpen())
        StartPlay(MsToSample(fromMs), MsToSample(toMs));
}

void MediaPlayer::Pause()
{
    if (!playing_ || paused_)
        return;
    output_->Suspend();
    paused_ = true;
}

void MediaPlayer::Resume()
{
    if (!playing_ || !paused_)
        return;
    paused_ = false;
    output_->Resume();
}

void MediaPlayer::StartPlay(int64_t fromSample, int64_t toSample)
{
    StopPlay();
    playFrom_ = fromSample;
    playTo_ = std::max(fromSample, toSample);
    decoder_.Start(playFrom_, playTo_);
    playing_ = true;
    paused_ = false;
    ++playNumber_;
    if (output_->Start(decoder_.SampleRate(), decoder_.Channels(), this))
        return;
    // The audio output refused (its server went away, or the format): keep time silently instead.
    output_ = CreateSilentClockOutput();
    connect(output_.get(), &AudioOutput::Drained, this, &MediaPlayer::OutputDrained);
    output_->Start(decoder_.SampleRate(), decoder_.Channels(), this);
}

void MediaPlayer::StopPlay()
{
    if (!playing_)
        return;
    restSample_ = CurrentSample();
    playing_ = false;
    paused_ = false;
    output_->Stop();
}

size_t MediaPlayer::ReadPcm(int16_t* data, size_t maxFrames) { return decoder_.Read(data, maxFrames); }

void MediaPlayer::OutputDrained()
{
    if (!playing_)
        return;
    restSample_ = playTo_;
    playing_ = false;
    paused_ = false;
    output_->Stop();
    // Posted, not sent: the receiver may start the next play from its handler.
    const uint64_t play = playNumber_;
    QMetaObject::invokeMethod(
        this,
        [this, play] {
            if (play == playNumber_ && !playing_)
                Q_EMIT PlayedToEnd();
        },
        Qt::QueuedConnection);
}
