#include "ui/ProbeListFile.h"

#include "engine/join/Mp3StreamDecoder.h"
#include "platform/PathHelpers.h"

bool ProbeListFile(const std::string& path, FileListItem& item, bool& isVbr)
{
    Mp3StreamDecoder decoder;
    if (!decoder.Open(path))
        return false;
    const std::optional<FileIdentity> identity = IdentityOf(path);
    if (!identity || !GetFileSize64(path, item.fileSize))
        return false;
    item.identity = *identity;
    item.sampleRate = decoder.SampleRate();
    item.bitrate = decoder.Bitrate();
    item.channelMode = decoder.Mode();
    isVbr = decoder.IsVbr();

    // The decoder's own total is 32 bits wide; the same rule in 64 bits: the information frame's
    // frame count, else whole seconds of the audio bytes at the first frame's bitrate.
    item.totalSamples = 0;
    if (isVbr && decoder.TotalFrames() > 0 && decoder.SamplesPerFrame() > 0) {
        item.totalSamples
            = static_cast<uint64_t>(decoder.TotalFrames()) * static_cast<uint64_t>(decoder.SamplesPerFrame());
    } else if (decoder.Bitrate() > 0 && decoder.SampleRate() > 0) {
        const uint64_t audioBytes = item.fileSize > decoder.LeadingBytes() ? item.fileSize - decoder.LeadingBytes() : 0;
        const uint64_t seconds = audioBytes * 8 / (static_cast<uint64_t>(decoder.Bitrate()) * 1000);
        item.totalSamples = seconds * static_cast<uint64_t>(decoder.SampleRate());
    }

    item.tag = ID3TagInfo {};
    const auto block = decoder.ReadTagBlock();
    item.hasTag = block.has_value();
    if (block)
        ParseID3v1Block(block->data(), item.tag);
    return true;
}
