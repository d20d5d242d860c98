#include "ui/lists/JoinSummary.h"

#include "engine/join/EncoderBitrateFor.h"
#include "engine/join/Mp3FileEncoder.h"
#include "platform/TextFormat.h"

namespace {

QString ModeWords(int mode)
{
    switch (Mp3FileEncoder::NormalizeMode(mode)) {
    case 1:
        return "joint stereo";
    case 3:
        return "mono";
    default:
        return "stereo";
    }
}

} // namespace

QString GroupedNumber(long long value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, ',');
    return value < 0 ? "-" + digits : digits;
}

QString JoinMethodWords(const JoinMethod& method, const JoinStreamFacts& firstInput)
{
    if (method.frameCopy)
        return QString("Frame copy, %1 Hz %2")
            .arg(GroupedNumber(firstInput.sampleRate), firstInput.channelMode == 3 ? "mono" : "stereo");
    const int bitrate = EncoderBitrateFor(method.encoding);
    if (bitrate <= 0)
        return QString("Re-encode to %1 Hz %2 kbit/s %3: the encoder does not take this format")
            .arg(GroupedNumber(method.encoding.sampleRate))
            .arg(method.encoding.bitrate)
            .arg(ModeWords(method.encoding.channelMode));
    return QString("Re-encode to %1 Hz %2 kbit/s %3")
        .arg(GroupedNumber(method.encoding.sampleRate))
        .arg(bitrate)
        .arg(ModeWords(method.encoding.channelMode));
}

QString JoinListTotals(std::span<const JoinFileItem* const> items)
{
    if (items.empty())
        return "No files";
    uint64_t seconds = 0;
    uint64_t bytes = 0;
    for (const JoinFileItem* item : items) {
        seconds += item->sampleRate > 0 ? item->totalSamples / static_cast<uint64_t>(item->sampleRate) : 0;
        bytes += item->fileSize;
    }
    const QString count = items.size() == 1 ? QString("1 file") : QString("%1 files").arg(items.size());
    const auto shownSeconds = static_cast<int32_t>(std::min<uint64_t>(seconds, INT32_MAX));
    return QString("%1, %2, %3")
        .arg(count, QString::fromStdString(FormatTime(shownSeconds)), QString::fromStdString(FormatSize(bytes)));
}
