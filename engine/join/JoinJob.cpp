#include "engine/join/JoinJob.h"

#include "engine/stream/ID3TagText.h"
#include "platform/PathHelpers.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

void JoinJob::AssignTag(const std::string& title, const std::string& artist, const std::string& album,
    const std::string& year, const std::string& comment, int genre, bool hasTrack, int track)
{
    ID3TagInfo tag;
    SetTagText(tag, TagField::Title, title);
    SetTagText(tag, TagField::Artist, artist);
    SetTagText(tag, TagField::Album, album);
    SetTagText(tag, TagField::Year, year);
    SetTagText(tag, TagField::Comment, comment);
    tag.genre = genre;
    tag.hasTrack = hasTrack ? 1 : 0;
    tag.track = track;
    tag_ = tag;
}

bool JoinJob::OutputIsAnInput(const std::string& outputPath) const
{
    // equivalent() compares device and inode, so links and other spellings of a path are caught.
    for (const std::string& input : inputs_) {
        std::error_code error;
        if (std::filesystem::equivalent(outputPath, input, error) && !error)
            return true;
    }
    return false;
}

namespace {

std::string Format(const char* format, auto... values)
{
    const int length = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

} // namespace

void JoinJob::Fail(const char* format, const std::string& path) { errorText_ = Format(format, path.c_str()); }

std::string JoiningLabel(int index, int count, const std::string& outputPath)
{
    return Format("Joining %d of %d file(s) into %s...", index, count, GetFileNamePart(outputPath).c_str());
}

std::string ProcessingLabel(const std::string& inputPath, int percent)
{
    return Format("Processing %s...%d%%", GetFileNamePart(inputPath).c_str(), percent);
}
