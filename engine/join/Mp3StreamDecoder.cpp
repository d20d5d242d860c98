#include "engine/join/Mp3StreamDecoder.h"

#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/MpegFrameHeader.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr size_t kProbeChunk = 100; // bytes fed per step until the decoder has parsed a header
constexpr size_t kReadChunk = 1024; // bytes fed per step while decoding

int64_t FileSize(std::FILE* file)
{
    struct stat info { };
    if (::fstat(fileno(file), &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_size);
}

// The decoder's own reports of damaged frames would go to stderr; a damaged frame already shows
// as a decoding error or a resynchronised stream, so they are dropped.
void IgnoreReport(const char*, va_list) { }

hip_t StartDecoder()
{
    hip_t hip = hip_decode_init();
    if (hip) {
        hip_set_errorf(hip, IgnoreReport);
        hip_set_debugf(hip, IgnoreReport);
        hip_set_msgf(hip, IgnoreReport);
    }
    return hip;
}

} // namespace

Mp3StreamDecoder::~Mp3StreamDecoder() { Close(); }

bool Mp3StreamDecoder::Open(const std::string& path)
{
    Close();
    // Only regular files: the probe reads until it finds a header or the end of the file, which a
    // device such as /dev/zero never reaches, and opening a pipe would wait for a writer.
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return false;
    path_ = path;
    hip_ = StartDecoder();
    if (!hip_ || !Probe()) {
        Close();
        return false;
    }
    return true;
}

void Mp3StreamDecoder::Close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    if (hip_)
        hip_decode_exit(hip_);
    hip_ = nullptr;
    tagBlock_.reset();
    facts_ = mp3data_struct {};
    isVbr_ = false;
    layer_ = 0;
    leadingBytes_ = 0;
    totalSamples_ = 0;
    path_.clear();
}

bool Mp3StreamDecoder::ReadExactly(uint8_t* buffer, size_t length)
{
    return std::fread(buffer, 1, length, file_) == length;
}

bool Mp3StreamDecoder::Probe()
{
    short discardLeft[kMaxSamplesPerFrame * 2];
    short discardRight[kMaxSamplesPerFrame * 2];
    uint8_t header[10];
    for (;;) {
        facts_ = mp3data_struct {};
        leadingBytes_ = 0;
        if (!ReadExactly(header, 4))
            return false;

        if (std::memcmp(header, "ID3", 3) == 0) {
            if (!ReadExactly(header + 4, 6))
                return false;
            leadingBytes_ = ID3v2BlockLength({ header, sizeof header });
            if (fseeko(file_, static_cast<off_t>(leadingBytes_ - 10), SEEK_CUR) != 0 || !ReadExactly(header, 4))
                return false;
        }

        // An album-ID block: "AiD\1", a 16-bit little-endian length that counts the six bytes
        // read so far. A stored length below six would move backwards; nothing more is skipped then.
        if (std::memcmp(header, "AiD\1", 4) == 0) {
            uint8_t lengthBytes[2];
            if (!ReadExactly(lengthBytes, 2))
                return false;
            const long length = lengthBytes[0] + 256L * lengthBytes[1];
            if (length > 6 && fseeko(file_, static_cast<off_t>(length - 6), SEEK_CUR) != 0)
                return false;
            if (!ReadExactly(header, 4))
                return false;
        }

        while (!IsFrameHeaderCandidate(header)) {
            std::memmove(header, header + 1, 3);
            if (!ReadExactly(header + 3, 1))
                return false;
        }

        const bool freeFormat = (header[2] & 0xF0) == 0;
        int encoderDelay = 0;
        int encoderPadding = 0;
        if (hip_decode1_headersB(hip_, header, 4, discardLeft, discardRight, &facts_, &encoderDelay, &encoderPadding)
            < 0)
            return false;
        uint8_t chunk[kProbeChunk];
        while (!facts_.header_parsed) {
            if (!ReadExactly(chunk, sizeof chunk))
                return false;
            if (hip_decode1_headersB(
                    hip_, chunk, sizeof chunk, discardLeft, discardRight, &facts_, &encoderDelay, &encoderPadding)
                < 0)
                return false;
        }

        if (facts_.bitrate == 0 && !freeFormat) {
            // A false sync: start again from here with a fresh decoder, so the bytes fed so far
            // cannot confuse the next attempt.
            hip_decode_exit(hip_);
            hip_ = StartDecoder();
            if (!hip_)
                return false;
            continue;
        }
        layer_ = 4 - ((header[1] >> 1) & 0x03);
        break;
    }

    if (facts_.totalframes > 0) {
        isVbr_ = true;
        totalSamples_ = InformationFrameTotal(header);
        return true;
    }
    if (facts_.bitrate <= 0)
        return false; // free format: no size estimate, and nothing else can describe the stream
    isVbr_ = false;
    totalSamples_ = kUnknownTotal;
    const int64_t size = FileSize(file_);
    if (size >= 0) {
        // The whole size in 64 bits: a long file's samples do not wrap.
        const auto bytes = static_cast<uint64_t>(size);
        const uint64_t audioBytes = bytes > leadingBytes_ ? bytes - leadingBytes_ : 0;
        const uint64_t seconds = audioBytes * 8 / (static_cast<uint64_t>(facts_.bitrate) * 1000);
        totalSamples_ = seconds * static_cast<uint64_t>(facts_.samplerate);
        facts_.totalframes = facts_.framesize > 0
            ? static_cast<int>(std::min<uint64_t>(totalSamples_ / static_cast<uint64_t>(facts_.framesize), INT_MAX))
            : 0;
    }
    return true;
}

