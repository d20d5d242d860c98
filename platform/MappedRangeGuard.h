#pragma once
// Bytes of a mapped file that can no longer be read (the file was cut short after it was mapped,
// or its disk failed) raise SIGBUS when touched, which would end the process. In a guarded range
// the first such fault instead replaces the rest of the range with zero pages and sets the
// range's failed flag: the reader sees zeros, finishes what it was doing with them and then finds
// the flag, as it finds a read that came back short.
//
// A range belongs to the thread that guards it: the fault is raised in the thread that touched
// the bytes, and only that thread's ranges are looked at, so only that thread may read them. A
// fault anywhere else goes to the handler that was there before, or ends the process as it
// always would.
#include <atomic>
#include <cstddef>

// Guards [begin, begin + length), begin page-aligned, for the calling thread. False when
// kMaxGuardedRanges ranges are guarded already, or the handler could not be installed or has
// been replaced since.
bool GuardMappedRange(const void* begin, size_t length, std::atomic<bool>* failed);
// Stops guarding the range that starts at begin (from any thread); call it before unmapping.
void UnguardMappedRange(const void* begin);

constexpr int kMaxGuardedRanges = 64;
