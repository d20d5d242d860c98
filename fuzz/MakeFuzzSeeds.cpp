// Writes the seed inputs of every fuzz target into one folder per target: short real encodings made
// with libmp3lame, streams built byte by byte (Layers I and II, ID3 blocks, information frames, free
// format, junk), and damaged copies of them (cut short, bits flipped, bytes zeroed, ID3v2 sizes past
// the end). Nothing binary is kept in the repository; scripts/fuzz.sh runs this before fuzzing.
#include "engine/stream/ID3TagText.h"
#include "engine/stream/ID3v2Fields.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/ShellLinkBuilder.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using Seed = std::pair<std::string, Bytes>;

Bytes Tone(int sampleRate, int channels, int bitrate, bool vbr, bool infoFrame)
{
    ToneSpec shape;
    shape.sampleRate = sampleRate;
    shape.channels = channels;
    shape.bitrate = bitrate;
    shape.seconds = 0.4;
    shape.vbr = vbr;
    shape.writeInfoFrame = infoFrame;
    return EncodeTone(shape);
}

std::vector<Seed> Encodings()
{
    return {
        { "cbr-44k-128-stereo", Tone(44100, 2, 128, false, false) },
        { "cbr-48k-320-stereo", Tone(48000, 2, 320, false, false) },
        { "cbr-22k-64-mono", Tone(22050, 1, 64, false, false) }, // MPEG-2
        { "cbr-8k-16-mono", Tone(8000, 1, 16, false, false) }, // MPEG-2.5
        { "cbr-32k-96-info", Tone(32000, 2, 96, false, true) }, // an "Info" frame
        { "vbr-44k-xing", Tone(44100, 2, 128, true, true) },
        { "vbr-16k-mono-xing", Tone(16000, 1, 32, true, true) },
    };
}

std::vector<Seed> BuiltStreams()
{
    FrameSpec layer1;
    layer1.layer = 1;
    FrameSpec layer2;
    layer2.layer = 2;
    layer2.channelMode = 0;
    FrameSpec mpeg2;
    mpeg2.version = 2;
    mpeg2.bitrateIndex = 8;
    mpeg2.channelMode = 3;
    FrameSpec freeFormat;
    freeFormat.bitrateIndex = 0;
    const FrameSpec k128;

    std::vector<Seed> seeds;
    Bytes tagged = ID3v2Block(90);
    Append(tagged, Frames(k128, 12));
    Append(tagged, ID3v1("Title", "Artist", 7, 17));
    seeds.emplace_back("id3v2-frames-id3v1", tagged);
    seeds.emplace_back("layer1", Frames(layer1, 12));
    seeds.emplace_back("layer2", Frames(layer2, 12));
    seeds.emplace_back("mpeg2-mono", Frames(mpeg2, 12));
    seeds.emplace_back("info-alone", InfoFrame(k128, "Xing", 0xF, 100, 41700));
    Bytes huge = InfoFrame(k128, "Xing", 0x1, 0x40000000); // a frame count whose sample total wraps
    Append(huge, Frames(k128, 10));
    seeds.emplace_back("xing-count-wraps", huge);
    Bytes info = InfoFrame(k128, "Info", 0x3, 10, 4170);
    Append(info, Frames(k128, 10));
    seeds.emplace_back("info-cbr", info);
    Bytes vbri = VbriFrame(k128, 10, 4170);
    Append(vbri, Frames(k128, 10));
    seeds.emplace_back("vbri", vbri);
    Bytes vbriHuge = VbriFrame(k128, 0xFFFFFFFF, 0xFFFFFFFF); // counts no file can hold
    Append(vbriHuge, Frames(k128, 4));
    seeds.emplace_back("vbri-count-huge", vbriHuge);
    Bytes free = FrameHeaderBytes(freeFormat);
    free.resize(400, 0x55);
    Append(free, Frames(k128, 4));
    seeds.emplace_back("free-format", free);
    Bytes junk(700, 0x20);
    junk[100] = 0xFF; // a lone sync byte
    Append(junk, Frames(k128, 6));
    seeds.emplace_back("junk-before-sync", junk);
    Bytes albumId = ID3v2Block(20);
    Append(albumId, Bytes { 'A', 'i', 'D', 1, 40, 0 });
    albumId.resize(albumId.size() + 34, 0);
    Append(albumId, Frames(k128, 6));
    seeds.emplace_back("album-id-block", albumId);
    seeds.emplace_back("zeros", Bytes(3000, 0));
    return seeds;
}

