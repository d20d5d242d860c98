#include "engine/level/FrameLevel.h"

#include "engine/level/BitReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The value that stands for the largest each of the 32 Layer III Huffman tables codes in a
// region: the middle, on a log scale, of the largest values the table is chosen for. An encoder
// codes a region with the smallest table that holds its largest value, so a plain table (0-15;
// 4 and 14 do not exist) holds values above the largest of the smaller plain tables. Tables
// 16-23 and 24-31 are two families of escape tables, each ordered by its linbits, and one is
// chosen from each family by the fewest linbits that hold the value: an escape table holds
// values above what the family's table before it codes (above 15 for the first of a family).
double ComputeTableLargest(int table)
{
    static constexpr std::array<int, 16> kPlain = { 0, 1, 2, 2, 0, 3, 3, 5, 5, 5, 7, 7, 7, 15, 0, 15 };
    static constexpr std::array<int, 16> kLinbits = { 1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13 };
    if (table < 16) {
        const int upper = kPlain[static_cast<size_t>(table)];
        int below = 0;
        for (const int other : kPlain)
            if (other < upper)
                below = std::max(below, other);
        return std::sqrt(static_cast<double>(upper) * (below + 1));
    }
    auto largestOf = [](int linbits) { return 15.0 + std::ldexp(1.0, linbits) - 1.0; };
    const auto index = static_cast<size_t>(table - 16);
    const double upper = largestOf(kLinbits[index]);
    const double lower = index % 8 == 0 ? 16.0 : largestOf(kLinbits[index - 1]) + 1.0;
    return std::sqrt(upper * lower);
}

// The values of ComputeTableLargest, worked out once when the program starts: the frame reads
// look them up without a check of their own.
const std::array<double, 32> kTableLargest = [] {
    std::array<double, 32> values {};
    for (int t = 0; t < 32; ++t)
        values[static_cast<size_t>(t)] = ComputeTableLargest(t);
    return values;
}();

double TableLargest(int table) { return kTableLargest[static_cast<size_t>(table & 31)]; }

// Power of n steps of global_gain: 1.505 dB each, a factor of 2^(n/2). n lies between -338
// (global_gain 0 less 210, less subblock gains or scale factors of 18 at most, 4 steps each) and
// 45; the table holds a margin.
constexpr int kLowestGain = -400;
constexpr int kHighestGain = 63;
const std::array<double, kHighestGain - kLowestGain + 1> kGainPowers = [] {
    std::array<double, kHighestGain - kLowestGain + 1> powers {};
    for (int k = kLowestGain; k <= kHighestGain; ++k)
        powers[static_cast<size_t>(k - kLowestGain)] = std::ldexp((k & 1) != 0 ? M_SQRT2 : 1.0, k >> 1);
    return powers;
}();

double GainPower(int n)
{
    return kGainPowers[static_cast<size_t>(std::clamp(n, kLowestGain, kHighestGain) - kLowestGain)];
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
    { 8000,
        { 0, 12, 24, 36, 48, 60, 72, 88, 108, 132, 160, 192, 232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576 } },
};
// 22.05, 16, 11.025 and 12 kHz share one table.
constexpr std::array<int, 23> kLsfBands
    = { 0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576 };

// A sample rate's bands, with how many of them start below each end of the big values.
struct BandLayout {
    const std::array<int, 23>* edges = nullptr;
    std::array<uint8_t, 289> bandsBelow {}; // by big_values (at most 288 count, two lines each)
};

BandLayout MakeBandLayout(const std::array<int, 23>& edges)
{
    BandLayout layout;
    layout.edges = &edges;
    for (size_t pairs = 0; pairs < layout.bandsBelow.size(); ++pairs) {
        uint8_t count = 0;
        while (count < 22 && edges[count] < static_cast<int>(2 * pairs))
            ++count;
        layout.bandsBelow[pairs] = count;
    }
    return layout;
}

