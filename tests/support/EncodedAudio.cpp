#include "tests/support/EncodedAudio.h"

#include "tests/support/FrameBuilder.h"

#include <algorithm>
#include <cmath>
#include <lame/lame.h>
#include <stdexcept>

Pcm MakeTone(const ToneSpec& shape)
{
    Pcm pcm;
    pcm.sampleRate = shape.sampleRate;
    const size_t count = static_cast<size_t>(shape.seconds * shape.sampleRate);
    pcm.left.resize(count);
    for (size_t i = 0; i < count; ++i)
        pcm.left[i] = static_cast<int16_t>(std::lround(32767.0 * shape.amplitude
            * std::sin(2.0 * M_PI * shape.frequency * static_cast<double>(i) / shape.sampleRate)));
    if (shape.channels == 2)
        pcm.right = pcm.left;
    return pcm;
}

Pcm MakeMusic(double seconds, int sampleRate, int channels)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    const size_t count = static_cast<size_t>(seconds * sampleRate);
    pcm.left.resize(count);
    if (channels == 2)
        pcm.right.resize(count);
    uint32_t noise = 12345;
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double swell = 0.5 + 0.5 * std::sin(2 * M_PI * 0.4 * t);
        const double quiet = std::fmod(t, 3.0) > 2.4 ? 0.02 : 1.0;
        noise = noise * 1664525u + 1013904223u;
        const double burst = std::fmod(t, 0.7) < 0.08 ? (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) : 0.0;
        const double chord = std::sin(2 * M_PI * 220 * t) + 0.6 * std::sin(2 * M_PI * 277.2 * t)
            + 0.4 * std::sin(2 * M_PI * 329.6 * t) + 0.2 * std::sin(2 * M_PI * 3520 * t * (1 + 0.01 * std::sin(t)));
        const double left = quiet * (0.25 * swell * chord + 0.3 * burst);
        const double right = quiet * (0.25 * (1 - swell) * chord + 0.2 * burst + 0.05 * std::sin(2 * M_PI * 880 * t));
        pcm.left[i] = static_cast<int16_t>(std::lround(std::clamp(left, -1.0, 1.0) * 32000));
        if (channels == 2)
            pcm.right[i] = static_cast<int16_t>(std::lround(std::clamp(right, -1.0, 1.0) * 32000));
    }
    return pcm;
}

std::vector<uint8_t> EncodePcm(const Pcm& pcm, int bitrate, bool vbr, bool writeInfoFrame, int vbrQuality)
{
    lame_global_flags* lame = lame_init();
    const bool stereo = !pcm.right.empty();
    lame_set_in_samplerate(lame, pcm.sampleRate);
    lame_set_out_samplerate(lame, pcm.sampleRate);
    lame_set_num_channels(lame, stereo ? 2 : 1);
    lame_set_mode(lame, stereo ? JOINT_STEREO : MONO);
    lame_set_quality(lame, 7); // fast; tests need real frames, not the best sound
    if (vbr) {
        lame_set_VBR(lame, vbr_mtrh);
        lame_set_VBR_quality(lame, static_cast<float>(vbrQuality));
    } else {
        lame_set_VBR(lame, vbr_off);
        lame_set_brate(lame, bitrate);
    }
    lame_set_bWriteVbrTag(lame, writeInfoFrame ? 1 : 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_init_params failed");
    }
    std::vector<uint8_t> out;
    const size_t chunk = 4608;
    std::vector<uint8_t> buffer(chunk * 5 / 4 + 7200 + 16384);
    for (size_t at = 0; at < pcm.left.size(); at += chunk) {
        const size_t n = std::min(chunk, pcm.left.size() - at);
        const int written = lame_encode_buffer(lame, &pcm.left[at], stereo ? &pcm.right[at] : &pcm.left[at],
            static_cast<int>(n), buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0)
            throw std::runtime_error("lame_encode_buffer failed");
        out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    }
    const int flushed = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (flushed > 0)
        out.insert(out.end(), buffer.begin(), buffer.begin() + flushed);
    if (writeInfoFrame) {
        const size_t length = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
        if (length > 0 && length <= out.size())
            std::copy(buffer.begin(), buffer.begin() + static_cast<long>(length), out.begin());
    }
    lame_close(lame);
    return out;
}

std::vector<uint8_t> EncodeTone(const ToneSpec& shape)
{
    return EncodePcm(MakeTone(shape), shape.bitrate, shape.vbr, shape.writeInfoFrame, shape.vbrQuality);
}

Pcm DecodeFile(const std::string& path)
{
    const Bytes data = ReadFile(path);
    Pcm pcm;
    hip_t hip = hip_decode_init();
    if (!hip)
        return pcm;
    short left[1152 * 2], right[1152 * 2];
    mp3data_struct facts {};
    int channels = 0;
    auto take = [&](int n) {
        if (facts.header_parsed) {
            pcm.sampleRate = facts.samplerate;
            channels = facts.stereo;
        }
        pcm.left.insert(pcm.left.end(), left, left + n);
        if (channels == 2)
            pcm.right.insert(pcm.right.end(), right, right + n);
    };
    const size_t chunk = 1024;
    // The decoder does not know ID3v2 tags: a tag's text could look like a frame header to it.
    size_t start = 0;
    if (data.size() >= 10 && data[0] == 'I' && data[1] == 'D' && data[2] == '3')
        start = 10 + (size_t { data[6] & 0x7Fu } << 21) + (size_t { data[7] & 0x7Fu } << 14)
            + (size_t { data[8] & 0x7Fu } << 7) + size_t { data[9] & 0x7Fu };
    for (size_t at = start; at < data.size(); at += chunk) {
        const size_t n = std::min(chunk, data.size() - at);
        int got = hip_decode1_headers(hip, const_cast<uint8_t*>(&data[at]), n, left, right, &facts);
        while (got > 0) {
            take(got);
            got = hip_decode1_headers(hip, nullptr, 0, left, right, &facts);
        }
        if (got < 0)
            break;
    }
    hip_decode_exit(hip);
    return pcm;
}

double RmsLevel(const std::vector<int16_t>& samples, size_t begin, size_t end)
{
    end = std::min(end, samples.size());
    if (begin >= end)
        return 0.0;
    double sum = 0;
    for (size_t i = begin; i < end; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(end - begin)) / 32768.0;
}
