// The window's reports of a free-format file: the cutter page's open failure, and the failure
// report of the batch cutter's and joiner's lists, say why it was refused.
#include "tests/ui/cutter/CutterPageFixture.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"

#include <gtest/gtest.h>

namespace {

class FreeFormatRefusal : public CutterPageFixture {
protected:
    FreeFormatRefusal()
    {
        ToneSpec tone;
        tone.seconds = 1.0;
        WriteFile(freeFormat, FreeFormatCopy(EncodeTone(tone)));
        WriteFile(good, EncodeTone(tone));
        WriteFile(text, Bytes(3000, 'a'));
    }

    std::string freeFormat = folder.File("free.mp3");
    std::string good = folder.File("good.mp3");
    std::string text = folder.File("text.mp3");
};

} // namespace

TEST_F(FreeFormatRefusal, TheCutterPageSaysWhyItCannotOpenTheFile)
{
    EXPECT_FALSE(page->OpenSourceAndReport(freeFormat));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text.toStdString(),
        "Failed to open file \"" + freeFormat
            + "\". Reason: free-format streams are not supported.\n\nTo get help, please contact us at "
              "<support@sonicrop.example>.");
    EXPECT_FALSE(page->HasSource());
}

TEST_F(FreeFormatRefusal, TheListsFailureReportNamesTheReasonBesideTheFile)
{
    const std::string report = "Failed to load the following files.\n\n" + freeFormat
        + " (free-format streams are not supported)\n" + text + "\n";
    BatchCutterPage batch;
    batch.show();
    batch.LoadFileList({ good, freeFormat, text });
    EXPECT_EQ(batch.List()->RowCount(), 1);
    JoinerPage joiner;
    joiner.show();
    joiner.LoadFileList({ freeFormat, good, text });
    EXPECT_EQ(joiner.List()->RowCount(), 1);
    ASSERT_EQ(messages_.size(), 2u);
    for (const auto& message : messages_)
        EXPECT_EQ(message.text.toStdString().substr(0, report.size()), report);
}
