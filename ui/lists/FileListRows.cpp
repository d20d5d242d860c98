#include "ui/lists/FileListRows.h"

#include "platform/PathHelpers.h"
#include "platform/TextFormat.h"

#include <cstdio>

namespace {

enum SharedColumn { kFile = 0, kSize, kLength, kBitRate, kFrequency, kChannels };

} // namespace

std::string FormatListLength(uint64_t totalSamples, int32_t sampleRate)
{
    const uint64_t seconds = sampleRate > 0 ? totalSamples / static_cast<uint64_t>(sampleRate) : totalSamples;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
        static_cast<unsigned long long>(seconds % 60));
    return text;
}

const char* ChannelModeText(int32_t channelMode)
{
    switch (channelMode) {
    case 0:
        return "Stereo";
    case 1:
        return "J-Stereo";
    case 2:
        return "Dual Channel";
    case 3:
        return "Mono";
    default:
        return "";
    }
}

int InsertFileListRow(SortableList& list, std::unique_ptr<FileListItem> record)
{
    FileListItem& item = *record;
    if (item.sampleRate == 0)
        item.sampleRate = 1;
    const int row
        = list.InsertRow(list.RowCount(), QString::fromStdString(GetFileNamePart(item.path)), std::move(record));
    list.SetCellToolTip(row, kFile, QString::fromStdString(item.path)); // the column shows only the name
    list.SetCell(row, kSize, QString::fromStdString(FormatSize(item.fileSize)), static_cast<qint64>(item.fileSize));
    const uint64_t seconds = item.sampleRate > 0 ? item.totalSamples / static_cast<uint64_t>(item.sampleRate) : 0;
    list.SetCell(row, kLength, QString::fromStdString(FormatListLength(item.totalSamples, item.sampleRate)),
        static_cast<qint64>(seconds));
    list.SetCell(row, kBitRate, QString("%1 kbps").arg(item.bitrate), item.bitrate);
    list.SetCell(row, kFrequency, QString("%1 Hz").arg(item.sampleRate), item.sampleRate);
    list.SetCell(row, kChannels, ChannelModeText(item.channelMode));
    list.EnsureRowVisible(row);
    return row;
}
