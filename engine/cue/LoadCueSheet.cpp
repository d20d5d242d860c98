#include "engine/cue/LoadCueSheet.h"

#include "engine/cue/ParseCueSheet.h"
#include "platform/PathHelpers.h"

#include <fstream>
#include <vector>
#include <sstream>

namespace {

// Real sheets are a few kilobytes; anything this large is not one.
constexpr uint64_t kMaxSheetBytes = 1 << 20;

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if ((!name.empty() && name.front() == '/') || folder == ".")
        return name;
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool IsMp3Name(const std::string& path)
{
    const auto extension = GetFileExtension(path);
    return extension && EqualsIgnoreCase(*extension, ".mp3");
}

bool FindAudioFile(const std::string& sheetPath, const CueSheet& sheet, std::string& audioPath)
{
    const std::string folder = GetFolderPart(sheetPath);
    const std::string asWritten = JoinPath(folder, sheet.audioFile);
    const size_t lastSeparator = sheet.audioFile.find_last_of("/\\");
    const std::string baseName
        = lastSeparator == std::string::npos ? sheet.audioFile : sheet.audioFile.substr(lastSeparator + 1);
    std::vector<std::string> candidates = { asWritten, JoinPath(folder, baseName) };
    if (const auto extension = GetFileExtension(baseName); extension && !IsMp3Name(baseName))
        candidates.push_back(JoinPath(folder, baseName.substr(0, baseName.size() - extension->size()) + ".mp3"));
    for (const auto& candidate : candidates) {
        if (FileExists(candidate) && !IsDirectory(candidate) && IsMp3Name(candidate)) {
            audioPath = candidate;
            return true;
        }
    }
    // Report the file as written when it exists but is not an MP3 file.
    audioPath = FileExists(asWritten) ? asWritten : std::string();
    return false;
}

} // namespace

std::string CueErrorText(const CueError& error)
{
    std::string problem = error.problem;
    if (error.line > 0)
        return "Line " + std::to_string(error.line) + ": " + problem + ".";
    if (!problem.empty() && problem[0] >= 'a' && problem[0] <= 'z')
        problem[0] = static_cast<char>(problem[0] - 'a' + 'A');
    return problem + ".";
}

bool LoadCueSheet(const std::string& sheetPath, LoadedCueSheet& loaded, std::string& errorText)
{
    loaded = LoadedCueSheet {};
    uint64_t size = 0;
    if (IsDirectory(sheetPath) || !GetFileSize64(sheetPath, size)) {
        errorText = "Failed to read the CUE sheet \"" + sheetPath + "\".";
        return false;
    }
    if (size > kMaxSheetBytes) {
        errorText = "The file \"" + sheetPath + "\" is too large to be a CUE sheet.";
        return false;
    }
    std::ifstream in(sheetPath, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) {
        errorText = "Failed to read the CUE sheet \"" + sheetPath + "\".";
        return false;
    }
    CueError error;
    if (!ParseCueSheet(bytes.str(), loaded.sheet, error)) {
        errorText = CueErrorText(error);
        return false;
    }
    if (!FindAudioFile(sheetPath, loaded.sheet, loaded.audioPath)) {
        const CueSheet& sheet = loaded.sheet;
        const std::string problem = loaded.audioPath.empty()
            ? "the audio file \"" + sheet.audioFile + "\" does not exist beside the sheet"
            : "the audio file \"" + sheet.audioFile + "\" is not an MP3 file";
        errorText = CueErrorText({ sheet.audioFileLine, problem });
        loaded.audioPath.clear();
        return false;
    }
    return true;
}
