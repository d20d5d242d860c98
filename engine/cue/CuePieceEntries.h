#pragma once
// A CUE sheet's pieces as rows of the pieces list: one checked row per track with its tag and the
// sheet's track number; the audio before the first track, when there is any, as an unchecked row.
#include "engine/cue/PlanCuePieces.h"
#include "engine/cut/PieceEntry.h"

#include <vector>

std::vector<PieceEntry> CuePieceEntries(const std::vector<CuePiece>& pieces, int sampleRate);
