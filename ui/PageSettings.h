#pragma once
// The settings shares of the cutter, batch cutter and joiner pages, with their defaults, loaders and
// savers. A saver writes only the value groups it is given; an empty set touches nothing.
#include <cstdint>
#include <string>

// Value groups of the savers.
inline constexpr unsigned kGroupFolder = 0x04;
inline constexpr unsigned kGroupSplitMode = 0x10;
inline constexpr unsigned kGroupTag = 0x20;
inline constexpr unsigned kGroupStartPage = 0x1000000;

// Tag texts are read through buffers of these sizes (terminating zero included); folders are paths
// and are read whole.
inline constexpr size_t kTagTextBufferSize = 32;
inline constexpr size_t kTagShortTextBufferSize = 8;

// Split modes: 0 by size, 1 by count, 2 by time, 3 by selection on the cutter page and by silence
// on the batch cutter page.
struct SplitModeSettings {
    int32_t CutType = 0;
    int32_t CutFileAmount = 2; // pieces
    int32_t CutFileSize = 1024; // KB
    int32_t CutTimeMin = 1;
    int32_t CutTimeSec = 0;
};

struct CutterSettings {
    SplitModeSettings splitMode { 3 };
};

struct BatchCutterSettings {
    std::string Folder;
    SplitModeSettings splitMode { 0 };
};

struct JoinerSettings {
    std::string Folder;
    std::string ID3Title, ID3Artist, ID3Album, ID3Year, ID3Comment;
    int32_t ID3Genre = -1; // no genre selected
    std::string ID3TrackNo;
};

// What counts as silence for "Add Pieces at Silences" and the batch cutter's "By silence": stored
// with the cutter's settings, shared by both pages.
struct SilenceSplitSettings {
    int32_t SilenceThreshold = -480; // tenths of a dBFS
    int32_t SilenceMinLength = 10; // tenths of a second
};

void LoadCutterSettings(CutterSettings& settings);
void SaveCutterSettings(const CutterSettings& settings, unsigned groups);
// Read when a silence split starts, so a change on one page holds for the other.
void LoadSilenceSplitSettings(SilenceSplitSettings& settings);
void SaveSilenceSplitSettings(const SilenceSplitSettings& settings);
void LoadBatchCutterSettings(BatchCutterSettings& settings);
void SaveBatchCutterSettings(const BatchCutterSettings& settings, unsigned groups);
void LoadJoinerSettings(JoinerSettings& settings);
void SaveJoinerSettings(const JoinerSettings& settings, unsigned groups);
