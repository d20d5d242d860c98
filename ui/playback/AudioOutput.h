#pragma once
// Where the media player device sends its sound: the default audio output of the desktop through
// Qt Multimedia, or, when there is none (a server, a test run), a silent clock that consumes the
// sound in real time, so that positions, pause and the end of a play behave the same.
#include <QObject>
#include <cstddef>
#include <cstdint>
#include <memory>

// What an output plays: interleaved 16-bit PCM, pulled as the output needs it.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Up to maxFrames sample frames into data; 0 once the stretch has ended.
    virtual size_t ReadPcm(int16_t* data, size_t maxFrames) = 0;
};

class AudioOutput : public QObject {
    Q_OBJECT
public:
    // Starts playing what source gives; a stretch still playing is dropped without Drained.
    // False when the output cannot play that format.
    virtual bool Start(int sampleRate, int channels, PcmSource* source) = 0;
    virtual void Suspend() = 0;
    virtual void Resume() = 0;
    // Drops the stretch; no Drained follows.
    virtual void Stop() = 0;
    // Sample frames heard since Start; stands still while suspended.
    virtual int64_t PlayedFrames() const = 0;

Q_SIGNALS:
    // The source has ended and everything it gave has been played.
    void Drained();
};

enum class AudioOutputChoice {
    Automatic, // the default audio output, the silent clock when there is none
    SilentClock,
    AudioDevice, // the default audio output only; nothing when there is none
};

// Chooses for every output created afterwards; the program runs Automatic, tests choose. A silent
// clock runs at clockSpeed times real time.
void SetAudioOutputChoice(AudioOutputChoice choice, double clockSpeed = 1.0);
// The output by the current choice; null only with AudioDevice when there is no audio output.
std::unique_ptr<AudioOutput> CreateAudioOutput();
std::unique_ptr<AudioOutput> CreateSilentClockOutput();
