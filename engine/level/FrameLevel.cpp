#include "engine/level/FrameLevel.h"

#include "engine/level/BitReader.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest absolute value each of the 32 Layer III Huffman tables codes, as used for a level:
// the table's own range for tables 0-15 (4 and 14 do not exist), and for the escape tables 16-31
// the middle, on a log scale, of what their linbits add over the next smaller escape range, since
// an encoder picks the table with the fewest linbits that holds its largest value.
double ComputeTableLargest(int table)
{
    static constexpr std::array<int, 16> kPlain = { 0, 1, 2, 2, 0, 3, 3, 5, 5, 5, 7, 7, 7, 15, 0, 15 };
    static constexpr std::array<int, 16> kLinbits = { 1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13 };
    if (table < 16)
        return kPlain[static_cast<size_t>(table)];
    const int linbits = kLinbits[static_cast<size_t>(table - 16)];
    const double upper = 15.0 + std::ldexp(1.0, linbits) - 1.0;
    const double lower = linbits == 1 ? 15.0 : 15.0 + std::ldexp(1.0, linbits == 13 ? 11 : linbits - 1) - 1.0;
    return std::sqrt(upper * lower);
}

// The values of ComputeTableLargest, worked out once.
double TableLargest(int table)
{
    static const std::array<double, 32> kLargest = [] {
        std::array<double, 32> values {};
        for (int t = 0; t < 32; ++t)
            values[static_cast<size_t>(t)] = ComputeTableLargest(t);
        return values;
    }();
    return kLargest[static_cast<size_t>(table & 31)];
}

// Power of n steps of global_gain: 1.505 dB each, a factor of 2^(n/2); n may be negative.
double GainPower(int n)
{
    return std::ldexp((n & 1) != 0 ? M_SQRT2 : 1.0, n >> 1);
}

// Where the long-block scale-factor bands end, per sample rate: the big-value regions are counted
// in these bands, so they tell which tables code any value.
struct BandTable {
    int rate;
    std::array<int, 23> edges;
};
constexpr BandTable kLongBands[] = {
    { 44100, { 0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576 } },
    { 48000, { 0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576 } },
    { 32000, { 0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576 } },
    { 24000, { 0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576 } },
    { 8000, { 0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574,
                576 } },
};
// 22.05, 16, 11.025 and 12 kHz share one table.
constexpr std::array<int, 23> kLsfBands
    = { 0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576 };

const std::array<int, 23>& LongBands(int rate)
{
    for (const auto& table : kLongBands)
        if (table.rate == rate)
            return table.edges;
    return kLsfBands;
}

// dB of the 4/3 power law per decade of the value, in amplitude (one step of global_gain, a
// quarter power of two, is 1.505 dB: GainPower).
constexpr double kValueDb = 26.7;
// Short blocks spread a granule over three transforms of a third the length, whose lines come out
// larger for the same sound (measured against decodes of LAME encodings of music and speech).
constexpr double kShortBlockDb = -8.0;

double DbToPower(double db) { return std::pow(10.0, db / 10.0); }

struct GranuleChannel {
    int bigValues = 0;
    int globalGain = 0;
    bool windowSwitching = false;
    int blockType = 0;
    std::array<int, 3> tables {};
    std::array<int, 3> subblockGain {};
    int region0Count = 0;
    int region1Count = 0;
    int part23Length = 0;
};

// The largest value any region that holds values can code; 1 for a granule of count1 values only.
double LargestValue(const GranuleChannel& g, int rate)
{
    const int bigEnd = std::min(576, g.bigValues * 2);
    if (bigEnd == 0)
        return g.part23Length > 0 ? 1 : 0;
    const auto& bands = LongBands(rate);
    int region1Start = 0;
    int region2Start = 576;
    if (g.windowSwitching) {
        region1Start = g.blockType == 2 ? 36 : bands[8];
    } else {
        region1Start = bands[std::min(22, g.region0Count + 1)];
        region2Start = bands[std::min(22, g.region0Count + g.region1Count + 2)];
    }
    double largest = TableLargest(g.tables[0]);
    if (bigEnd > region1Start)
        largest = std::max(largest, TableLargest(g.tables[1]));
    if (!g.windowSwitching && bigEnd > region2Start)
        largest = std::max(largest, TableLargest(g.tables[2]));
    return std::max(largest, 1.0);
}

