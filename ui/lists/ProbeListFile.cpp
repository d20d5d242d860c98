#include "ui/lists/ProbeListFile.h"

#include "engine/join/Mp3StreamDecoder.h"
#include "engine/stream/AverageBitrate.h"
#include "engine/stream/ReadSourceTag.h"
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
    item.channelMode = decoder.Mode();
    item.layer = decoder.Layer();
    isVbr = decoder.IsVbr();

    // 64 bits: the information frame's frame count, else whole seconds of the audio bytes; a walk
    // over a variable-bitrate stream without usable counts measures it exactly.
    item.totalSamples = decoder.TotalSamples() == Mp3StreamDecoder::kUnknownTotal ? 0 : decoder.TotalSamples();
    const StreamBitrate average = AverageBitrate(decoder.Source());
    item.bitrate = average.bitrate > 0 ? average.bitrate : decoder.Bitrate();
    if (average.walkedSamples)
        item.totalSamples = *average.walkedSamples;

    item.tag = ID3TagInfo {};
    const auto block = decoder.ReadTagBlock();
    // Players show the ID3v2 tag first: its fields win over the ID3v1 ones. A file with neither
    // tag keeps the all-zero record.
    bool hasID3v2 = false;
    if (block) {
        ParseID3v1Block(block->data(), item.tag);
        hasID3v2 = OverlayFileID3v2Tag(path, item.tag);
    } else {
        ID3TagInfo fromID3v2;
        fromID3v2.genre = 255; // no genre unless the ID3v2 tag names one
        hasID3v2 = OverlayFileID3v2Tag(path, fromID3v2);
        if (hasID3v2)
            item.tag = fromID3v2;
    }
    item.hasTag = block.has_value() || hasID3v2;
    return true;
}
