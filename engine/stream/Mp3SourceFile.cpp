#include "engine/stream/Mp3SourceFile.h"

#include "engine/stream/InfoFrame.h"
#include "engine/stream/TrailingTags.h"

#include <algorithm>
#include <cstring>

size_t ID3v2BlockLength(std::span<const uint8_t> b)
{
    if (b.size() < 10 || std::memcmp(b.data(), "ID3", 3) != 0)
        return 0;
    return (size_t { b[6] & 0x7Fu } << 21) + (size_t { b[7] & 0x7Fu } << 14) + (size_t { b[8] & 0x7Fu } << 7)
        + size_t { b[9] & 0x7Fu } + 10 + ((b[5] & 0x10) != 0 ? 10 : 0);
}

void Mp3SourceFile::Close()
{
    file_.Close();
    cursor_ = 0;
    audioStart_ = 0;
    audioEnd_ = 0;
    openError_ = OpenError::None;
    sampleRate_ = 0;
    bitrate_ = 0;
    firstAudioBitrate_ = 0;
    samplesPerFrame_ = 0;
    channelMode_ = kNoChannelMode;
    sideInfoSize_ = 0;
    id3v2Length_ = 0;
    infoFrame_.clear();
    infoFrame_.shrink_to_fit();
    infoFramePosition_ = 0;
    infoFrameKind_.clear();
    prefetchedTo_ = 0;
    syncHeaders_ = {};
    inSyncReadBytes_ = kMaxInSyncReadBytes;
}

void Mp3SourceFile::PrefetchAhead(size_t position, std::span<const uint8_t> bytes) const
{
    // A walk touches one header per frame, a few hundred bytes apart, and the processor's own
    // prefetch stops at each page's end (pages of the cache lie anywhere in memory): without this
    // every header of a walk that reads nothing else waits for memory. Each line is asked for
    // once, kAhead bytes before the walk gets there; a walk that goes back starts afresh.
    constexpr size_t kAhead = 4096;
    constexpr size_t kLine = 64;
    if (prefetchedTo_ < position || prefetchedTo_ > position + 2 * kAhead)
        prefetchedTo_ = position;
    const size_t end = position + std::min(bytes.size(), kAhead);
    for (; prefetchedTo_ < end; prefetchedTo_ += kLine)
        __builtin_prefetch(bytes.data() + (prefetchedTo_ - position));
}

std::optional<FoundFrame> Mp3SourceFile::FindNextFrame(size_t position)
{
    auto found = SearchFrame(position);
    if (found) {
        channelMode_ = found->header.channelMode;
        sideInfoSize_ = found->header.sideInfoSize;
    }
    return found;
}

bool Mp3SourceFile::Confirmed(const FoundFrame& frame) const
{
    const size_t end = frame.position + static_cast<size_t>(frame.header.frameLength);
    if (end > audioEnd_)
        return false;
    // The audio ends with this frame, or fewer bytes than a header are left after it.
    if (end + 4 > audioEnd_)
        return true;
    const auto next = file_.Read(end, 4);
    return next.size() == 4 && ContinuesStream(frame.header, next.data());
}

std::optional<FoundFrame> Mp3SourceFile::SyncFrom(size_t position, bool trustPosition) const
{
    for (size_t from = position;;) {
        auto found = SearchFrame(from);
        if (!found)
            return std::nullopt;
        const size_t end = found->position + static_cast<size_t>(found->header.frameLength);
        if (trustPosition && found->position == position && end <= audioEnd_)
            return found;
        if (Confirmed(*found))
            return found;
        from = found->position + 1;
    }
}

std::optional<FoundFrame> Mp3SourceFile::SyncedFrame(size_t position) const { return SyncFrom(position, true); }

int Mp3SourceFile::Bitrate() const
{
    if (bitrate_ > 0 || !IsOpen())
        return bitrate_;
    int64_t total = 0;
    int64_t count = 0;
    for (auto frame = SyncedFrame(audioStart_); frame;
         frame = SyncedFrame(frame->position + static_cast<size_t>(frame->header.frameLength))) {
        total += frame->header.bitrate;
        ++count;
    }
    // Open found a complete audio frame; a read that failed since leaves only the first one's rate.
    bitrate_ = count > 0 ? static_cast<int>(total / count) : firstAudioBitrate_;
    return bitrate_;
}