const std::array<BandLayout, std::size(kLongBands) + 1> kBandLayouts = [] {
    std::array<BandLayout, std::size(kLongBands) + 1> layouts {};
    for (size_t k = 0; k < std::size(kLongBands); ++k)
        layouts[k] = MakeBandLayout(kLongBands[k].edges);
    layouts.back() = MakeBandLayout(kLsfBands);
    return layouts;
}();

const BandLayout& LongBands(int rate)
{
    for (size_t k = 0; k < std::size(kLongBands); ++k)
        if (kLongBands[k].rate == rate)
            return kBandLayouts[k];
    return kBandLayouts.back();
}

// dB of the 4/3 power law per decade of the value, in amplitude (one step of global_gain, a
// quarter power of two, is 1.505 dB: GainPower).
constexpr double kValueDb = 26.7;
// Short blocks spread a granule over three transforms of a third the length, whose lines come out
// larger for the same sound (measured against decodes of LAME encodings of music and speech).
constexpr double kShortBlockDb = -8.0;

double DbToPower(double db) { return std::pow(10.0, db / 10.0); }

// One granule of one channel as its side information and scale factors tell it. The frame read
// sets every field (a frame takes a few hundred nanoseconds, so nothing is set twice).
struct GranuleChannel {
    int bigValues;
    int globalGain;
    int part23Length;
    int scalefacCompress;
    bool windowSwitching;
    uint8_t blockType; // 0 without window switching
    uint8_t region0Count;
    uint8_t region1Count;
    std::array<uint8_t, 3> tables;
    std::array<uint8_t, 3> subblockGain;
    bool mixed;
    bool preflag;
    bool scalefacScale;
    // Whether the scale factors below were read; a granule without them keeps global_gain's step.
    bool scaled;
    // Long blocks: each band's scale factor (band 21 has none, bands 21-31 are 0); short blocks:
    // the smallest scale factor of each window, in global_gain steps. Set only where scaled.
    std::array<uint8_t, 32> bandFactors;
    std::array<uint8_t, 3> windowLowering;
};

// 26.7 dB per decade of the value is a power of 2.67.
double ValuePower(double value) { return std::pow(value, kValueDb / 10.0); }

// ValuePower of each table's largest value (at least 1), worked out once.
const std::array<double, 32> kTableValuePowers = [] {
    std::array<double, 32> values {};
    for (int t = 0; t < 32; ++t)
        values[static_cast<size_t>(t)] = ValuePower(std::max(TableLargest(t), 1.0));
    return values;
}();

double TableValuePower(int table) { return kTableValuePowers[static_cast<size_t>(table & 31)]; }

const double kShortBlockPower = DbToPower(kShortBlockDb);

// Bits of each MPEG-1 scale factor for the 16 values of scalefac_compress: bands 0-10, 11-20.
constexpr int kSlen[16][2] = { { 0, 0 }, { 0, 1 }, { 0, 2 }, { 0, 3 }, { 3, 0 }, { 1, 1 }, { 1, 2 }, { 1, 3 }, { 2, 1 },
    { 2, 2 }, { 2, 3 }, { 3, 1 }, { 3, 2 }, { 3, 3 }, { 4, 2 }, { 4, 3 } };
// Pre-emphasis added to the long-block scale factors when preflag is set.
alignas(16) constexpr std::array<uint8_t, 32> kPretab
    = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };

// The smallest scale factor of bands [begin, end) (0 <= begin < end <= 22), plus the pre-emphasis
// where pretab is set. Without branches on the bands, whose counts change from granule to granule.
int RegionLowering(const std::array<uint8_t, 32>& factors, int begin, int end, bool pretab)
{
#if defined(__SSE2__)
    const __m128i index0 = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i index1 = _mm_add_epi8(index0, _mm_set1_epi8(16));
    const __m128i from = _mm_set1_epi8(static_cast<char>(begin - 1));
    const __m128i to = _mm_set1_epi8(static_cast<char>(end));
    const __m128i emphasis = _mm_set1_epi8(static_cast<char>(pretab ? -1 : 0));
    auto lanes = [&](size_t offset, __m128i index) {
        __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(factors.data() + offset));
        values = _mm_add_epi8(values,
            _mm_and_si128(emphasis, _mm_load_si128(reinterpret_cast<const __m128i*>(kPretab.data() + offset))));
        const __m128i inside = _mm_and_si128(_mm_cmpgt_epi8(index, from), _mm_cmplt_epi8(index, to));
        return _mm_or_si128(values, _mm_andnot_si128(inside, _mm_set1_epi8(-1))); // outside: 255
    };
    __m128i least = _mm_min_epu8(lanes(0, index0), lanes(16, index1));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 8));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 4));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 2));
    least = _mm_min_epu8(least, _mm_srli_si128(least, 1));
    return _mm_cvtsi128_si32(least) & 0xFF;
