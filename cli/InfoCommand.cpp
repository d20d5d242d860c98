// sonicrop-cli info: what the stream model, the decoder's probe and the ID3v1 reader see in a file.
#include "cli/Commands.h"
#include "cli/JsonString.h"
#include "cli/ValidUtf8.h"

#include "engine/join/Mp3StreamDecoder.h"
#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/GenreNames.h"
#include "engine/stream/ID3TagInfo.h"
#include "engine/stream/ID3TagText.h"
#include "engine/stream/InfoFrame.h"
#include "engine/stream/Mp3SourceFile.h"
#include "engine/stream/OpenFailureReason.h"
#include "engine/stream/ReadSourceTag.h"
#include "platform/TextFormat.h"

#include <cstdio>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

const char* const kInfoUsage = "Usage: sonicrop-cli info [--json] FILE...\n";

struct StreamWalk {
    int version = 0;
    int layerIndex = 0;
    uint64_t frames = 0;
    uint64_t samples = 0;
    uint64_t durationMs = 0; // each frame at its own rate
    std::optional<int64_t> formatChangeAtFrame;
    MpegFrameHeader formatChangeHeader {};
};

struct FileReport {
    std::string path;
    std::optional<uint64_t> size;
    bool ok = false;
    std::string failureReason; // when not ok: why, when there is more to say than "no audio"
    // Valid when ok:
    size_t id3v2Length = 0;
    size_t audioStart = 0;
    std::string infoFrame;
    std::optional<uint32_t> infoFrameCount; // the frames the information frame announces
    std::optional<LameTag> lameTag;
    int sampleRate = 0;
    int bitrate = 0;
    StreamWalk walk;
    // Independent of the stream model:
    bool probed = false;
    int probeSampleRate = 0, probeBitrate = 0, probeMode = 0;
    uint64_t probeTotalSamples = 0;
    bool probeVbr = false;
    bool hasTag = false;
    ID3TagInfo tag;
    std::optional<ID3v2Summary> id3v2;
};

FileReport Inspect(const std::string& path)
{
    FileReport report;
    report.path = path;
    struct stat info { };
    if (::stat(path.c_str(), &info) == 0)
        report.size = static_cast<uint64_t>(info.st_size);
    // Only regular files are opened: a pipe would block the open until someone writes to it.
    if (!report.size || !S_ISREG(info.st_mode))
        return report;

    Mp3SourceFile source;
    if (!source.Open(path))
        report.failureReason = OpenFailureReason(source.LastOpenError());
    if (source.IsOpen()) {
        report.ok = true;
        report.id3v2Length = source.ID3v2Length();
        report.audioStart = source.Cursor();
        report.infoFrame = source.InfoFrameKind();
        report.infoFrameCount = source.InfoFrameCount();
        if (const auto layout = ParseInfoFrame(source.InfoFrame()))
            report.lameTag = layout->lameTag;
        report.sampleRate = source.SampleRate();
        report.bitrate = source.Bitrate();
        const size_t firstFrame = source.HasInfoFrame() ? source.InfoFramePosition() : source.Cursor();
        const auto headerBytes = source.Read(firstFrame, 4);
        if (const auto header = headerBytes.size() == 4 ? DecodeFrameHeader(headerBytes.data()) : std::nullopt) {
            report.walk.version = header->version;
            report.walk.layerIndex = header->layerIndex;
        }
        StreamSampleCount count;
        CountStreamSamples(source, count);
        report.walk.frames = static_cast<uint64_t>(count.frameCount);
        report.walk.samples = static_cast<uint64_t>(count.totalSamples);
        report.walk.durationMs = static_cast<uint64_t>(count.DurationMs());
        report.walk.formatChangeAtFrame = count.formatChangeAtFrame;
        report.walk.formatChangeHeader = count.formatChangeHeader;
    }

    Mp3StreamDecoder decoder;
    if (decoder.Open(path)) {
        report.probed = true;
        report.probeSampleRate = decoder.SampleRate();
        report.probeBitrate = decoder.Bitrate();
        report.probeMode = decoder.Mode();
        report.probeTotalSamples = decoder.TotalSamples();
        report.probeVbr = decoder.IsVbr();
    }
    report.hasTag = ReadID3v1Tag(path, report.tag);
    report.id3v2 = ReadID3v2Summary(path);
    return report;
}

std::string VersionName(int version) { return version == MpegVersion1 ? "1" : version == MpegVersion2 ? "2" : "2.5"; }

uint64_t DurationMs(const FileReport& r) { return r.walk.durationMs; }

const char* LayerName(int layerIndex) { return layerIndex == 0 ? "I" : layerIndex == 1 ? "II" : "III"; }

