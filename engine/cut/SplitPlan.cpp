#include "engine/cut/SplitPlan.h"

#include <cstdint>

namespace {

uint32_t PiecesOf(uint64_t total, uint64_t piece)
{
    return static_cast<uint32_t>(total / piece + (total % piece != 0 ? 1 : 0));
}

} // namespace

bool PlanBySize(uint64_t totalSize, int32_t cutFileSize, SplitPlan& plan, std::string& errorText)
{
    const int64_t pieceBytes = int64_t { cutFileSize } * 1024;
    if (pieceBytes >= 0 && static_cast<uint64_t>(pieceBytes) >= totalSize) {
        errorText = "The size of each piece is too large.";
        return false;
    }
    if (pieceBytes < 1) {
        errorText = "The size of each piece is too small.";
        return false;
    }
    plan = { SplitPlan::Measure::Bytes, pieceBytes, PiecesOf(totalSize, static_cast<uint64_t>(pieceBytes)) };
    return true;
}

bool PlanByCount(uint64_t totalSize, int32_t cutFileAmount, SplitPlan& plan, std::string& errorText)
{
    if (cutFileAmount < 2) {
        errorText = "The file count should be greater than or equal to 2.";
        return false;
    }
    const uint64_t pieceBytes = totalSize / static_cast<uint64_t>(cutFileAmount);
    if (pieceBytes < 1) {
        errorText = "The file count is too big.";
        return false;
    }
    plan = { SplitPlan::Measure::Bytes, static_cast<int64_t>(pieceBytes), static_cast<uint32_t>(cutFileAmount) };
    return true;
}

bool PlanByTime(int32_t totalDuration, int32_t cutTimeMin, int32_t cutTimeSec, SplitPlan& plan, std::string& errorText)
{
    const int64_t pieceTenths = int64_t { cutTimeSec } * 10 + int64_t { cutTimeMin } * 600;
    if (pieceTenths >= totalDuration) {
        errorText = "The duration of each piece is too long.";
        return false;
    }
    if (pieceTenths < 1) {
        errorText = "The duration of each piece is too short.";
        return false;
    }
    plan = { SplitPlan::Measure::Tenths, pieceTenths,
        PiecesOf(static_cast<uint64_t>(totalDuration), static_cast<uint64_t>(pieceTenths)) };
    return true;
}

bool PlanByDuration(int32_t totalDuration, int64_t pieceMs, SplitPlan& plan, std::string& errorText)
{
    const int64_t totalMs = int64_t { totalDuration } * 100;
    if (pieceMs >= totalMs) {
        errorText = "The duration of each piece is too long.";
        return false;
    }
    // The pieces are numbered in 32 bits.
    if (pieceMs < 1 || totalMs / pieceMs >= int64_t { UINT32_MAX }) {
        errorText = "The duration of each piece is too short.";
        return false;
    }
    plan = { SplitPlan::Measure::Milliseconds, pieceMs,
        PiecesOf(static_cast<uint64_t>(totalMs), static_cast<uint64_t>(pieceMs)) };
    return true;
}