uint64_t Mp3StreamDecoder::InformationFrameTotal(const uint8_t* firstHeader)
{
    // libmp3lame multiplies the frame count by the samples per frame in an int, which wraps for a
    // large count (0x40000000 frames give 0), and a crafted count may claim more frames than the
    // file holds. Either way the frames themselves are counted instead.
    const uint64_t frames = static_cast<uint64_t>(facts_.totalframes);
    const uint64_t total = frames * static_cast<uint64_t>(std::max(facts_.framesize, 0));
    if (total == facts_.nsamp && frames <= FramesTheFileCanHold(firstHeader))
        return total;
    StreamSampleCount count;
    if (!CountStreamSamples(path_, count))
        return kUnknownTotal;
    facts_.totalframes = static_cast<int>(std::min<int64_t>(count.frameCount, INT_MAX));
    return static_cast<uint64_t>(count.totalSamples);
}

uint64_t Mp3StreamDecoder::FramesTheFileCanHold(const uint8_t* firstHeader) const
{
    // The shortest frame of the stream's version, layer and rate: bitrate index 1, no padding.
    uint8_t shortest[4]
        = { firstHeader[0], firstHeader[1], static_cast<uint8_t>((firstHeader[2] & 0x0C) | 0x10), firstHeader[3] };
    const auto header = DecodeFrameHeader(shortest);
    const int64_t size = FileSize(file_);
    if (!header || header->frameLength <= 0 || size < 0)
        return 0;
    const auto bytes = static_cast<uint64_t>(size);
    return bytes > leadingBytes_ ? (bytes - leadingBytes_) / static_cast<uint64_t>(header->frameLength) : 0;
}

int Mp3StreamDecoder::DecodeNext(const uint8_t* bytes, size_t length, int16_t* left, int16_t* right)
{
    uint8_t none = 0; // the decoder is given a valid pointer even when fed no bytes
    mp3data_struct frameFacts {};
    const int n
        = hip_decode1_headers(hip_, length > 0 ? const_cast<uint8_t*>(bytes) : &none, length, left, right, &frameFacts);
    if (n <= 0 || !frameFacts.header_parsed)
        return n;
    // The format may change from frame to frame in a damaged or spliced file. A different rate
    // cannot be converted with the probed settings, so the stream ends there; a different channel
    // count is mapped onto the probed one.
    if (frameFacts.samplerate != facts_.samplerate)
        return -1;
    if (facts_.stereo == 2 && frameFacts.stereo == 1)
        std::memcpy(right, left, static_cast<size_t>(n) * sizeof(int16_t));
    return n;
}

bool Mp3StreamDecoder::ReadPcm(int16_t* left, int16_t* right, int& samples, bool& endOfStream)
{
    samples = 0;
    endOfStream = false;
    if (!file_ || !hip_) {
        endOfStream = true;
        return false;
    }
    int n = DecodeNext(nullptr, 0, left, right);
    if (n > 0) {
        samples = n;
        return true;
    }
    if (n < 0)
        return false;

    uint8_t buffer[kReadChunk];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) {
        n = DecodeNext(buffer, got, left, right);
        if (n > 0) {
            samples = n;
            return true;
        }
        if (n < 0)
            return false;
    }

    n = DecodeNext(nullptr, 0, left, right);
    if (n > 0) {
        samples = n;
        return true;
    }
    endOfStream = true;
    return n == 0;
}

std::optional<std::array<uint8_t, 128>> Mp3StreamDecoder::ReadTagBlock()
{
    if (tagBlock_ || !file_)
        return tagBlock_;
    const off_t position = ftello(file_);
    if (position < 0)
        return std::nullopt;
    std::array<uint8_t, 128> block {};
    bool found = false;
    if (fseeko(file_, -128, SEEK_END) == 0 && ReadExactly(block.data(), 3) && std::memcmp(block.data(), "TAG", 3) == 0
        && ReadExactly(block.data() + 3, 125))
        found = true;
    fseeko(file_, position, SEEK_SET);
    if (found)
        tagBlock_ = block;
    return tagBlock_;
}