// Tag bytes are Latin-1: each byte is the code point of the same number.
std::string Latin1ToUtf8(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string LoadError(const FileReport& r)
{
    const std::string message = "Failed to load file \"" + r.path + "\".";
    return r.failureReason.empty() ? message : message + " Reason: " + r.failureReason + ".";
}

void PrintJson(const FileReport& r)
{
    const std::string path = JsonString(r.path);
    std::string line = "{\"file\":" + path + ",\"ok\":" + (r.ok ? "true" : "false");
    line += ",\"error\":" + (r.ok ? std::string("null") : JsonString(LoadError(r)));
    line += ",\"size\":" + (r.size ? std::to_string(*r.size) : "null");
    if (r.ok) {
        line += ",\"id3v2_length\":" + std::to_string(r.id3v2Length);
        line += ",\"audio_start\":" + std::to_string(r.audioStart);
        line += ",\"info_frame\":" + (r.infoFrame.empty() ? std::string("null") : JsonString(r.infoFrame));
        line += ",\"info_frame_count\":" + (r.infoFrameCount ? std::to_string(*r.infoFrameCount) : std::string("null"));
        line += ",\"version\":" + JsonString(VersionName(r.walk.version));
        line += ",\"layer\":" + std::to_string(r.walk.layerIndex + 1);
        line += ",\"sample_rate\":" + std::to_string(r.sampleRate);
        line += ",\"bitrate\":" + std::to_string(r.bitrate);
        line += ",\"frames\":" + std::to_string(r.walk.frames);
        line += ",\"samples\":" + std::to_string(r.walk.samples);
        line += ",\"duration_ms\":" + std::to_string(DurationMs(r));
        line += ",\"format_change_at_frame\":"
            + (r.walk.formatChangeAtFrame ? std::to_string(*r.walk.formatChangeAtFrame) : std::string("null"));
        const auto& lame = r.lameTag;
        line += ",\"delay\":" + (lame ? std::to_string(lame->encoderDelay) : std::string("null"));
        line += ",\"padding\":" + (lame ? std::to_string(lame->encoderPadding) : std::string("null"));
        line += ",\"lame_tag_crc_ok\":" + (lame ? std::string(lame->tagCrcOk ? "true" : "false") : "null");
    } else {
        for (const char* key : { "id3v2_length", "audio_start", "info_frame", "info_frame_count", "version", "layer", "sample_rate",
                 "bitrate", "frames", "samples", "duration_ms", "format_change_at_frame", "delay", "padding", "lame_tag_crc_ok" })
            line += std::string(",\"") + key + "\":null";
    }
    if (r.probed) {
        line += ",\"probe\":{\"sample_rate\":" + std::to_string(r.probeSampleRate)
            + ",\"bitrate\":" + std::to_string(r.probeBitrate) + ",\"channel_mode\":" + std::to_string(r.probeMode)
            + ",\"total_samples\":" + std::to_string(r.probeTotalSamples)
            + ",\"is_vbr\":" + (r.probeVbr ? "true" : "false") + "}";
    } else {
        line += ",\"probe\":null";
    }
    if (r.hasTag) {
        const ID3TagInfo& t = r.tag;
        line += ",\"id3v1\":{\"title\":" + JsonString(Latin1ToUtf8(t.title))
            + ",\"artist\":" + JsonString(Latin1ToUtf8(t.artist)) + ",\"album\":" + JsonString(Latin1ToUtf8(t.album))
            + ",\"year\":" + JsonString(Latin1ToUtf8(t.year)) + ",\"comment\":" + JsonString(Latin1ToUtf8(t.comment))
            + ",\"genre\":" + std::to_string(t.genre)
            + ",\"track\":" + (t.hasTrack ? std::to_string(t.track) : std::string("null")) + "}";
    } else {
        line += ",\"id3v1\":null";
    }
    if (r.id3v2) {
        const ID3TagInfo& t = r.id3v2->fields;
        line += ",\"id3v2\":{\"version\":" + std::to_string(r.id3v2->version)
            + ",\"title\":" + JsonString(ValidUtf8(TagText(t, TagField::Title)))
            + ",\"artist\":" + JsonString(ValidUtf8(TagText(t, TagField::Artist)))
            + ",\"album\":" + JsonString(ValidUtf8(TagText(t, TagField::Album)))
            + ",\"year\":" + JsonString(ValidUtf8(TagText(t, TagField::Year)))
            + ",\"track\":" + (t.hasTrack ? std::to_string(t.track) : std::string("null"))
            + ",\"genre\":" + JsonString(ValidUtf8(TagGenreText(t)))
            + ",\"comment\":" + JsonString(ValidUtf8(TagText(t, TagField::Comment)))
            + ",\"pictures\":" + std::to_string(r.id3v2->pictures) + "}";
    } else {
        line += ",\"id3v2\":null";
    }
    line += "}\n";
    std::fputs(line.c_str(), stdout);
}

const char* const kModeNames[] = { "stereo", "joint stereo", "dual channel", "mono" };

void PrintText(const FileReport& r)
{
    std::printf("%s\n", r.path.c_str());
    if (r.size)
        std::printf("  size:          %llu bytes (%s)\n", static_cast<unsigned long long>(*r.size),
            FormatSize(*r.size).c_str());
    if (!r.ok) {
        std::printf("  error:         %s\n", LoadError(r).c_str());
    } else {
        std::printf("  stream:        MPEG-%s Layer %s, %d Hz, %d kbps%s\n", VersionName(r.walk.version).c_str(),
            LayerName(r.walk.layerIndex), r.sampleRate, r.bitrate, r.infoFrame.empty() ? "" : " (average)");
        std::printf("  ID3v2 block:   %zu bytes\n", r.id3v2Length);
        std::printf("  audio start:   byte %zu%s\n", r.audioStart,
            r.infoFrame.empty() ? "" : (", after the \"" + r.infoFrame + "\" frame").c_str());
        std::printf("  frames:        %llu (%llu samples)\n", static_cast<unsigned long long>(r.walk.frames),
            static_cast<unsigned long long>(r.walk.samples));
        if (r.walk.formatChangeAtFrame) {
            const MpegFrameHeader& changed = r.walk.formatChangeHeader;
            std::printf("  format change: at frame %lld, to MPEG-%s Layer %s, %d Hz\n",
                static_cast<long long>(*r.walk.formatChangeAtFrame), VersionName(changed.version).c_str(),
                LayerName(changed.layerIndex), changed.sampleRate);
        }
        const uint64_t ms = DurationMs(r);
        std::printf("  duration:      %s.%03llu%s\n", FormatTime(static_cast<int32_t>(ms / 1000)).c_str(),
            static_cast<unsigned long long>(ms % 1000), r.walk.formatChangeAtFrame ? " (each frame at its own rate)" : "");
        if (r.lameTag)
            std::printf("  LAME tag:      delay %d, padding %d, CRC %s\n", r.lameTag->encoderDelay,
                r.lameTag->encoderPadding, r.lameTag->tagCrcOk ? "ok" : "wrong");
        else
            std::printf("  LAME tag:      none\n");
    }
    if (r.probed)
        std::printf("  decoder probe: %d Hz, %d kbps, %s, %llu samples%s\n", r.probeSampleRate, r.probeBitrate,
            kModeNames[r.probeMode & 3], static_cast<unsigned long long>(r.probeTotalSamples),
            r.probeVbr ? ", VBR information frame" : "");
    else
        std::printf("  decoder probe: no decodable frame\n");
    if (r.hasTag) {
        const ID3TagInfo& t = r.tag;
        std::printf("  ID3v1 tag:     title \"%s\", artist \"%s\", album \"%s\", year \"%s\"\n",
            Latin1ToUtf8(t.title).c_str(), Latin1ToUtf8(t.artist).c_str(), Latin1ToUtf8(t.album).c_str(),
            Latin1ToUtf8(t.year).c_str());
        std::printf("                 comment \"%s\", genre %d%s%s%s", Latin1ToUtf8(t.comment).c_str(), t.genre,
            GenreName(t.genre).empty() ? "" : " (", GenreName(t.genre).c_str(), GenreName(t.genre).empty() ? "" : ")");
        if (t.hasTrack)
            std::printf(", track %d", t.track);
        std::printf("\n");
    } else {
        std::printf("  ID3v1 tag:     none\n");
    }
    if (r.id3v2) {
        const ID3TagInfo& t = r.id3v2->fields;
        std::printf("  ID3v2 tag:     v2.%d, title \"%s\", artist \"%s\", album \"%s\"%s%s, %d picture(s)\n",
            r.id3v2->version, ValidUtf8(TagText(t, TagField::Title)).c_str(),
            ValidUtf8(TagText(t, TagField::Artist)).c_str(), ValidUtf8(TagText(t, TagField::Album)).c_str(),
            t.hasTrack ? ", track " : "", t.hasTrack ? std::to_string(t.track).c_str() : "", r.id3v2->pictures);
    } else if (r.ok && r.id3v2Length > 0) {
        std::printf("  ID3v2 tag:     not readable, copied unchanged into pieces\n");
    }
}

} // namespace

int RunInfo(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--json") {
            json = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kInfoUsage, stdout);
            return kExitOk;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "sonicrop-cli info: unknown option '%s'\n%s", arg.c_str(), kInfoUsage);
            return kExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::fputs(kInfoUsage, stderr);
        return kExitUsage;
    }
    bool allOk = true;
    for (size_t i = 0; i < files.size(); ++i) {
        const FileReport report = Inspect(files[i]);
        allOk = allOk && report.ok;
        if (json) {
            PrintJson(report);
        } else {
            if (i > 0)
                std::printf("\n");
            PrintText(report);
        }
    }
    return allOk ? kExitOk : kExitFailure;
}
