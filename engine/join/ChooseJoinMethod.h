#pragma once
// How a join is made: with fixed encoding settings always by re-encoding at them; otherwise by
// frame copy when the inputs allow it, else by re-encoding at the format picked from the inputs.
#include "engine/join/EncodingOptions.h"
#include "engine/join/JoinJob.h"
#include "engine/join/PickAutoEncoding.h"

#include <span>
#include <string>

struct JoinMethod {
    bool frameCopy = false;
    JoinEncoding encoding; // the target format when re-encoding
};

JoinMethod ChooseJoinMethod(const EncodingOptions& options, std::span<const JoinStreamFacts> entries);
// Runs the job by the chosen method.
bool JoinWithMethod(JoinJob& job, const JoinMethod& method, const std::string& outputPath, JobProgress& progress);