std::vector<Seed> Damaged(const std::vector<Seed>& originals)
{
    std::vector<Seed> damaged;
    for (const auto& [name, bytes] : originals) {
        if (bytes.size() < 400)
            continue;
        damaged.emplace_back(name + "-half", Bytes(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)));
        damaged.emplace_back(name + "-cut-in-a-frame", Bytes(bytes.begin(), bytes.end() - 100));
        Bytes flipped = bytes;
        for (size_t i = 50; i < flipped.size(); i += 97)
            flipped[i] ^= static_cast<uint8_t>(1u << (i % 8));
        damaged.emplace_back(name + "-bits-flipped", flipped);
        Bytes zeroed = bytes;
        std::fill(zeroed.begin() + static_cast<long>(zeroed.size() / 3),
            zeroed.begin() + static_cast<long>(zeroed.size() / 2), 0);
        damaged.emplace_back(name + "-zeroed", zeroed);
        Bytes pastTheEnd = ID3v2Block(0);
        pastTheEnd[6] = 0x7F; // a tag size far beyond the file
        Append(pastTheEnd, bytes);
        damaged.emplace_back(name + "-id3v2-past-end", pastTheEnd);
    }
    return damaged;
}

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(folder);
    WriteFile((folder / name).string(), bytes);
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// CUE sheets as ripping programs write them: CRLF with a byte-order mark, LF, Latin-1, UTF-16,
// unquoted names, pregaps, long recordings; and damaged copies of each.
std::vector<Seed> CueSheets()
{
    const std::string ripped = "REM GENRE Rock\r\nREM DATE 1994\r\nREM DISCID 9A0B1C0D\r\n"
                               "REM COMMENT \"ExactAudioCopy v1.6\"\r\nPERFORMER \"The Band\"\r\n"
                               "TITLE \"Live at the Hall\"\r\nFILE \"Live at the Hall.mp3\" MP3\r\n"
                               "  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n    INDEX 01 00:00:00\r\n"
                               "  TRACK 02 AUDIO\r\n    TITLE \"Second Song\"\r\n    PERFORMER \"Guest\"\r\n"
                               "    FLAGS DCP\r\n    ISRC USABC9400002\r\n    INDEX 00 03:12:40\r\n"
                               "    INDEX 01 03:14:00\r\n  TRACK 03 AUDIO\r\n    TITLE \"Encore\"\r\n"
                               "    PREGAP 00:02:00\r\n    INDEX 01 07:02:74\r\n    INDEX 02 07:10:00\r\n";
    const std::string latin1 = "PERFORMER \"Mot\xF6rhead\"\nTITLE \"Caf\xE9 \x93Live\x94\"\n"
                               "FILE set.wav WAVE\nTRACK 1 AUDIO\nINDEX 1 0:00:00\nTRACK 2 AUDIO\n"
                               "TITLE Sp\xE4t\nINDEX 1 125:59:74\n";
    const std::string unquoted = "file my live set.mp3 mp3\rtitle A Night Out\rtrack 1 audio\r"
                                 "index 00 00:00:00\rindex 01 00:01:30\rtrack 2 audio\rindex 01 01:00:00\r";
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("FILE \"a.mp3\" MP3\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:00\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    std::vector<Seed> seeds = {
        { "ripped-crlf-bom", TextBytes("\xEF\xBB\xBF" + ripped) },
        { "latin1-wave", TextBytes(latin1) },
        { "unquoted-cr", TextBytes(unquoted) },
        { "utf16le", TextBytes(utf16) },
        { "no-tracks", TextBytes("FILE \"a.mp3\" MP3\n") },
        { "backwards", TextBytes("FILE a.mp3 MP3\nTRACK 01 AUDIO\nINDEX 01 02:00:00\nTRACK 02 AUDIO\n"
                                 "INDEX 01 01:00:00\n") },
    };
    std::vector<Seed> damaged;
    for (const auto& [name, bytes] : seeds) {
        damaged.emplace_back(name + "-half", Bytes(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)));
        Bytes flipped = bytes;
        for (size_t i = 7; i < flipped.size(); i += 23)
            flipped[i] ^= static_cast<uint8_t>(1u << (i % 8));
        damaged.emplace_back(name + "-bits-flipped", flipped);
    }
    seeds.insert(seeds.end(), damaged.begin(), damaged.end());
    return seeds;
}