std::optional<FoundFrame> Mp3SourceFile::SearchFrame(size_t position) const
{
    // The search runs window by window; consecutive windows overlap by three bytes so that a
    // header across a window's end is still seen whole.
    while (position + 4 <= Size()) {
        const auto bytes = file_.ReadAhead(position, 4);
        if (bytes.size() < 4)
            return std::nullopt;
        PrefetchAhead(position, bytes);
        const size_t lastCandidate = bytes.size() - 4;
        // memchr skips runs of junk (a large tag, stray bytes) at memory speed.
        bool syncSeen = false;
        for (size_t p = 0; p <= lastCandidate; ++p) {
            const void* sync = std::memchr(&bytes[p], 0xFF, lastCandidate + 1 - p);
            if (!sync)
                break;
            syncSeen = true;
            p = static_cast<size_t>(static_cast<const uint8_t*>(sync) - bytes.data());
            // Checked and decoded from one copy: mapped bytes may change between two looks.
            uint8_t candidate[4];
            std::memcpy(candidate, &bytes[p], sizeof candidate);
            if (!IsFrameHeaderCandidate(candidate))
                continue;
            // A free-format header has no length to walk by: it is passed over like junk (Open
            // tells a free-format stream apart).
            const auto header = DecodeFrameHeader(candidate);
            if (!header)
                continue;
            return FoundFrame { position + p, *header };
        }
        position += lastCandidate + 1;
        // A window without a single sync byte may end in a hole of a sparse file: holes read as
        // zeros, which hold no header, so the search goes on where the data does.
        if (!syncSeen)
            position = std::max<size_t>(position, file_.NextDataAt(position));
    }
    return std::nullopt;
}

std::optional<FoundFrame> Mp3SourceFile::NextCompleteFrame(size_t position)
{
    auto found = SyncedFrame(position);
    if (found) {
        channelMode_ = found->header.channelMode;
        sideInfoSize_ = found->header.sideInfoSize;
    }
    return found;
}

bool Mp3SourceFile::FreeFormatStreamAt(size_t position) const
{
    // A free-format stream keeps one frame length, one slot longer in padded frames: a header with
    // bitrate index 0 whose like (same version, layer and rate) follows at that spacing again and
    // again. Bytes that merely hold such a header here and there (PCM samples near zero in a WAV
    // file, noise) rarely keep the spacing.
    constexpr size_t kReach = 16 << 10;
    constexpr size_t kMaxFrame = 8 << 10;
    constexpr int kHeadersInRow = 5;
    constexpr int kMaxStarts = 64;
    const auto bytes = file_.Read(position, kReach + kMaxFrame * kHeadersInRow);
    auto isFreeHeader = [&](size_t at, uint8_t b1, uint8_t b2) {
        return at + 4 <= bytes.size() && bytes[at] == 0xFF && bytes[at + 1] == b1 && (bytes[at + 2] & 0xFC) == b2;
    };
    int starts = 0;
    for (size_t p = 0; p + 4 <= std::min(bytes.size(), kReach) && starts < kMaxStarts; ++p) {
        if (bytes[p] != 0xFF || !IsFrameHeaderCandidate(&bytes[p]) || (bytes[p + 2] & 0xF0) != 0)
            continue;
        ++starts;
        const uint8_t b1 = bytes[p + 1];
        const uint8_t b2 = bytes[p + 2] & 0xFC;
        const size_t slot = ((b1 >> 1) & 0x03) == 3 ? 4 : 1; // Layer I frames grow by four bytes
        auto padding = [&](size_t at) { return (bytes[at + 2] & 0x02) != 0 ? slot : 0; };
        for (size_t q = p + 32; q <= p + kMaxFrame && q + 4 <= bytes.size(); ++q) {
            if (!isFreeHeader(q, b1, b2) || q - p <= padding(p))
                continue;
            const size_t length = q - p - padding(p);
            int inRow = 2;
            for (size_t at = q; inRow < kHeadersInRow && isFreeHeader(at + length + padding(at), b1, b2); ++inRow)
                at += length + padding(at);
            if (inRow == kHeadersInRow)
                return true;
        }
    }
    return false;
}

