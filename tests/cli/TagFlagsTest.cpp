// The command line's tag values for pieces, and the ID3v2 tag in `info --json`.
#include "tests/support/CliRunner.h"
#include "tests/support/FrameBuilder.h"
#include "tests/support/ID3v2Builder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(TagFlags, CutWritesTheGivenValuesIntoBothTagsOfEveryPiece)
{
    TempDir dir;
    Bytes file = MakeID3v2Tag({});
    Append(file, Frames({}, 400));
    Append(file, ID3v1("Album Side", "Band", 7));
    WriteFile(dir.File("side.mp3"), file);
    const CliResult cut = RunCli({ "cut", "--count", "2", "--title", "Seite – eins", "--artist", "Wer", "--genre",
        "Jazz", "--year", "2020", dir.File("side.mp3") });
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    const auto pieces = Lines(cut.out);
    ASSERT_EQ(pieces.size(), 2u);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto tag = ReadID3v2Back(pieces[i]);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->title, "Seite – eins");
        EXPECT_EQ(tag->artist, "Wer");
        EXPECT_EQ(tag->genre, "Jazz");
        EXPECT_EQ(tag->year, "2020");
        EXPECT_EQ(tag->album, "Sides"); // not given: the source's
        EXPECT_EQ(tag->track, std::to_string(i + 1));
        const CliResult info = RunCli({ "info", "--json", pieces[i] });
        EXPECT_NE(info.out.find("\"id3v1\":{\"title\":\"Seite ? eins\",\"artist\":\"Wer\""), std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("\"id3v2\":{\"version\":4,\"title\":\"Seite – eins\",\"artist\":\"Wer\",\"album\":"
                                "\"Sides\",\"year\":\"2020\",\"track\":"
                      + std::to_string(i + 1) + ",\"genre\":\"Jazz\",\"comment\":\"from the vault\",\"pictures\":1}"),
            std::string::npos)
            << info.out;
    }
    EXPECT_EQ(RunCli({ "cut", "--count", "2", "--genre", "No Such Genre", dir.File("side.mp3") }).exitCode, 2);
    const CliResult plain = RunCli({ "info", "--json", dir.File("side_01.mp3") + "x" });
    EXPECT_NE(plain.out.find("\"id3v2\":null"), std::string::npos) << plain.out;
}
