#pragma once
// MPEG audio frame headers (MPEG-1, MPEG-2, MPEG-2.5; Layers I, II, III) and the frame search.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

enum MpegVersion { MpegVersion25 = 0, MpegVersionReserved = 1, MpegVersion2 = 2, MpegVersion1 = 3 };

struct MpegFrameHeader {
    int version = 0; // MpegVersion; never MpegVersionReserved
    int layerIndex = 0; // 0 Layer I, 1 Layer II, 2 Layer III
    int bitrate = 0; // kbit/s, never 0 (free format is refused)
    int sampleRate = 0; // Hz
    int padding = 0; // 0 or 1
    int channelMode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int frameLength = 0; // bytes, header included
    int samplesPerFrame = 0; // per channel
    int sideInfoSize = 0; // bytes between the header and the main data (Layer III layout)
};

struct FoundFrame {
    size_t position = 0; // offset of the header in the searched data
    MpegFrameHeader header;
};

// The sync tests on four header bytes: sync bits, version, layer, bitrate index 15, sample-rate
// index 3. Bitrate index 0 (free format) passes. The emphasis field is not tested: its reserved
// value changes nothing in the frame's length, and decoders ignore it.
bool IsFrameHeaderCandidate(const uint8_t* bytes);

// Whether the four bytes right after a frame are the header of the same stream's next frame: same
// version, layer and sample rate, and not free format. A lone sync word in junk or inside a tag
// rarely has such a follower, so this confirms where a stream starts or resumes.
bool ContinuesStream(const MpegFrameHeader& frame, const uint8_t* next);

// Decodes four bytes that passed IsFrameHeaderCandidate; none for free format.
std::optional<MpegFrameHeader> DecodeFrameHeader(const uint8_t* bytes);

// Finds the first candidate at or after start whose four bytes lie inside data and decodes it.
// The search stops at the first candidate: a free-format one yields none even when a valid
// header follows. Whether the frame fits inside the data is the caller's test.
std::optional<FoundFrame> FindNextFrame(std::span<const uint8_t> data, size_t start);
