#pragma once
// The checks of a split and the number of pieces it makes. Each check failure gives the message the
// pages show.
#include <cstdint>
#include <string>

struct SplitPlan {
    enum class Measure { Bytes, Tenths };
    Measure measure = Measure::Bytes;
    int64_t pieceAmount = 0; // bytes or tenths of a second per piece
    uint32_t pieceCount = 0; // pieces of the whole run, the last one included
};

// cutFileSize in KB against the file's whole size in bytes (4 GiB and more included).
bool PlanBySize(uint64_t totalSize, int32_t cutFileSize, SplitPlan& plan, std::string& errorText);
bool PlanByCount(uint64_t totalSize, int32_t cutFileAmount, SplitPlan& plan, std::string& errorText);
// Piece duration cutTimeMin:cutTimeSec against the total duration in tenths of a second.
bool PlanByTime(int32_t totalDuration, int32_t cutTimeMin, int32_t cutTimeSec, SplitPlan& plan, std::string& errorText);