bool Mp3SourceFile::Open(const std::string& path)
{
    Close();
    auto fail = [&](OpenError error) {
        Close();
        openError_ = error;
        return false;
    };
    if (!file_.Open(path))
        return fail(OpenError::Unreadable);

    // Taggers may leave several ID3v2 tags in a row; the search starts after the last of them
    // (past the end when a stored size is too large).
    id3v2Length_ = ID3v2BlockLength(file_.Read(0, 10));
    size_t searchStart = id3v2Length_;
    while (searchStart > 0 && searchStart < Size()) {
        const size_t next = ID3v2BlockLength(file_.Read(searchStart, 10));
        if (next == 0)
            break;
        searchStart += next;
    }
    audioEnd_ = AudioEndBeforeTrailingTags(file_, std::min(searchStart, Size()));

    const auto firstFound = SyncFrom(searchStart, false);
    if (!firstFound)
        return fail(searchStart < Size() && FreeFormatStreamAt(searchStart) ? OpenError::FreeFormat : OpenError::NoAudio);
    const auto first = FindNextFrame(firstFound->position);
    if (!first)
        return fail(OpenError::NoAudio);
    sampleRate_ = first->header.sampleRate;
    bitrate_ = first->header.bitrate;
    samplesPerFrame_ = first->header.samplesPerFrame;

    // A VBR information frame carries "Xing" or "Info" right after the side information, or
    // "VBRI" (the other encoder family's) 32 bytes after the header, whatever the mode.
    auto tagAt = [&](size_t offset, std::initializer_list<const char*> kinds) -> std::optional<size_t> {
        const size_t position = first->position + offset;
        // The tag must lie inside the frame: a frame too short to hold it is an audio frame.
        if (position + 4 > first->position + static_cast<size_t>(first->header.frameLength))
            return std::nullopt;
        const auto bytes = file_.Read(position, 4);
        for (const char* kind : kinds)
            if (bytes.size() == 4 && std::memcmp(bytes.data(), kind, 4) == 0)
                return position;
        return std::nullopt;
    };
    auto tagPosition = tagAt(4 + static_cast<size_t>(first->header.sideInfoSize), { "Xing", "Info" });
    if (!tagPosition)
        tagPosition = tagAt(kVbriOffset, { "VBRI" });
    if (!tagPosition) {
        cursor_ = first->position;
        audioStart_ = cursor_;
        return true;
    }

    // The information frame is used only when it lies wholly inside the file; one cut short by
    // the end of the file leaves no complete frame to read.
    const size_t infoLength = static_cast<size_t>(first->header.frameLength);
    if (first->position + infoLength > Size())
        return fail(OpenError::NoAudio);
    const auto infoBytes = FrameBytes(*first);
    if (infoBytes.size() != infoLength)
        return fail(OpenError::NoAudio);
    infoFrame_.assign(infoBytes.begin(), infoBytes.end());
    infoFramePosition_ = first->position;
    infoFrameKind_.assign(reinterpret_cast<const char*>(infoFrame_.data()) + (*tagPosition - first->position), 4);
    const size_t audioStart = first->position + infoLength;

    // A file holding nothing but the information frame has no audio to read. The bitrate is
    // averaged over the audio frames when first asked for.
    const auto firstAudio = NextCompleteFrame(audioStart);
    if (!firstAudio)
        return fail(OpenError::NoAudio);
    firstAudioBitrate_ = firstAudio->header.bitrate;
    bitrate_ = 0;
    cursor_ = audioStart;
    audioStart_ = audioStart;
    return true;
}

std::optional<uint32_t> Mp3SourceFile::InfoFrameCount() const
{
    if (infoFrameKind_ == "VBRI") {
        const auto vbri = ParseVbriFrame(infoFrame_);
        return vbri ? std::optional<uint32_t>(vbri->frameCount) : std::nullopt;
    }
    const auto layout = HasInfoFrame() ? ParseInfoFrame(infoFrame_) : std::nullopt;
    return layout ? layout->frameCount : std::nullopt;
}
