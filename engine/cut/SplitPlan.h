#pragma once
// The checks of a split and the number of pieces it makes. Each check failure gives the message the
// pages show.
#include <cstdint>
#include <string>

struct SplitPlan {
    enum class Measure { Bytes, Tenths, Milliseconds };
    Measure measure = Measure::Bytes;
    int64_t pieceAmount = 0; // bytes, tenths of a second or milliseconds per piece
    uint32_t pieceCount = 0; // pieces of the whole run, the last one included
};

// cutFileSize in KB against the file's whole size in bytes (4 GiB and more included).
bool PlanBySize(uint64_t totalSize, int32_t cutFileSize, SplitPlan& plan, std::string& errorText);
bool PlanByCount(uint64_t totalSize, int32_t cutFileAmount, SplitPlan& plan, std::string& errorText);
// Piece duration cutTimeMin:cutTimeSec against the total duration in tenths of a second.
bool PlanByTime(int32_t totalDuration, int32_t cutTimeMin, int32_t cutTimeSec, SplitPlan& plan, std::string& errorText);
// The same with a piece duration in milliseconds ("1:02.5" on the command line).
bool PlanByDuration(int32_t totalDuration, int64_t pieceMs, SplitPlan& plan, std::string& errorText);
