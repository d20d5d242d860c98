// Frame-copy split runs over arbitrary bytes: by size, count, time and chosen pieces, with overlaps,
// track rules and a folder per file, as the pages and the command line start them.
//
// Input: a control byte, two bytes of amount (little-endian), then the source file.
#include "engine/cut/SplitRun.h"
#include "engine/stream/CountStreamSamples.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::vector<uint8_t> ReadBack(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

bool Split(
    const std::string& path, uint8_t control, uint16_t amount, size_t sourceSize, std::vector<std::string>& outputs)
{
    QuietProgress progress;
    SplitSettings settings;
    settings.job = &progress;
    CutOptions& options = settings.options;
    options.OutputFolderOpt = kOutputFolderSpecified;
    options.SpecifiedOutputFolder = ScratchFolder() + "/pieces";
    options.noFallbackFolder = true; // nothing may go outside the scratch folder
    options.ForwardOverlap = ((control >> 2) & 3) * 7;
    options.BackwardOverlap = ((control >> 4) & 3) * 7;
    options.CreateFolderForEachMP3 = (control & 0x40) != 0;
    options.ID3v1TagTrackNoType = (control & 0x80) ? TrackNoNull : TrackNoSequence;

    StreamSampleCount count;
    CountStreamSamples(path, count);
    std::string errorText;
    bool ok = false;
    switch (control & 3) {
    case 0: {
        BatchFileSource source { path, {}, static_cast<uint64_t>(count.totalSamples), count.sampleRate, {} };
        ok = CutBySize(source, 1 + amount % 64, settings, errorText);
        outputs = source.outputFiles;
        break;
    }
    case 1: {
        CutterSource source { path, {}, static_cast<uint64_t>(sourceSize), 0, {} };
        ok = CutByCount(source, 2 + amount % 40, settings, errorText);
        outputs = source.outputFiles;
        break;
    }
    case 2: {
        BatchFileSource source { path, {}, static_cast<uint64_t>(count.totalSamples), count.sampleRate, {} };
        ok = CutByTime(source, 0, 1 + amount % 20, settings, errorText);
        outputs = source.outputFiles;
        break;
    }
    default: {
        // Three pieces at two points in the first minute; bit 0 of the amount skips the middle one.
        CutterSource source { path, {}, static_cast<uint64_t>(sourceSize),
            static_cast<int32_t>(count.DurationMs() / 100), {} };
        const int32_t first = 1 + (amount >> 1) % 300;
        const int32_t second = first + 1 + (amount >> 9) % 300;
        std::vector<PieceEntry> entries(3);
        entries[0].start = 0;
        entries[0].end = entries[1].start = first;
        entries[1].end = entries[2].start = second;
        entries[2].end = std::max(second + 1, source.totalDuration);
        for (PieceEntry& entry : entries)
            entry.checked = true;
        entries[1].checked = (amount & 1) == 0;
        ok = CutBySelection(source, entries, settings, errorText);
        outputs = source.outputFiles;
        break;
    }
    }
    Require(ok || !errorText.empty() || outputs.empty(), "a failed cut kept pieces without saying why");
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t control = data[0];
    const auto amount = static_cast<uint16_t>(data[1] | (data[2] << 8));
    const std::string path = WriteScratchFile("source.mp3", data + 3, size - 3);
    std::vector<std::string> outputs;
    Split(path, control, amount, size - 3, outputs);

    for (const std::string& piece : outputs) {
        std::error_code error;
        Require(std::filesystem::is_regular_file(piece, error), "a piece named in the list does not exist");
        Require(piece.rfind(ScratchFolder() + "/pieces/", 0) == 0, "a piece went outside its folder");
    }
    const std::vector<uint8_t> after = ReadBack(path);
    Require(after.size() == size - 3 && (size == 3 || std::memcmp(after.data(), data + 3, size - 3) == 0),
        "the source was changed");
    ClearScratchFolder();
    return 0;
}