// Power of one granule of one channel.
double GranulePower(const GranuleChannel& g, int rate)
{
    const double largest = LargestValue(g, rate);
    if (largest <= 0)
        return 0.0;
    // 26.7 dB per decade of the value is a power of 2.67.
    const double valuePower = std::pow(largest, kValueDb / 10.0);
    if (!g.windowSwitching || g.blockType != 2)
        return GainPower(g.globalGain - 210) * valuePower;
    // Short blocks: three windows, each lowered by its own subblock gain.
    static const double kShortBlockPower = DbToPower(kShortBlockDb);
    double power = 0;
    for (const int gain : g.subblockGain)
        power += GainPower(g.globalGain - 210 - 8 * gain);
    return power / 3.0 * valuePower * kShortBlockPower;
}

FrameLevel ReadLayer3(std::span<const uint8_t> frame, const MpegFrameHeader& header, size_t sideStart)
{
    const bool mpeg1 = header.version == MpegVersion1;
    const int channels = header.channelMode == 3 ? 1 : 2;
    FrameLevel level;
    level.parts = mpeg1 ? 2 : 1;
    level.samplesPerPart = 576;
    BitReader bits(frame.first(std::min(frame.size(), sideStart + static_cast<size_t>(header.sideInfoSize))), sideStart);
    if (mpeg1) {
        bits.Skip(9 + (channels == 1 ? 5 : 3) + 4 * channels);
    } else {
        bits.Skip(8 + (channels == 1 ? 1 : 2));
    }
    for (int gr = 0; gr < level.parts; ++gr) {
        double power = 0;
        for (int ch = 0; ch < channels; ++ch) {
            GranuleChannel g;
            g.part23Length = static_cast<int>(bits.Read(12));
            g.bigValues = static_cast<int>(bits.Read(9));
            g.globalGain = static_cast<int>(bits.Read(8));
            bits.Skip(mpeg1 ? 4 : 9); // scalefac_compress
            g.windowSwitching = bits.Read(1) != 0;
            if (g.windowSwitching) {
                g.blockType = static_cast<int>(bits.Read(2));
                bits.Skip(1); // mixed_block_flag
                g.tables[0] = static_cast<int>(bits.Read(5));
                g.tables[1] = static_cast<int>(bits.Read(5));
                for (int& gain : g.subblockGain)
                    gain = static_cast<int>(bits.Read(3));
            } else {
                for (int& table : g.tables)
                    table = static_cast<int>(bits.Read(5));
                g.region0Count = static_cast<int>(bits.Read(4));
                g.region1Count = static_cast<int>(bits.Read(3));
            }
            bits.Skip(mpeg1 ? 3 : 2); // preflag (MPEG-1 only), scalefac_scale, count1table_select
            power += GranulePower(g, header.sampleRate);
        }
        level.power[static_cast<size_t>(gr)] = power / channels;
    }
    if (bits.Overrun())
        level.power = {};
    return level;
}

// Scale factor index (0-62) to the scale factor's square: 2^(1 - index/3), squared.
double ScaleFactorPower(uint32_t index) { return std::pow(2.0, 2.0 * (1.0 - static_cast<double>(index) / 3.0)); }

// Layer I/II subband samples spread evenly up to their scale factor: mean square a third of its
// square. Measured against decodes, like the Layer III offset.
constexpr double kSubbandShare = 1.0 / 3.0;

// The Layer II bit-allocation table of a frame: how many subbands it codes and how many bits each
// subband's allocation takes.
struct Layer2Table {
    int subbands = 0;
    std::array<int, 32> allocationBits {};
};

