// The batch cutter's "By silence" mode: the cutter's silence values, a piece per passage, and a file
// without silence failing alone.
#include "ui/lists/BatchCutterPage.h"
#include "tests/support/EncodedAudio.h"
#include "tests/support/GaplessDecode.h"
#include "tests/ui/lists/ListPageTest.h"

#include "platform/PathHelpers.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

namespace {

class BatchCutterSilenceTest : public ListPageTest {
protected:
    // Tone, `gap` seconds of digital silence, tone: 2 s each tone.
    std::string WriteGapped(const std::string& name, double gap)
    {
        Pcm pcm;
        pcm.sampleRate = 44100;
        const auto append = [&](double seconds, bool sound) {
            for (int i = 0; i < static_cast<int>(seconds * 44100); ++i) {
                const auto value
                    = sound ? static_cast<int16_t>(std::lround(9000 * std::sin(i * 0.05))) : int16_t { 0 };
                pcm.left.push_back(value);
                pcm.right.push_back(value);
            }
        };
        append(2, true);
        append(gap, false);
        append(2, true);
        WriteFile(files_.File(name), EncodePcm(pcm, 128, false, true));
        return files_.File(name);
    }

    OptionValues options_;
};

} // namespace

TEST_F(BatchCutterSilenceTest, CutsEachFileAtItsSilencesWithTheCuttersValues)
{
    StoreNumber("/Cutter", "SilenceMinLength", 15); // 1.5 s, as the cutter's dialog left it
    StoreNumber("/BatchCutter", "CutType", 3);
    BatchCutterPage page;
    page.SetLiveOptions(&options_);
    page.show();
    EXPECT_TRUE(page.ModeButton(3)->isChecked());
    EXPECT_EQ(page.SilenceValuesLabel()->text(), "below -48 dBFS for 1.5 s or more");
    const std::string longGap = WriteGapped("long.mp3", 2.0);
    const std::string shortGap = WriteGapped("short.mp3", 1.2);
    page.LoadFileList({ longGap, shortGap });
    ASSERT_EQ(page.List()->RowCount(), 2);

    page.CutAllButton()->click();
    EXPECT_EQ(page.List()->CellText(0, BatchCutterPage::kStatusColumn), "2 pieces");
    EXPECT_EQ(page.List()->CellText(1, BatchCutterPage::kStatusColumn),
        "Failure: No silence of at least 1.5 s below -48 dBFS was found; the file stays one piece.");
    const std::string first = files_.File("long_01.mp3");
    ASSERT_TRUE(FileExists(first));
    EXPECT_NEAR(static_cast<double>(DecodeGapless(first).left.size()) / 44100, 3.0, 0.1); // cut at the gap's middle
    EXPECT_FALSE(FileExists(files_.File("short_01.mp3")));

    // A value changed on the cutter holds for the next run.
    StoreNumber("/Cutter", "SilenceMinLength", 10);
    page.CutAllButton()->click();
    EXPECT_EQ(page.SilenceValuesLabel()->text(), "below -48 dBFS for 1.0 s or more");
    EXPECT_EQ(page.List()->CellText(1, BatchCutterPage::kStatusColumn), "2 pieces");
}
