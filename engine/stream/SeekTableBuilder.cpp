#include "engine/stream/SeekTableBuilder.h"

#include <algorithm>

void SeekTableBuilder::Keep(uint64_t offset)
{
    if (kept_.size() == kCapacity) {
        for (size_t i = 0; 2 * i < kept_.size(); ++i)
            kept_[i] = kept_[2 * i];
        kept_.resize(kept_.size() / 2);
        stride_ *= 2;
    }
    if (frames_ % stride_ == 0)
        kept_.push_back(offset);
    nextKept_ = (frames_ / stride_ + 1) * stride_;
}

std::array<uint8_t, 100> SeekTableBuilder::Build(uint64_t byteCount) const
{
    std::array<uint8_t, 100> table {};
    if (frames_ == 0 || byteCount == 0 || kept_.empty())
        return table;
    for (uint64_t i = 0; i < table.size(); ++i) {
        const uint64_t frame = i * frames_ / 100;
        const uint64_t slot = std::min<uint64_t>(frame / stride_, kept_.size() - 1);
        const uint64_t slotFrame = slot * stride_;
        const bool last = slot + 1 >= kept_.size();
        const uint64_t nextFrame = last ? frames_ : slotFrame + stride_;
        const uint64_t nextOffset = last ? byteCount : kept_[slot + 1];
        uint64_t offset = kept_[slot];
        if (nextFrame > slotFrame && nextOffset > offset)
            offset += (nextOffset - offset) * (frame - slotFrame) / (nextFrame - slotFrame);
        table[i] = static_cast<uint8_t>(std::min<uint64_t>(255, offset * 256 / byteCount));
    }
    return table;
}
