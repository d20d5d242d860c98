#include "ui/lists/ProbeListFile.h"

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

    // 64 bits: the information frame's frame count, else whole seconds of the audio bytes.
    item.totalSamples = decoder.TotalSamples() == Mp3StreamDecoder::kUnknownTotal ? 0 : decoder.TotalSamples();

    item.tag = ID3TagInfo {};
    const auto block = decoder.ReadTagBlock();
    item.hasTag = block.has_value();
    if (block)
        ParseID3v1Block(block->data(), item.tag);
    return true;
}
