#include "ui/playback/AudioSinkOutput.h"

#include <QAudioSink>
#include <algorithm>
#include <cstring>

namespace {

constexpr int kDrainCheckMs = 20;
constexpr int kBufferMs = 250;

} // namespace

PcmSourceDevice::PcmSourceDevice(PcmSource* source, int channels)
    : source_(source)
    , frameBytes_(static_cast<size_t>(channels) * sizeof(int16_t))
{
    open(QIODevice::ReadOnly);
}

qint64 PcmSourceDevice::bytesAvailable() const
{
    // The sink asks how much it may read; the decoder makes as much as is asked for.
    return ended_ ? QIODevice::bytesAvailable() : (qint64 { 1 } << 30);
}

qint64 PcmSourceDevice::readData(char* data, qint64 maxSize)
{
    if (ended_)
        return 0;
    const size_t frames = static_cast<size_t>(maxSize) / frameBytes_;
    if (frames == 0)
        return 0;
    scratch_.resize(frames * frameBytes_ / sizeof(int16_t));
    const size_t got = source_->ReadPcm(scratch_.data(), frames);
    if (got == 0) {
        ended_ = true;
        return 0;
    }
    std::memcpy(data, scratch_.data(), got * frameBytes_);
    framesGiven_ += static_cast<int64_t>(got);
    return static_cast<qint64>(got * frameBytes_);
}

AudioSinkOutput::AudioSinkOutput(const QAudioDevice& device)
    : device_(device)
{
    drainTimer_.setInterval(kDrainCheckMs);
    connect(&drainTimer_, &QTimer::timeout, this, &AudioSinkOutput::CheckDrained);
}

AudioSinkOutput::~AudioSinkOutput() { Stop(); }

bool AudioSinkOutput::Start(int sampleRate, int channels, PcmSource* source)
{
    Stop();
    if (sampleRate <= 0 || channels <= 0 || !source)
        return false;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device_.isFormatSupported(format))
        return false;
    sampleRate_ = sampleRate;
    sink_ = std::make_unique<QAudioSink>(device_, format);
    sink_->setBufferSize(static_cast<qsizetype>(sampleRate) * channels * 2 * kBufferMs / 1000);
    feed_ = std::make_unique<PcmSourceDevice>(source, channels);
    connect(sink_.get(), &QAudioSink::stateChanged, this, &AudioSinkOutput::StateChanged);
    sink_->start(feed_.get());
    if (sink_->error() != QAudio::NoError) {
        Stop();
        return false;
    }
    return true;
}

void AudioSinkOutput::Suspend()
{
    if (sink_)
        sink_->suspend();
}

void AudioSinkOutput::Resume()
{
    if (sink_)
        sink_->resume();
}

void AudioSinkOutput::Stop()
{
    drainTimer_.stop();
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
    }
    sink_.reset();
    feed_.reset();
}

int64_t AudioSinkOutput::PlayedFrames() const
{
    if (!sink_)
        return 0;
    const int64_t frames = sink_->processedUSecs() * sampleRate_ / 1000000;
    return std::min(frames, feed_->FramesGiven());
}

void AudioSinkOutput::StateChanged()
{
    // Idle: the sink found no more data. Only at the source's end is that the end of the stretch;
    // the sound already handed over still has to be heard.
    if (sink_ && feed_ && feed_->Ended() && sink_->state() == QAudio::IdleState && !drainTimer_.isActive()) {
        drainChecks_ = 0;
        drainTimer_.start();
    }
}

void AudioSinkOutput::CheckDrained()
{
    if (!sink_ || sink_->state() == QAudio::SuspendedState)
        return;
    // A sink that stops counting (a server gone quiet) ends the stretch after its buffer's length.
    const int maximumChecks = (kBufferMs + 500) / kDrainCheckMs;
    if (PlayedFrames() < feed_->FramesGiven() && ++drainChecks_ < maximumChecks)
        return;
    drainTimer_.stop();
    Q_EMIT Drained();
}
