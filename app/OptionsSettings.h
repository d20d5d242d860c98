#pragma once
// The options page's two settings shares: the cutting options (Options/Cutter) and the joining
// options (Options/Joiner), with their defaults, loaders and savers.
#include "engine/cut/CutOptions.h"
#include "engine/join/EncodingOptions.h"

inline constexpr size_t kOutputFolderBufferSize = 520;

struct OptionValues {
    bool CutterBrowseFolder = true; // show an output file in the file manager after a cut
    CutOptions cut;
    bool JoinerBrowseFolder = true; // the same after a join
    EncodingOptions encoding;
};

void LoadCutterOptions(OptionValues& values);
void LoadJoinerOptions(OptionValues& values);
void SaveCutterOptions(const OptionValues& values);
void SaveJoinerOptions(const OptionValues& values);
