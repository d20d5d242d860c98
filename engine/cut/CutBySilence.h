#pragma once
// The split at silences: the file's level overview (read from its side information, no decoding)
// gives the silences, each cut in its middle; the pieces are cut to the sample.
#include "engine/cut/FindSilenceCuts.h"
#include "engine/cut/SplitRun.h"

#include <string>
#include <vector>

// The level overview is read in its finest windows: one granule of Layer III (576 samples), one
// frame of Layers I and II, so each window holds one level. Silences are found in groups of about
// 50 ms of them and their edges placed to a granule. The pieces list of the split: rows from 0 over every cut to the end, all checked, with the
// source's tag and the options' track rule; bounds as samples of the gapless decode. False when
// the levels cannot be read, or when no cut was found ("No silence of at least ..." then).
bool PlanSilencePieces(const std::string& path, const ID3TagInfo& tag, int trackNoType,
    const SilenceSettings& silence, std::vector<PieceEntry>& entries, std::string& errorText);

// The batch page's run, as CutBySize and the others: true only when the file was split completely.
bool CutBySilence(BatchFileSource& source, const SilenceSettings& silence, const SplitSettings& settings,
    std::string& errorText);