#else
    int lowering = 255;
    for (int band = begin; band < end; ++band)
        lowering = std::min(lowering,
            factors[static_cast<size_t>(band)] + (pretab ? kPretab[static_cast<size_t>(band)] : 0));
    return lowering;
#endif
}

// Power of one granule of one channel: the loudest region, each at the largest value its table
// codes, stepped by the finest band it holds (its scale factor, 2 or 4 steps each, plus the
// pre-emphasis below global_gain); 0 for a granule without values.
double GranulePower(const GranuleChannel& g, const BandLayout& layout)
{
    const int bigEnd = std::min(576, g.bigValues * 2);
    if (bigEnd == 0)
        return g.part23Length > 0 ? GainPower(g.globalGain - 210) : 0.0; // count1 values only
    const int step = g.scalefacScale ? 4 : 2;
    if (g.windowSwitching && g.blockType == 2) {
        // Short blocks: three windows, each lowered by its own subblock gain and scale factors.
        double largest = TableLargest(g.tables[0]);
        if (bigEnd > 36)
            largest = std::max(largest, TableLargest(g.tables[1]));
        double power = 0;
        for (size_t w = 0; w < 3; ++w)
            power += GainPower(g.globalGain - 210 - 8 * g.subblockGain[w] - step * (g.scaled ? g.windowLowering[w] : 0));
        return power / 3.0 * ValuePower(std::max(largest, 1.0)) * kShortBlockPower;
    }
    // The bands each region holds below the end of the big values: region 0 ends at band
    // region0_count + 1, region 1 at region0_count + region1_count + 2 (at band 8 and the end
    // of the big values in long blocks that switch windows).
    const int coded = layout.bandsBelow[static_cast<size_t>(bigEnd / 2)];
    const int region1Band = g.windowSwitching ? 8 : std::min(22, g.region0Count + 1);
    const int region2Band = g.windowSwitching ? 22 : std::min(22, g.region0Count + g.region1Count + 2);
    const std::array<int, 4> regionBands = { 0, std::min(region1Band, coded), std::min(region2Band, coded), coded };
    const bool pretab = g.scaled && g.preflag;
    double power = 0;
    for (size_t region = 0; region < 3; ++region) {
        const auto begin = static_cast<size_t>(regionBands[region]);
        const auto end = static_cast<size_t>(regionBands[region + 1]);
        if (end <= begin)
            continue; // an empty region
        const int lowering = g.scaled
            ? RegionLowering(g.bandFactors, static_cast<int>(begin), static_cast<int>(end), pretab)
            : 0;
        power = std::max(power, GainPower(g.globalGain - 210 - step * lowering) * TableValuePower(g.tables[region]));
    }
    return power;
}

