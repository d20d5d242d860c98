// The cutter page with no file manager to show its pieces: it says so.
#include "platform/desktop/RevealInExplorer.h"
#include "tests/ui/cutter/CutterPageFixture.h"

#include <QRadioButton>

namespace {

class CutterRevealTest : public CutterPageFixture {
protected:
    CutterRevealTest()
    {
        SetRevealerForTests([this](const std::string& path) {
            revealed.push_back(path);
            return false;
        });
    }
    ~CutterRevealTest() override { SetRevealerForTests({}); }

    std::vector<std::string> revealed;
};

} // namespace

TEST_F(CutterRevealTest, ACutWithNoFileManagerSaysWhereThePiecesAre)
{
    options.CutterBrowseFolder = true;
    ASSERT_TRUE(page->OpenSource(Tone("song.mp3", 4.0)));
    page->ModeButton(1)->click(); // by count, 2
    page->OnCutNow();
    ASSERT_EQ(revealed.size(), 1u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text.toStdString(),
        "No file manager could be started to show \"song_01.mp3\".\n\nIt is in the folder:\n" + folder.Path().string());
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
}
