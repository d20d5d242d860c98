#pragma once
// The piece writer that decodes the source's frames, ramps the gain up at the start of each piece
// and down at its end, and encodes the result again (constant bitrate). A faded piece holds the
// source's ID3v2 block with the piece's values, LAME's information frame (the encoder's delay and
// padding, for gapless decoders), the new frames and an ID3v1 block.
#include "engine/cut/PieceCutter.h"

class PieceCodec;
class OutputFile;

class FadeCutter : public PieceCutter {
public:
    // The byte budget counts encoded bytes.
    bool WritePieceBySize(
        const std::string& path, int64_t byteBudget, const ID3TagInfo* tag, bool& endReached) override;
    bool WritePieceByDuration(
        const std::string& path, int32_t tenths, const ID3TagInfo* tag, bool& endReached) override;
    bool WriteRest(const std::string& path, const ID3TagInfo* tag) override;
    // Fade lengths in tenths of a second; call after Open.
    void SetFadeIn(bool enabled, int32_t tenths) override;
    void SetFadeOut(bool enabled, int32_t tenths) override;
    bool Open(const std::string& path) override;

private:
    enum class Budget { Bytes, Samples, Rest };
    enum class Fade { In, Out };
    struct PassResult {
        int64_t bytes = 0; // encoded bytes written
        int64_t samples = 0; // samples given to the encoder
        bool writeFailed = false;
        bool sourceEnded = false;
    };

    bool WritePiece(const std::string& path, Budget kind, int64_t budget, const ID3TagInfo* tag, bool* endReached);
    // Ramps the gain over length samples (whole frames, the last one may run past it).
    PassResult RunFadePass(Fade fade, int64_t length, PieceCodec& codec, OutputFile& output);
    // Decodes the frames before the piece's first one (the lead-in's first when leadInEntries of the
    // history are lead-in), without encoding them. False when the source could not be read.
    bool PrimeDecoder(PieceCodec& codec, size_t leadInEntries);
    // Bytes of the source covering tenths at its bitrate: bitrate × 125 × seconds, truncated.
    int64_t BytesForTenths(int32_t tenths) const;

    int32_t fadeInLen_ = 0;
    int32_t fadeOutLen_ = 0;
    int64_t fadeInSamples_ = 0;
    int64_t fadeOutSamples_ = 0;
    bool fadeInEnabled_ = false;
    bool fadeOutEnabled_ = false;
    int channelMode_ = 0; // of the source's first frame
};
