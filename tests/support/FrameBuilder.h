#pragma once
// Builds MP3 byte streams for tests: frames with exact headers, VBR information frames, ID3v2
// and ID3v1 blocks. Frame bodies are filled with a byte that can never start a header.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct FrameSpec {
    int version = 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int layer = 3; // 1, 2 or 3
    int bitrateIndex = 9;
    int sampleRateIndex = 0;
    int padding = 0;
    int channelMode = 1; // 0 stereo, 1 joint, 2 dual, 3 mono
};

// The four header bytes of a frame.
Bytes FrameHeaderBytes(const FrameSpec& shape);
// A whole frame (header + filler) of the length the header decodes to.
Bytes Frame(const FrameSpec& shape, uint8_t filler = 0x55);
// count frames of one kind; with a marker, frame i carries (i & 0xFF) in its last byte so tests can
// tell frames apart.
Bytes Frames(const FrameSpec& shape, int count, bool marked = true);
// A VBR information frame ("Xing" or "Info") with the given flags and fields (frames, bytes).
Bytes InfoFrame(const FrameSpec& shape, const char* kind = "Xing", uint32_t flags = 0x3, uint32_t frameCount = 0,
    uint32_t byteCount = 0);
// A VBRI information frame (32 bytes after the header) announcing frameCount frames and byteCount bytes.
Bytes VbriFrame(const FrameSpec& shape, uint32_t frameCount, uint32_t byteCount);
// "ID3" v2.3 header with the synchsafe size, followed by size bytes of zero padding.
Bytes ID3v2Block(uint32_t size);
// A 128-byte "TAG" block.
Bytes ID3v1(const std::string& title = "Title", const std::string& artist = "Artist", int track = 0, int genre = 255);
// Length of a frame whose header is shape.
int FrameLengthOf(const FrameSpec& shape);

void Append(Bytes& to, const Bytes& from);
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
// The frames of a stream of frames (no tags) with bitrate index 0 in every header: a free-format
// stream, whose frames keep their lengths but no header says what they are.
Bytes FreeFormatCopy(const Bytes& frames);
