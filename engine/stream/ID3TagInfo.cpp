#include "engine/stream/ID3TagInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies up to limit bytes, stopping at the first zero byte, and terminates the field.
template <size_t N> void CopyField(char (&field)[N], const char* source, size_t limit)
{
    static_assert(N >= 2);
    limit = std::min(limit, N - 1);
    size_t length = 0;
    while (length < limit && source[length] != '\0')
        ++length;
    std::memset(field, 0, N);
    std::memcpy(field, source, length);
}

template <size_t N> void SetField(char (&field)[N], const std::string& text, size_t limit)
{
    CopyField(field, text.c_str(), std::min(limit, text.size()));
}

void PutText(uint8_t* target, const char* text, size_t limit)
{
    if (text)
        std::memcpy(target, text, strnlen(text, limit));
}

} // namespace

void SetTagTitle(ID3TagInfo& info, const std::string& text) { SetField(info.title, text, 30); }
void SetTagArtist(ID3TagInfo& info, const std::string& text) { SetField(info.artist, text, 30); }
void SetTagAlbum(ID3TagInfo& info, const std::string& text) { SetField(info.album, text, 30); }
void SetTagYear(ID3TagInfo& info, const std::string& text) { SetField(info.year, text, 4); }
void SetTagComment(ID3TagInfo& info, const std::string& text) { SetField(info.comment, text, 30); }

void ParseID3v1Block(const uint8_t* block, ID3TagInfo& info)
{
    info = ID3TagInfo {};
    const char* text = reinterpret_cast<const char*>(block);
    info.genre = block[127];
    CopyField(info.title, text + 3, 30);
    CopyField(info.artist, text + 33, 30);
    CopyField(info.album, text + 63, 30);
    CopyField(info.year, text + 93, 4);
    if (block[125] != 0) { // v1.0: the comment runs to byte 126
        CopyField(info.comment, text + 97, 30);
        info.hasTrack = 0;
        info.track = 0;
    } else { // v1.1: a zero byte, then the track number
        CopyField(info.comment, text + 97, 28);
        info.track = block[126];
        info.hasTrack = block[126] != 0;
    }
}

bool BuildID3v1Block(uint8_t* block, const char* title, const char* artist, const char* album, const char* year,
    const char* comment, int genre, bool hasTrack, int track)
{
    std::memset(block, 0, 128);
    std::memcpy(block, "TAG", 3);
    PutText(block + 3, title, 30);
    PutText(block + 33, artist, 30);
    PutText(block + 63, album, 30);
    PutText(block + 93, year, 4);
    if (hasTrack) {
        PutText(block + 97, comment, 28);
        block[125] = 0;
        block[126] = static_cast<uint8_t>(track & 0xFF);
    } else {
        PutText(block + 97, comment, 30);
    }
    block[127] = static_cast<uint8_t>(genre & 0xFF);
    return true;
}

void BuildID3v1FromInfo(uint8_t* block, const ID3TagInfo& info)
{
    BuildID3v1Block(block, info.title, info.artist, info.album, info.year, info.comment, info.genre, info.hasTrack != 0,
        info.track);
}

bool ReadID3v1Tag(const std::string& path, ID3TagInfo& info)
{
    // Only a regular file can hold a tag; a FIFO or device would block or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status { };
    std::FILE* file = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? ::fdopen(fd, "rb") : nullptr;
    if (!file) {
        ::close(fd);
        return false;
    }
    uint8_t block[128];
    const bool ok = std::fseek(file, -128, SEEK_END) == 0 && std::fread(block, 1, 128, file) == 128
        && std::memcmp(block, "TAG", 3) == 0;
    std::fclose(file);
    if (ok)
        ParseID3v1Block(block, info);
    return ok;
}
