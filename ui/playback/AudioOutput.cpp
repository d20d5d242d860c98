#include "ui/playback/AudioOutput.h"

#include "ui/playback/AudioSinkOutput.h"
#include "ui/playback/SilentClockOutput.h"

#include <QMediaDevices>

namespace {

AudioOutputChoice currentChoice = AudioOutputChoice::Automatic;
double silentClockSpeed = 1.0;

} // namespace

void SetAudioOutputChoice(AudioOutputChoice choice, double clockSpeed)
{
    currentChoice = choice;
    silentClockSpeed = clockSpeed > 0 ? clockSpeed : 1.0;
}

std::unique_ptr<AudioOutput> CreateSilentClockOutput() { return std::make_unique<SilentClockOutput>(silentClockSpeed); }

std::unique_ptr<AudioOutput> CreateAudioOutput()
{
    if (currentChoice != AudioOutputChoice::SilentClock) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (!device.isNull())
            return std::make_unique<AudioSinkOutput>(device);
        if (currentChoice == AudioOutputChoice::AudioDevice)
            return nullptr;
    }
    return CreateSilentClockOutput();
}
