#include "engine/stream/ReadSourceTag.h"

#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/SourceID3v2Tag.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The file's leading ID3v2 block (as much of it as the file holds), or nothing.
std::vector<uint8_t> ReadID3v2Block(const std::string& path)
{
    // Only a regular file can hold a tag; a FIFO or device would block or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat status { };
    std::vector<uint8_t> block(10);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || ::pread(fd, block.data(), 10, 0) != 10) {
        ::close(fd);
        return {};
    }
    const size_t length = std::min<size_t>(ID3v2BlockLength(block), static_cast<size_t>(status.st_size));
    block.resize(length);
    size_t done = std::min<size_t>(length, 10);
    while (done < length) {
        const ssize_t got = ::pread(fd, block.data() + done, length - done, static_cast<off_t>(done));
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    block.resize(done);
    return block;
}

} // namespace

bool OverlayID3v2Tag(std::span<const uint8_t> block, ID3TagInfo& info)
{
    SourceID3v2Tag tag;
    return tag.Parse(block) && tag.ReadInto(info);
}

bool OverlayFileID3v2Tag(const std::string& path, ID3TagInfo& info)
{
    const std::vector<uint8_t> block = ReadID3v2Block(path);
    return !block.empty() && OverlayID3v2Tag(block, info);
}

bool ReadSourceTag(const std::string& path, ID3TagInfo& info)
{
    if (ReadID3v1Tag(path, info)) {
        OverlayFileID3v2Tag(path, info);
        return true;
    }
    // Only an ID3v2 tag: its fields over an empty record, which has no genre.
    ID3TagInfo fromID3v2;
    fromID3v2.genre = 255;
    if (!OverlayFileID3v2Tag(path, fromID3v2))
        return false;
    info = fromID3v2;
    return true;
}

std::optional<ID3v2Summary> ReadID3v2Summary(const std::string& path)
{
    SourceID3v2Tag tag;
    if (!tag.Parse(ReadID3v2Block(path)))
        return std::nullopt;
    ID3v2Summary summary;
    summary.version = tag.MajorVersion();
    summary.fields.genre = 255;
    tag.ReadInto(summary.fields);
    summary.pictures = tag.PictureCount();
    return summary;
}