// MPEG-2/2.5 scale factors: how scalefac_compress splits into four groups of bands, each with its
// bit count (ISO 13818-3, without intensity stereo). Fills up to 36 values in band order.
int ReadLsfScaleFactors(PaddedBitReader& bits, GranuleChannel& g, std::array<int, 39>& values)
{
    static constexpr int kCounts[3][3][4]
        = { { { 6, 5, 5, 5 }, { 9, 9, 9, 9 }, { 6, 9, 9, 9 } }, { { 6, 5, 7, 3 }, { 9, 9, 12, 6 }, { 6, 9, 12, 6 } },
              { { 11, 10, 0, 0 }, { 18, 18, 0, 0 }, { 15, 18, 0, 0 } } };
    int sfc = g.scalefacCompress;
    int slen[4] = {};
    int set = 0;
    if (sfc < 400) {
        slen[0] = (sfc >> 4) / 5;
        slen[1] = (sfc >> 4) % 5;
        slen[2] = (sfc & 15) >> 2;
        slen[3] = sfc & 3;
    } else if (sfc < 500) {
        sfc -= 400;
        slen[0] = (sfc >> 2) / 5;
        slen[1] = (sfc >> 2) % 5;
        slen[2] = sfc & 3;
        set = 1;
    } else {
        sfc -= 500;
        slen[0] = std::min(sfc / 3, 4);
        slen[1] = sfc % 3;
        set = 2;
        g.preflag = true;
    }
    const int kind = !g.windowSwitching || g.blockType != 2 ? 0 : g.mixed ? 2 : 1;
    int n = 0;
    for (int group = 0; group < 4; ++group)
        for (int k = 0; k < kCounts[set][kind][group]; ++k)
            values[static_cast<size_t>(n++)] = static_cast<int>(bits.Read(slen[group]));
    return n;
}

// One group of MPEG-1 long-block scale factors, bands [kFrom, kTo), slen bits each (24 bits at most
// in all), read at once.
template <size_t kFrom, size_t kTo> void ReadFactorGroup(PaddedBitReader& bits, int slen, std::array<uint8_t, 32>& factors)
{
    int shift = static_cast<int>(kTo - kFrom) * slen;
    const uint32_t word = bits.Read(shift);
    const uint32_t mask = (1u << slen) - 1;
#pragma GCC unroll 6
    for (size_t band = kFrom; band < kTo; ++band) {
        shift -= slen;
        factors[band] = static_cast<uint8_t>((word >> shift) & mask);
    }
}

// Reads one granule's scale factors at the start of its part 2. first: the same channel's first
// granule, whose scale factors the second one shares where scfsi (the four band groups' flags,
// the first group in bit 3) says so (MPEG-1 long blocks).
void ReadScaleFactors(PaddedBitReader& bits, GranuleChannel& g, bool mpeg1, uint32_t scfsi, const GranuleChannel* first)
{
    const bool shortBlocks = g.windowSwitching && g.blockType == 2;
    if (shortBlocks && g.mixed)
        return; // mixed blocks are read as unscaled
    g.scaled = true;
    const bool sharesFactors = first && !shortBlocks && scfsi != 0;
    if (g.scalefacCompress == 0 && !sharesFactors) {
        // Every scale factor takes 0 bits and is 0.
        g.bandFactors = {};
        g.windowLowering = {};
        return;
    }
    if (mpeg1 && !shortBlocks) {
        const int slen1 = kSlen[g.scalefacCompress & 15][0];
        const int slen2 = kSlen[g.scalefacCompress & 15][1];
        // Groups shared with the first granule keep its scale factors where they were read as
        // long blocks, else 0; the others are read.
        if (sharesFactors && first->scaled && !(first->windowSwitching && first->blockType == 2))
            g.bandFactors = first->bandFactors;
        else
            g.bandFactors = {};
        const uint32_t shared = sharesFactors ? scfsi : 0;
        if ((shared & 8) == 0)
            ReadFactorGroup<0, 6>(bits, slen1, g.bandFactors);
        if ((shared & 4) == 0)
            ReadFactorGroup<6, 11>(bits, slen1, g.bandFactors);
        if ((shared & 2) == 0)
            ReadFactorGroup<11, 16>(bits, slen2, g.bandFactors);
        if ((shared & 1) == 0)
            ReadFactorGroup<16, 21>(bits, slen2, g.bandFactors);
        return;
    }
    std::array<int, 39> values {};
    if (mpeg1) {
        const int slen1 = kSlen[g.scalefacCompress & 15][0];
        const int slen2 = kSlen[g.scalefacCompress & 15][1];
        for (size_t k = 0; k < 36; ++k)
            values[k] = static_cast<int>(bits.Read(k < 18 ? slen1 : slen2));
    } else {
        ReadLsfScaleFactors(bits, g, values);
    }
    if (shortBlocks) {
        for (size_t w = 0; w < 3; ++w) {
            int lowest = values[w];
            for (size_t band = 1; band < 12; ++band)
                lowest = std::min(lowest, values[band * 3 + w]);
            g.windowLowering[w] = static_cast<uint8_t>(lowest);
        }
        return;
    }
    g.bandFactors = {};
    for (size_t band = 0; band < 21; ++band)
        g.bandFactors[band] = static_cast<uint8_t>(values[band]);
}

