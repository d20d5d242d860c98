#pragma once
// Steps shared by the split runs.
#include "engine/cut/PieceCutter.h"
#include "engine/cut/SplitRun.h"

#include <memory>
#include <string>
#include <vector>

// A FadeCutter when a fade of some length is switched on, otherwise a FrameCopyCutter.
std::unique_ptr<PieceCutter> MakePieceCutter(const CutOptions& options);
// Deletes the regular files named in the list and empties it.
void DeleteOutputFiles(std::vector<std::string>& outputFiles);
// Lets pending messages run and reads the cancel flag.
bool PumpAndCheckCancel(const SplitSettings& settings);
// Hands the writer the job, the bar, the overlaps and the fades, in that order.
void ConfigureCutter(PieceCutter& cutter, const SplitSettings& settings);
std::string LoadFailureText(const std::string& path);
// The frame-copy writer, for pieces cut to the sample; none for a fading writer. Exact pieces count
// samples at one rate in frames of one length, so a source whose frames change their version,
// layer or rate gets none either: its pieces are cut frame by frame, each frame timed at its own
// rate.
class FrameCopyCutter;
FrameCopyCutter* ExactCutter(PieceCutter& cutter);
