// Frame-copy joins of two arbitrary inputs, each read as a source of frames.
//
// Input: two bytes (little-endian) giving the first input's length, then both inputs.
#include "engine/join/JoinJob.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

bool Unchanged(const std::string& path, const uint8_t* data, size_t size)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
    return bytes.size() == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t firstLength = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
    const uint8_t* first = data + 2;
    const uint8_t* second = first + firstLength;
    const size_t secondLength = size - 2 - firstLength;
    const std::string a = WriteScratchFile("a.mp3", first, firstLength);
    const std::string b = WriteScratchFile("b.mp3", second, secondLength);
    const std::string output = ScratchFolder() + "/joined.mp3";

    JoinJob job;
    job.AddInput(a);
    job.AddInput(b);
    job.AddInput(a);
    job.AssignTag("title", "artist", "album", "2024", "comment", 12, true, 3);
    QuietProgress progress;
    const bool joined = job.JoinByFrameCopy(output, progress);

    std::error_code error;
    Require(
        joined == std::filesystem::is_regular_file(output, error), "the output exists exactly when the join worked");
    Require(joined == job.ErrorText().empty(), "a failure without its message, or a message after success");
    Require(!joined || std::filesystem::file_size(output, error) >= 128, "a joined file without its tag");
    Require(Unchanged(a, first, firstLength) && Unchanged(b, second, secondLength), "an input was changed");
    Require(std::distance(std::filesystem::directory_iterator(ScratchFolder()), {}) == (joined ? 3 : 2),
        "a temporary file was left behind");
    ClearScratchFolder();
    return 0;
}