FrameLevel ReadLayer3(
    std::span<const uint8_t> frame, const MpegFrameHeader& header, size_t sideStart, MainDataReservoir* reservoir)
{
    const bool mpeg1 = header.version == MpegVersion1;
    const int channels = header.channelMode == 3 ? 1 : 2;
    FrameLevel level;
    level.parts = mpeg1 ? 2 : 1;
    level.samplesPerPart = 576;
    const size_t sideSize = std::min<size_t>(static_cast<size_t>(header.sideInfoSize), 32);
    const size_t sideEnd = sideStart + sideSize;
    if (frame.size() < sideEnd) {
        if (reservoir)
            reservoir->Clear();
        return level;
    }
    // The side information is read without a check where the frame goes on for the padding past
    // it (main data follows), else from a copy ahead of zero bytes.
    std::array<uint8_t, 32 + PaddedBitReader::kPadding> side {};
    const uint8_t* sideBytes = frame.data() + sideStart;
    if (frame.size() < sideEnd + PaddedBitReader::kPadding) {
        std::memcpy(side.data(), sideBytes, sideSize);
        sideBytes = side.data();
    }
    PaddedBitReader bits(sideBytes);
    std::array<uint32_t, 2> scfsi {}; // of the four band groups, the first in bit 3
    size_t mainDataBegin = 0;
    if (mpeg1) {
        mainDataBegin = bits.Read(9);
        bits.Skip(channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch)
            scfsi[static_cast<size_t>(ch)] = bits.Read(4);
    } else {
        mainDataBegin = bits.Read(8);
        bits.Skip(channels == 1 ? 1 : 2);
    }
    std::array<std::array<GranuleChannel, 2>, 2> granules;
    for (int gr = 0; gr < level.parts; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            GranuleChannel& g = granules[static_cast<size_t>(gr)][static_cast<size_t>(ch)];
            // part2_3_length 12 bits, big_values 9, global_gain 8.
            const uint32_t lengths = bits.Read(29);
            g.part23Length = static_cast<int>(lengths >> 17);
            g.bigValues = static_cast<int>((lengths >> 8) & 511);
            g.globalGain = static_cast<int>(lengths & 255);
            g.scalefacCompress = static_cast<int>(bits.Read(mpeg1 ? 4 : 9));
            // window_switching_flag, then block_type 2, mixed_block_flag 1, table_select 2 x 5 and
            // subblock_gain 3 x 3, or table_select 3 x 5, region0_count 4 and region1_count 3.
            const uint32_t layout = bits.Read(23);
            auto field = [layout](int shift, uint32_t mask) { return static_cast<uint8_t>((layout >> shift) & mask); };
            g.windowSwitching = (layout >> 22) != 0;
            if (g.windowSwitching) {
                g.blockType = field(20, 3);
                g.mixed = field(19, 1) != 0;
                g.tables = { field(14, 31), field(9, 31), uint8_t { 0 } };
                g.subblockGain = { field(6, 7), field(3, 7), field(0, 7) };
                g.region0Count = 0;
                g.region1Count = 0;
            } else {
                g.blockType = 0;
                g.mixed = false;
                g.tables = { field(17, 31), field(12, 31), field(7, 31) };
                g.subblockGain = {};
                g.region0Count = field(3, 15);
                g.region1Count = field(0, 7);
            }
            // preflag (MPEG-1 only), scalefac_scale, count1table_select.
            const uint32_t flags = bits.Read(mpeg1 ? 3 : 2);
            g.preflag = mpeg1 && (flags & 4) != 0;
            g.scalefacScale = (flags & 2) != 0;
            g.scaled = false;
        }
    }
    // The scale factors, where the main data is at hand: it begins main_data_begin bytes before
    // the end of the side information, in earlier frames' bytes kept by the reservoir.
    const bool intensity = header.channelMode == 1 && ((frame[3] >> 4) & 1) != 0;
    const auto main
        = reservoir ? reservoir->Append(frame.subspan(sideEnd), mainDataBegin) : std::span<const uint8_t> {};
    if (!main.empty()) {
        const size_t mainBits = (main.size() - MainDataReservoir::kPadding) * 8;
        size_t at = 0;
        for (int gr = 0; gr < level.parts; ++gr)
            for (int ch = 0; ch < channels; ++ch) {
                GranuleChannel& g = granules[static_cast<size_t>(gr)][static_cast<size_t>(ch)];
                // Past the bytes held, or a second channel coded by intensity (its own table),
                // the granule keeps the unscaled step. The largest scale factors take 126 bits,
                // well inside the padding past the end.
                if (at + static_cast<size_t>(g.part23Length) <= mainBits && !(intensity && ch == 1 && !mpeg1)) {
                    PaddedBitReader factors(main.data(), at);
                    ReadScaleFactors(factors, g, mpeg1, scfsi[static_cast<size_t>(ch)],
                        mpeg1 && gr == 1 ? &granules[0][static_cast<size_t>(ch)] : nullptr);
                }
                at += static_cast<size_t>(g.part23Length);
            }
    }
    const BandLayout& bands = LongBands(header.sampleRate);
    for (int gr = 0; gr < level.parts; ++gr) {
        double power = 0;
        for (int ch = 0; ch < channels; ++ch)
            power += GranulePower(granules[static_cast<size_t>(gr)][static_cast<size_t>(ch)], bands);
        level.power[static_cast<size_t>(gr)] = channels == 2 ? power * 0.5 : power; // the mean, exactly
    }
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

