#pragma once
// An MP3 file written by the LAME encoder at a constant bitrate. Its first frame is LAME's own
// information frame, filled in when the file is finished, so gapless decoders drop the encoder's
// delay and padding and play exactly the samples encoded. An optional leading block (an ID3v2
// tag) goes in front of the frames, an optional ID3v1 block after them.
// Every write is checked: once one fails, Encode and Finish report failure.
// Calling order: Create, the setters, Start, Encode..., Finish (or Discard).
#include "engine/stream/ID3TagInfo.h"
#include "platform/OutputFile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <lame/lame.h>

class Mp3FileEncoder {
public:
    // lame_encode_flush needs at least 7200 bytes; 16384 also holds any block of 1152 samples.
    static constexpr int kOutputBufferSize = 16384;

    Mp3FileEncoder() = default;
    ~Mp3FileEncoder(); // finishes an output still open
    Mp3FileEncoder(const Mp3FileEncoder&) = delete;
    Mp3FileEncoder& operator=(const Mp3FileEncoder&) = delete;

    // Finishes any output still open, creates the file (replacing it) and the encoder. False when
    // either fails; when only the encoder could not be made the file stays open until Finish.
    bool Create(const std::string& path);
    void SetTagBlock(const ID3v1Block& block) { tagBlock_ = block; }
    // Written at Start, before the first frame.
    void SetLeadingBlock(std::vector<uint8_t> block) { leadingBlock_ = std::move(block); }
    void SetChannels(int channels); // clamped to 1..2
    void SetInputRate(int sampleRate); // Hz
    void SetBitrate(int bitrate); // kbit/s, clamped to 8..320
    void SetOutputRate(int sampleRate);
    void SetMode(int mode); // 0 stereo, 1 joint stereo, 3 mono; anything else is stereo
    // Fixes the parameters; false when the encoder refuses them or a rate is not positive.
    bool Start();
    // Encodes count samples per channel; with one channel right is not read. False when the
    // encoder reports an error or the encoded bytes could not be written.
    bool Encode(const int16_t* left, const int16_t* right, int count);
    // Flushes the encoder, appends the tag block and closes the file. False when any write of
    // this output failed (the file is then deleted) or nothing was open.
    bool Finish();
    // Closes the encoder and deletes the output.
    void Discard();

    bool IsOpen() const { return file_.IsOpen(); }
    const std::string& Path() const { return file_.Path(); }
    // The bitrate as LAME reads it back: the clamped value before Start, the one it encodes at after.
    int Bitrate() const { return encoder_ ? lame_get_brate(encoder_) : 0; }

    static int ClampBitrate(int bitrate);
    static int NormalizeMode(int mode);

private:
    bool WriteEncoded(int length);
    void CloseEncoder();

    OutputFile file_;
    lame_global_flags* encoder_ = nullptr;
    std::array<uint8_t, kOutputBufferSize> buffer_ {};
    std::optional<ID3v1Block> tagBlock_;
    std::vector<uint8_t> leadingBlock_;
    int channels_ = 2;
    int inputRate_ = 0, outputRate_ = 0;
    bool started_ = false;
    bool failed_ = false;
};
