#pragma once
// Fills in a piece's frame count and byte count in a copy of the source's VBR information frame.
#include <cstdint>
#include <vector>

// The tag ("Xing"/"Info") lies after the frame's header and side information, then a big-endian
// flags word; flag 1 announces the frame count, flag 2 the byte count that follows it. Only bytes
// inside the frame are written: a frame too short to hold its announced fields is left unchanged
// (false). The table of contents and the quality value stay as they are.
bool RewriteInfoFrame(std::vector<uint8_t>& frame, uint32_t frameCount, uint32_t byteCount);