namespace {

FrameLevel ReadLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header, MainDataReservoir* reservoir)
{
    if (frame.size() < 4)
        return {};
    const size_t start = (frame[1] & 0x01) == 0 ? 6 : 4; // a CRC follows the header when protected
    if (header.layerIndex == 2)
        return ReadLayer3(frame, header, start, reservoir);
    if (reservoir)
        reservoir->Clear();
    return ReadLayer1Or2(frame, header, start);
}

} // namespace

std::span<const uint8_t> MainDataReservoir::Append(std::span<const uint8_t> own, size_t mainDataBegin)
{
    if (own.size() > bytes_.size() - kReach - kPadding) {
        // Longer than any frame's: kept for the frames that follow, not read.
        std::memcpy(bytes_.data(), own.data() + (own.size() - kReach), kReach);
        end_ = held_ = kReach;
        return {};
    }
    if (end_ + own.size() + kPadding > bytes_.size()) {
        const size_t keep = std::min(held_, kReach);
        std::memmove(bytes_.data(), bytes_.data() + (end_ - keep), keep);
        end_ = held_ = keep;
    }
    const bool reaches = mainDataBegin <= std::min(held_, kReach);
    const size_t start = end_ - (reaches ? mainDataBegin : 0);
    if (!own.empty())
        std::memcpy(bytes_.data() + end_, own.data(), own.size());
    end_ += own.size();
    held_ += own.size();
    std::memset(bytes_.data() + end_, 0, kPadding);
    if (!reaches)
        return {};
    return std::span<const uint8_t>(bytes_).subspan(start, end_ + kPadding - start);
}

FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header, MainDataReservoir& reservoir)
{
    return ReadLevel(frame, header, &reservoir);
}

FrameLevel ReadFrameLevel(std::span<const uint8_t> frame, const MpegFrameHeader& header)
{
    return ReadLevel(frame, header, nullptr);
}