Layer2Table ChooseLayer2Table(const MpegFrameHeader& header, int bitrateIndex, int channels)
{
    // Which of the four MPEG-1 tables a sample rate and bitrate per channel use (ISO 11172-3 B.2).
    static constexpr int kTranslate[3][2][16] = {
        { { 0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 0 }, { 0, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 } },
        { { 0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, { 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 } },
        { { 0, 3, 3, 3, 3, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 0 }, { 0, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 } },
    };
    int kind = 4; // the MPEG-2 table
    if (header.version == MpegVersion1) {
        const int rateIndex = header.sampleRate == 44100 ? 0 : header.sampleRate == 48000 ? 1 : 2;
        kind = kTranslate[rateIndex][channels == 2 ? 0 : 1][bitrateIndex & 15];
    }
    Layer2Table table;
    auto fill = [&](int from, int to, int bits) {
        for (int sb = from; sb < to; ++sb)
            table.allocationBits[static_cast<size_t>(sb)] = bits;
    };
    switch (kind) {
    case 0:
    case 1:
        table.subbands = kind == 0 ? 27 : 30;
        fill(0, 11, 4);
        fill(11, 23, 3);
        fill(23, table.subbands, 2);
        break;
    case 2:
    case 3:
        table.subbands = kind == 2 ? 8 : 12;
        fill(0, 2, 4);
        fill(2, table.subbands, 3);
        break;
    default:
        table.subbands = 30;
        fill(0, 4, 4);
        fill(4, 11, 3);
        fill(11, 30, 2);
        break;
    }
    return table;
}

FrameLevel ReadLayer1Or2(std::span<const uint8_t> frame, const MpegFrameHeader& header, size_t start)
{
    FrameLevel level;
    level.parts = 1;
    level.samplesPerPart = header.samplesPerFrame;
    const int channels = header.channelMode == 3 ? 1 : 2;
    const int modeExtension = (frame[3] >> 4) & 3;
    const bool layer1 = header.layerIndex == 0;
    Layer2Table table;
    if (layer1) {
        table.subbands = 32;
        table.allocationBits.fill(4);
    } else {
        table = ChooseLayer2Table(header, frame[2] >> 4, channels);
    }
    const int bound = header.channelMode == 1 ? std::min(table.subbands, 4 * (modeExtension + 1)) : table.subbands;
    BitReader bits(frame.first(std::min(frame.size(), static_cast<size_t>(header.frameLength))), start);
    std::array<std::array<uint32_t, 32>, 2> allocation {};
    for (int sb = 0; sb < table.subbands; ++sb) {
        const int width = table.allocationBits[static_cast<size_t>(sb)];
        for (int ch = 0; ch < channels; ++ch) {
            if (sb < bound || ch == 0)
                allocation[static_cast<size_t>(ch)][static_cast<size_t>(sb)] = bits.Read(width);
            else
                allocation[1][static_cast<size_t>(sb)] = allocation[0][static_cast<size_t>(sb)];
        }
    }
    std::array<std::array<uint32_t, 32>, 2> selection {};
    if (!layer1) {
        for (int sb = 0; sb < table.subbands; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (allocation[static_cast<size_t>(ch)][static_cast<size_t>(sb)] != 0)
                    selection[static_cast<size_t>(ch)][static_cast<size_t>(sb)] = bits.Read(2);
    }
    double power = 0;
    for (int sb = 0; sb < table.subbands; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            if (allocation[static_cast<size_t>(ch)][static_cast<size_t>(sb)] == 0)
                continue;
            if (layer1) {
                power += ScaleFactorPower(bits.Read(6));
                continue;
            }
            // Three scale factors, or fewer shared between the frame's three parts (scfsi).
            const uint32_t scfsi = selection[static_cast<size_t>(ch)][static_cast<size_t>(sb)];
            const int count = scfsi == 0 ? 3 : scfsi == 2 ? 1 : 2;
            double sum = 0;
            for (int k = 0; k < count; ++k)
                sum += ScaleFactorPower(bits.Read(6));
            power += sum / count;
        }
    }
    level.power[0] = bits.Overrun() ? 0.0 : power * kSubbandShare / channels;
    return level;
}

} // namespace

double PowerToDb(double power)
{
    if (!(power > 0))
        return kSilenceDb;
    return std::max(kSilenceDb, 10.0 * std::log10(power));
}

FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header)
{
    if (frame.size() < 4)
        return {};
    const size_t start = (frame[1] & 0x01) == 0 ? 6 : 4; // a CRC follows the header when protected
    if (header.layerIndex == 2)
        return ReadLayer3(frame, header, start);
    return ReadLayer1Or2(frame, header, start);
}
