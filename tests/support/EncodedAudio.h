#pragma once
// Real MP3 audio for tests, encoded with libmp3lame at test time.
#include <cstdint>
#include <string>
#include <vector>

struct ToneSpec {
    int sampleRate = 44100;
    int channels = 2; // 1 or 2
    int bitrate = 128; // kbit/s; CBR unless vbr is set
    double seconds = 2.0;
    double frequency = 440; // Hz
    double amplitude = 0.5; // of full scale
    bool vbr = false;
    int vbrQuality = 4; // 0 best .. 9, as lame -V
    bool writeInfoFrame = false; // the encoder's own "Xing"/"Info" frame
};

// Interleaved-free PCM: one vector per channel.
struct Pcm {
    int sampleRate = 0;
    std::vector<int16_t> left, right; // right is empty for mono
};

Pcm MakeTone(const ToneSpec& shape);
// Something closer to music than a tone, so the encoder varies its frames and uses its bit
// reservoir: a chord that swells and fades, bursts of noise, a quiet passage, and left and right
// channels that differ. Deterministic.
Pcm MakeMusic(double seconds, int sampleRate = 44100, int channels = 2);
// Encodes the tone and returns the MP3 bytes (no ID3 tags).
std::vector<uint8_t> EncodeTone(const ToneSpec& shape);
std::vector<uint8_t> EncodePcm(
    const Pcm& pcm, int bitrate, bool vbr = false, bool writeInfoFrame = false, int vbrQuality = 4);
// Decodes a whole MP3 file with its own hip decoder; empty on failure.
Pcm DecodeFile(const std::string& path);
// Root-mean-square level of samples [begin, end) of a channel, as a fraction of full scale.
double RmsLevel(const std::vector<int16_t>& samples, size_t begin, size_t end);