Bytes WithPrefix(Bytes prefix, const Bytes& bytes)
{
    Append(prefix, bytes);
    return prefix;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::vector<Seed> streams = Encodings();
    for (auto& seed : BuiltStreams())
        streams.push_back(std::move(seed));
    const std::vector<Seed> damaged = Damaged(streams);
    streams.insert(streams.end(), damaged.begin(), damaged.end());

    for (const auto& [name, bytes] : streams) {
        for (const char* target :
            { "FrameWalkFuzzer", "SourceOpenFuzzer", "ProbeDecodeFuzzer", "ID3v1BlockFuzzer", "LevelOverviewFuzzer" })
            Write(root / target, name, bytes);
        // One seed per split mode (the low two bits of the control byte), with overlaps on some.
        for (uint8_t mode = 0; mode < 4; ++mode)
            Write(root / "FrameCopyCutFuzzer", name + "-mode" + std::to_string(mode),
                WithPrefix({ static_cast<uint8_t>(mode | (mode << 3)), 3, 0 }, bytes));
    }
    Write(root / "ID3v1BlockFuzzer", "v1.1-block", ID3v1("Title", "Artist", 12, 255));
    Write(root / "ID3v1BlockFuzzer", "v1.0-block", ID3v1("A title of thirty characters..", "Artist", 0, 3));

    // Joins of a clean first input with every stream.
    const Bytes& first = streams.front().second;
    for (const auto& [name, bytes] : streams) {
        Bytes joined = { static_cast<uint8_t>(first.size() & 0xFF), static_cast<uint8_t>(first.size() >> 8) };
        Append(joined, first);
        Append(joined, bytes);
        Write(root / "FrameCopyJoinFuzzer", "first-then-" + name, joined);
    }
    // Information frames to rewrite: twelve control bytes (new counts, delay, padding) before each
    // stream, whose first frame is the information frame when it has one.
    for (const auto& [name, bytes] : streams)
        Write(root / "InfoFrameRewriteFuzzer", name,
            WithPrefix({ 0, 0, 1, 0, 0, 1, 0, 0, 0x18, 0x12, 0x40, 0x11 }, bytes));

    for (const auto& [name, bytes] : CueSheets())
        Write(root / "CueSheetFuzzer", name, bytes);

    // ID3v2 tags: a version selector and the header's flags, then the tag after its header.
    ID3TagInfo record;
    SetTagText(record, TagField::Title, "Album Side \xE2\x80\x93 \xE6\x9D\xB1");
    SetTagText(record, TagField::Artist, "Band");
    SetTagText(record, TagField::Comment, "from the vault");
    record.genre = 17;
    record.hasTrack = 1;
    record.track = 7;
    const Bytes tag = BuildID3v2Tag(record);
    for (const uint8_t selector : { 0, 1, 2 }) { // v2.2, v2.3 and v2.4 headers over v2.4 frames
        Bytes seed = { selector, 0 };
        seed.insert(seed.end(), tag.begin() + 10, tag.end());
        Write(root / "ID3v2TagFuzzer", "tag-" + std::to_string(selector), seed);
    }

    // Shortcuts as Windows writes them, and the other kinds of link information.
    using namespace shelllink;
    Write(root / "ShellLinkFuzzer", "local", LinkToLocalFile("C:\\Music\\song.mp3", u"..\\Music\\song.mp3"));
    LinkParts unicode;
    unicode.linkInfo = UnicodeLinkInfo(u"C:\\M\u00fcsik\\", u"Lied.mp3");
    Write(root / "ShellLinkFuzzer", "unicode", BuildLink(unicode));
    LinkParts network;
    network.linkInfo = NetworkLinkInfo("\\\\server\\share", "song.mp3");
    network.workingDir = Utf16("C:\\");
    Write(root / "ShellLinkFuzzer", "network", BuildLink(network));
    LinkParts items;
    items.itemList = ItemList({ RootFolderItem(), VolumeItem("C:\\"), FileEntryItem("SONG~1.MP3", u"Song one.mp3") });
    items.unicode = false;
    items.relativePath = u"Song one.mp3";
    Write(root / "ShellLinkFuzzer", "items-only", BuildLink(items));

    std::printf("%zu streams written to each target's folder under %s\n", streams.size(), root.c_str());
    return 0;
}
