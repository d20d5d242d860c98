#include "engine/stream/Mp3SourceFile.h"

#include <cstring>

size_t ID3v2BlockLength(std::span<const uint8_t> b)
{
    if (b.size() < 10 || std::memcmp(b.data(), "ID3", 3) != 0)
        return 0;
    return (size_t { b[6] & 0x7Fu } << 21) + (size_t { b[7] & 0x7Fu } << 14) + (size_t { b[8] & 0x7Fu } << 7)
        + size_t { b[9] & 0x7Fu } + 10;
}

void Mp3SourceFile::Close()
{
    file_.Close();
    cursor_ = 0;
    audioStart_ = 0;
    sampleRate_ = 0;
    bitrate_ = 0;
    samplesPerFrame_ = 0;
    channelMode_ = kNoChannelMode;
    sideInfoSize_ = 0;
    id3v2Length_ = 0;
    infoFrame_.clear();
    infoFrame_.shrink_to_fit();
    infoFramePosition_ = 0;
    infoFrameKind_.clear();
}

std::optional<FoundFrame> Mp3SourceFile::FindNextFrame(size_t position)
{
    auto found = ::FindNextFrame(Bytes(), position);
    if (found) {
        channelMode_ = found->header.channelMode;
        sideInfoSize_ = found->header.sideInfoSize;
    }
    return found;
}

std::optional<FoundFrame> Mp3SourceFile::NextCompleteFrame(size_t position)
{
    auto found = FindNextFrame(position);
    if (!found || found->position + static_cast<size_t>(found->header.frameLength) > Size())
        return std::nullopt;
    return found;
}

bool Mp3SourceFile::Open(const std::string& path)
{
    Close();
    if (!file_.Open(path))
        return false;

    id3v2Length_ = ID3v2BlockLength(Bytes());
    const size_t searchStart = id3v2Length_; // past the end when the stored size is too large

    const auto first = FindNextFrame(searchStart);
    if (!first) {
        Close();
        return false;
    }
    sampleRate_ = first->header.sampleRate;
    bitrate_ = first->header.bitrate;
    samplesPerFrame_ = first->header.samplesPerFrame;

    // A VBR information frame carries "Xing" or "Info" right after the side information.
    const size_t tagPosition = first->position + 4 + static_cast<size_t>(first->header.sideInfoSize);
    const bool hasInfoTag = tagPosition + 4 <= Size()
        && (std::memcmp(Data() + tagPosition, "Xing", 4) == 0 || std::memcmp(Data() + tagPosition, "Info", 4) == 0);
    if (!hasInfoTag) {
        cursor_ = first->position;
        audioStart_ = cursor_;
        return true;
    }

    // The information frame is used only when it lies wholly inside the file; one cut short by
    // the end of the file leaves no complete frame to read.
    const size_t infoLength = static_cast<size_t>(first->header.frameLength);
    if (first->position + infoLength > Size()) {
        Close();
        return false;
    }
    infoFrame_.assign(Data() + first->position, Data() + first->position + infoLength);
    infoFramePosition_ = first->position;
    infoFrameKind_.assign(reinterpret_cast<const char*>(Data()) + tagPosition, 4);
    const size_t audioStart = first->position + infoLength;

    // Average bitrate over every complete audio frame after the information frame.
    int64_t total = 0;
    int64_t count = 0;
    for (auto frame = NextCompleteFrame(audioStart); frame;
         frame = NextCompleteFrame(frame->position + static_cast<size_t>(frame->header.frameLength))) {
        total += frame->header.bitrate;
        ++count;
    }
    if (count == 0 || total / count <= 0) {
        Close();
        return false;
    }
    bitrate_ = static_cast<int>(total / count);
    cursor_ = audioStart;
    audioStart_ = audioStart;
    return true;
}
