#pragma once
// The entries of the options page's encoding lists, the presets, and the rules that keep a bit rate
// and a sample rate that the encoder accepts together.
#include <array>

struct EncodingPreset {
    const char* text;
    int bitRate; // kbit/s
    int sampleRate; // Hz
    int channelMode; // 0 stereo, 1 joint stereo, 3 mono
};

inline constexpr std::array<EncodingPreset, 4> kEncodingPresets { {
    { "11025 Hz, 16 kbps, Mono (low quality, smaller file size)", 16, 11025, 3 },
    { "22050 Hz, 32 kbps, Joint Stereo (OK quality, small size)", 32, 22050, 1 },
    { "32000 Hz, 96 kbps, Joint Stereo (medium quality, normal size)", 96, 32000, 1 },
    { "44100Hz, 128 kbps, Joint Stereo (close to CD-quality, large size)", 128, 44100, 1 },
} };

inline constexpr std::array<int, 18> kBitRates { 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224,
    256, 320 };
inline constexpr std::array<int, 9> kSampleRates { 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000 };

struct ChannelChoice {
    const char* text;
    int mode;
};
inline constexpr std::array<ChannelChoice, 3> kChannelChoices { {
    { "Join Stereo", 1 },
    { "Stereo", 0 },
    { "Mono", 3 },
} };

struct TrackRuleChoice {
    const char* text;
    int trackNoType;
};
inline constexpr std::array<TrackRuleChoice, 4> kTrackRuleChoices { {
    { "Set sequence number automatically", 0 },
    { "Use track # of source file", 1 },
    { "Custom", 2 },
    { "Null", 3 },
} };

// The bit rate that goes with a newly chosen sample rate: at most 64 kbit/s below 16000 Hz, at most
// 160 kbit/s below 32000 Hz, at least 32 kbit/s from 32000 Hz on.
int BitRateForSampleRate(int sampleRate, int bitRate);
// The sample rate that goes with a newly chosen bit rate: at most 24000 Hz for 8-24 kbit/s, at least
// 16000 Hz for 80-160 kbit/s, at least 32000 Hz from 192 kbit/s on; 32-64 kbit/s fit every rate.
int SampleRateForBitRate(int bitRate, int sampleRate);
