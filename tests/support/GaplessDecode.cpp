#include "tests/support/GaplessDecode.h"

#include "engine/stream/MpegFrameHeader.h"
#include "tests/support/Mp3Layout.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <lame/lame.h>

namespace {

// The decoder leaves out a frame that cannot find the main data it borrows, and says so through
// its error report; other decoders play such a frame as silence. Counted here, so the frame's
// samples can be put in (the report has no user pointer to carry the count).
thread_local int framesLeftOut = 0;

void CountLeftOut(const char* format, va_list)
{
    if (std::strstr(format, "step back") || std::strstr(format, "rewind"))
        ++framesLeftOut;
}

void Quiet(const char*, va_list) { }

} // namespace

Pcm DecodeGapless(const std::string& path, int cyclePlace)
{
    const Mp3Layout layout = ReadMp3Layout(ReadFile(path));
    Pcm pcm;
    hip_t hip = hip_decode_init();
    if (!hip || layout.frames.empty()) {
        if (hip)
            hip_decode_exit(hip);
        return pcm;
    }
    hip_set_errorf(hip, CountLeftOut);
    hip_set_msgf(hip, Quiet);
    short left[1152 * 2], right[1152 * 2];
    int samplesPerFrame = 1152;
    bool stereo = false;

    // Silent frames of the stream's format: no CRC, no padding, zero side information and main data.
    Bytes silent = layout.frames.front();
    silent[1] |= 0x01;
    silent[2] &= 0xFD;
    silent.resize(static_cast<size_t>(DecodeFrameHeader(silent.data())->frameLength));
    std::fill(silent.begin() + 4, silent.end(), 0);
    const int64_t silentFrames = 16 + cyclePlace;
    std::vector<Bytes> frames(static_cast<size_t>(silentFrames), silent);
    frames.insert(frames.end(), layout.frames.begin(), layout.frames.end());

    for (const Bytes& frame : frames) {
        const auto header = DecodeFrameHeader(frame.data());
        samplesPerFrame = header->samplesPerFrame;
        stereo = header->channelMode != 3;
        pcm.sampleRate = header->sampleRate;
        // The decoder may hold a frame back until it has seen the next one: its output is taken
        // as it comes.
        mp3data_struct facts {};
        framesLeftOut = 0;
        int got = hip_decode1_headers(hip, const_cast<uint8_t*>(frame.data()), frame.size(), left, right, &facts);
        for (;;) {
            for (; framesLeftOut > 0; --framesLeftOut) {
                pcm.left.insert(pcm.left.end(), static_cast<size_t>(samplesPerFrame), 0);
                if (stereo)
                    pcm.right.insert(pcm.right.end(), static_cast<size_t>(samplesPerFrame), 0);
            }
            if (got <= 0)
                break;
            pcm.left.insert(pcm.left.end(), left, left + got);
            if (stereo)
                pcm.right.insert(pcm.right.end(), right, right + got);
            got = hip_decode1_headers(hip, nullptr, 0, left, right, &facts);
        }
    }
    hip_decode_exit(hip);
    const auto silence = static_cast<size_t>(silentFrames * samplesPerFrame);
    pcm.left.erase(
        pcm.left.begin(), pcm.left.begin() + static_cast<std::ptrdiff_t>(std::min(silence, pcm.left.size())));
    if (!pcm.right.empty())
        pcm.right.erase(
            pcm.right.begin(), pcm.right.begin() + static_cast<std::ptrdiff_t>(std::min(silence, pcm.right.size())));
    if (!layout.lame)
        return pcm;

    const size_t total = pcm.left.size();
    const size_t begin = std::min(total, static_cast<size_t>(layout.lame->delay + 529));
    // A stated count past the frames the file holds is not believed.
    const size_t statedFrames = std::min<size_t>(layout.frameCount.value_or(UINT32_MAX), layout.frames.size());
    const int64_t stated = static_cast<int64_t>(statedFrames) * samplesPerFrame - layout.lame->padding + 529;
    const size_t end = std::clamp<size_t>(static_cast<size_t>(std::max<int64_t>(stated, 0)), begin, total);
    Pcm trimmed;
    trimmed.sampleRate = pcm.sampleRate;
    trimmed.left.assign(
        pcm.left.begin() + static_cast<std::ptrdiff_t>(begin), pcm.left.begin() + static_cast<std::ptrdiff_t>(end));
    if (!pcm.right.empty())
        trimmed.right.assign(pcm.right.begin() + static_cast<std::ptrdiff_t>(begin),
            pcm.right.begin() + static_cast<std::ptrdiff_t>(end));
    return trimmed;
}

Pcm DecodeGaplessAgainst(const std::string& path, const Pcm& reference, size_t offset, size_t& differences)
{
    Pcm best;
    differences = SIZE_MAX;
    for (int place = 0; place < 8 && differences > 0; ++place) {
        Pcm decoded = DecodeGapless(path, place);
        const size_t count = CountDifferences(reference, offset, decoded, 0, decoded.left.size());
        if (count < differences) {
            differences = count;
            best = std::move(decoded);
        }
    }
    return best;
}

size_t CountDifferences(const Pcm& a, size_t offset, const Pcm& b, size_t begin, size_t end)
{
    size_t differences = 0;
    for (size_t i = begin; i < end; ++i) {
        const size_t j = offset + i - begin;
        const bool leftDiffers = j >= a.left.size() || i >= b.left.size() || a.left[j] != b.left[i];
        const bool rightDiffers
            = !a.right.empty() && (j >= a.right.size() || i >= b.right.size() || a.right[j] != b.right[i]);
        differences += (leftDiffers || rightDiffers) ? 1 : 0;
    }
    return differences;
}

void AppendPcm(Pcm& a, const Pcm& b)
{
    a.sampleRate = b.sampleRate;
    a.left.insert(a.left.end(), b.left.begin(), b.left.end());
    a.right.insert(a.right.end(), b.right.begin(), b.right.end());
}
