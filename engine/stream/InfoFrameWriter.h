#pragma once
// Writes the fields of a VBR information frame (see InfoFrame.h for the layout): new frames for
// outputs whose source had none, and the counts, seek table and LAME tag of a frame being reused.
#include "engine/stream/InfoFrame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct InfoFrameValues {
    uint64_t frameCount = 0; // audio frames after the information frame
    uint64_t byteCount = 0; // the information frame and the audio frames
    std::array<uint8_t, 100> seekTable {};
    uint16_t musicCrc = 0;
    std::optional<bool> variableBitrate; // when set, "Xing" or "Info" and the tag's VBR method follow it
    // Written to the LAME tag when the frame has one: samples a decoder drops at the start and the end.
    int encoderDelay = 0;
    int encoderPadding = 0;
};

// The encoder a new LAME tag names: decoders honour the delay and padding of tags that name LAME,
// and the tag format is LAME's, so it names the library linked here ("LAME3.100").
std::array<uint8_t, 9> DefaultTagEncoder();

// A new "Info" frame, with a LAME tag naming encoder when one is given, for a stream whose audio
// frames begin with audioHeader: the
// same version, layer, sample rate and channel mode, no CRC, no padding, silent side information,
// at the audio's own bitrate when the frame holds all the fields then, else at the lowest that does.
// Empty when audioHeader is not a frame header or no bitrate is long enough.
std::vector<uint8_t> NewInfoFrame(
    std::span<const uint8_t> audioHeader, const std::optional<std::array<uint8_t, 9>>& encoder);

// Puts an empty LAME tag after the announced fields of a frame that has none, when the 36 bytes
// there exist and are all zero (so nothing of the frame is overwritten). False otherwise.
bool AddLameTag(std::vector<uint8_t>& frame, const std::array<uint8_t, 9>& encoder);

// Writes every announced field (counts saturate at 32 bits) and, when the frame has a LAME tag, its
// delay, padding (each held to 12 bits), music length, music CRC and tag CRC. Bytes outside the
// announced fields and the tag's own fields stay as they are. False when frame is no information frame.
bool FillInfoFrame(std::vector<uint8_t>& frame, const InfoFrameValues& values);
