// The walk's quick path through frames in sync (runs of frames counted and copied in one go) writes
// exactly the bytes of the frame-by-frame walk: cuts of every kind, with overlaps, and the join of
// the pieces, over real LAME encodings (CBR, CBR with an Info frame, VBR) of more than a read
// window, and over a stream damaged in the ways a walk must search past.
#include "engine/cut/SplitRun.h"
#include "engine/join/JoinJob.h"
#include "engine/stream/Mp3SourceFile.h"
#include "tests/engine/cut/CutTestSupport.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/Mp3Layout.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

enum class Kind { Cbr, Info, Vbr, Damaged };

struct Case {
    const char* name;
    Kind kind;
};

constexpr Case kCases[] = {
    { "cbr", Kind::Cbr },
    { "info", Kind::Info },
    { "vbr", Kind::Vbr },
    { "damaged", Kind::Damaged },
};

// Twenty seconds of music, its audio frames repeated four times after the encoder's information
// frame (when it wrote one): 0.9-1.3 MB, several read windows and mapped ones.
Bytes MakeSource(Kind kind)
{
    const bool vbr = kind == Kind::Vbr;
    const Bytes encoded = EncodePcm(MakeMusic(20), vbr ? 0 : 128, vbr, kind == Kind::Info || vbr, 2);
    const Mp3Layout layout = ReadMp3Layout(encoded);
    Bytes file;
    if (kind == Kind::Damaged)
        Append(file, ID3v2Block(3000));
    Append(file, layout.infoFrame);
    for (int copy = 0; copy < 4; ++copy) {
        for (size_t i = 0; i < layout.frames.size(); ++i) {
            Bytes frame = layout.frames[i];
            if (kind == Kind::Damaged && copy == 1) {
                if (i == 100)
                    file.insert(file.end(), { 0xFF, 0xFB, 0x90, 0x00, 0x12, 0xFF, 0xFF, 0x00 }); // junk, a false sync
                if (i == 200)
                    frame[2] |= 0xF0; // bitrate index 15: no header
                if (i == 300)
                    frame.resize(frame.size() / 2); // cut short inside the stream
                if (i == 400)
                    file.insert(file.end(), 5000, 0); // a run of zeros
                if (i == 500)
                    frame[1] &= 0xE7; // reserved version
            }
            Append(file, frame);
        }
    }
    if (kind == Kind::Damaged)
        Append(file, ID3v1("Song", "Band", 3));
    return file;
}

// Every file in the folder but the source, by name, with its bytes.
std::map<std::string, Bytes> OutputsIn(const TempDir& dir, const std::string& sourceName)
{
    std::map<std::string, Bytes> outputs;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name != sourceName)
            outputs[name] = ReadFile(entry.path().string());
    }
    return outputs;
}

// Cuts by count, by size and by time (with overlaps both ways), and joins the pieces of the count
// cut; returns every output, by run and name.
std::map<std::string, Bytes> CutAndJoin(const Bytes& sourceBytes)
{
    std::map<std::string, Bytes> all;
    auto keep = [&](const std::string& run, const std::map<std::string, Bytes>& outputs) {
        for (const auto& [name, bytes] : outputs)
            all[run + "/" + name] = bytes;
    };
    for (const std::string run : { "count", "size", "time" }) {
        TempDir dir;
        WriteFile(dir.File("song.mp3"), sourceBytes);
        CutterSource source;
        source.path = dir.File("song.mp3");
        source.totalSize = sourceBytes.size();
        source.totalDuration = 800; // tenths: the four copies of 20 s
        RecordingJob job;
        SplitSettings settings;
        settings.job = &job;
        std::string errorText;
        if (run == "count") {
            EXPECT_TRUE(CutByCount(source, 5, settings, errorText)) << errorText;
            JoinJob join;
            for (const std::string& piece : source.outputFiles)
                join.AddInput(piece);
            RecordingJob progress;
            EXPECT_TRUE(join.JoinByFrameCopy(dir.File("joined.mp3"), progress)) << join.ErrorText();
        } else if (run == "size") {
            EXPECT_TRUE(CutBySize(source, 200, settings, errorText)) << errorText;
        } else {
            settings.options.ForwardOverlap = 7;
            settings.options.BackwardOverlap = 12;
            EXPECT_TRUE(CutByTime(source, 0, 13, settings, errorText)) << errorText;
        }
        EXPECT_GE(source.outputFiles.size(), 4u);
        keep(run, OutputsIn(dir, "song.mp3"));
    }
    return all;
}

class InSyncRunsTest : public ::testing::TestWithParam<Case> {
protected:
    ~InSyncRunsTest() override { Mp3SourceFile::SetInSyncRuns(true); }
};

} // namespace

TEST_P(InSyncRunsTest, WriteTheBytesOfTheFrameByFrameWalk)
{
    const Bytes source = MakeSource(GetParam().kind);
    ASSERT_GT(source.size(), size_t { 800 } << 10);

    Mp3SourceFile::SetInSyncRuns(false);
    const auto checked = CutAndJoin(source);
    Mp3SourceFile::SetInSyncRuns(true);
    const auto quick = CutAndJoin(source);

    ASSERT_FALSE(checked.empty());
    ASSERT_EQ(quick.size(), checked.size());
    for (const auto& [name, bytes] : checked) {
        ASSERT_TRUE(quick.count(name)) << name;
        EXPECT_TRUE(quick.at(name) == bytes) << name << " differs";
    }
    // The pieces cover the source without gaps or repeats: their join gives back its frames.
    const Mp3Layout joined = ReadMp3Layout(quick.at("count/joined.mp3"));
    EXPECT_TRUE(!joined.lame || LameCrcsHold(joined));
    if (GetParam().kind != Kind::Damaged)
        EXPECT_TRUE(joined.frames == ReadMp3Layout(source).frames);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, InSyncRunsTest, ::testing::ValuesIn(kCases), [](const auto& info) { return std::string(info.param.name); });
