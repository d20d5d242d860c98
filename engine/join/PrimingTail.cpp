#include "engine/join/PrimingTail.h"

#include <algorithm>

void PrimingTail::Keep(const std::vector<std::span<const uint8_t>>& lastFrames)
{
    const size_t count = std::min(lastFrames.size(), kMaxFrames);
    for (size_t i = lastFrames.size() - count; i < lastFrames.size(); ++i)
        frames_.emplace_back(lastFrames[i].begin(), lastFrames[i].end());
    if (frames_.size() > kMaxFrames)
        frames_.erase(frames_.begin(), frames_.end() - static_cast<std::ptrdiff_t>(kMaxFrames));
}

std::optional<size_t> PrimingTail::SharedFramesOf(int previousPadding, int encoderDelay, int samplesPerFrame)
{
    if (samplesPerFrame <= 0 || previousPadding < 0 || encoderDelay < 0)
        return std::nullopt;
    // Of the decoder's output, the previous input plays up to previousPadding − 529 samples before
    // the end of its frames' output, this one from encoderDelay + 529 samples after the start of
    // its own: with m shared frames the two places meet when the sum is m frames of samples.
    const int trimmed = previousPadding + encoderDelay;
    if (trimmed % samplesPerFrame != 0)
        return std::nullopt;
    const auto frames = static_cast<size_t>(trimmed / samplesPerFrame);
    if (frames == 0 || frames > kMaxFrames)
        return std::nullopt;
    return frames;
}

bool PrimingTail::EndsWith(const std::vector<std::span<const uint8_t>>& frames) const
{
    if (frames.empty() || frames.size() > frames_.size())
        return false;
    const size_t offset = frames_.size() - frames.size();
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::vector<uint8_t>& kept = frames_[offset + i];
        if (!std::equal(kept.begin(), kept.end(), frames[i].begin(), frames[i].end()))
            return false;
    }
    return true;
}
