#include "tests/support/SpeechLike.h"

#include <algorithm>
#include <cmath>

Pcm MakeSpeech(double seconds, int sampleRate, int channels)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    const size_t count = static_cast<size_t>(seconds * sampleRate);
    pcm.left.resize(count);
    uint32_t noise = 4711;
    auto white = [&] {
        noise = noise * 1664525u + 1013904223u;
        return static_cast<double>(noise >> 8) / 8388608.0 - 1.0;
    };
    double phase = 0;
    double hissState = 0;
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        // Sentences of 4 s: words of 0.6 s with 0.15 s gaps, then 0.8 s of pause; every third
        // sentence pauses in digital silence, the others in room noise 70 dB down.
        const double inSentence = std::fmod(t, 4.0);
        const int sentence = static_cast<int>(t / 4.0);
        double sample = 0;
        if (inSentence < 3.2) {
            const double inWord = std::fmod(inSentence, 0.75);
            if (inWord < 0.6) {
                const int word = static_cast<int>(t / 0.75);
                const double syllable = std::pow(std::sin(M_PI * std::fmod(inWord, 0.2) / 0.2), 2);
                const double loudness = 0.15 + 0.25 * ((word * 37 % 11) / 10.0);
                const double pitch = 120 + 40 * std::sin(2 * M_PI * 0.7 * t) + 10 * (word % 3);
                phase += 2 * M_PI * pitch / sampleRate;
                const double f1 = 500 + 300 * std::sin(2 * M_PI * 3 * t);
                const double f2 = 1500 + 700 * std::sin(2 * M_PI * 2.1 * t + 1);
                double voiced = 0;
                for (int h = 1; h <= 30; ++h) {
                    const double f = h * pitch;
                    const double g = std::exp(-std::pow((f - f1) / 250, 2)) + 0.5 * std::exp(-std::pow((f - f2) / 350, 2))
                        + 0.05 / h;
                    voiced += g * std::sin(h * phase);
                }
                // A hissing consonant at the start of every other syllable.
                const bool hiss = std::fmod(inWord, 0.4) < 0.05;
                const double w = white();
                hissState = 0.3 * hissState + w; // tilted towards high frequencies
                sample = loudness * syllable * voiced * 0.5 + (hiss ? 0.08 * (w - 0.7 * hissState) : 0.0);
            } else {
                sample = 0.0003 * white();
            }
        } else if (sentence % 3 != 2) {
            sample = 0.0003 * white();
        }
        pcm.left[i] = static_cast<int16_t>(std::lround(std::clamp(sample, -1.0, 1.0) * 32000));
    }
    if (channels == 2)
        pcm.right = pcm.left;
    return pcm;
}
