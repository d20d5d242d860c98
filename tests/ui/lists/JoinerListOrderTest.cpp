// The joiner's order by dragging rows, and lists saved and loaded as M3U playlists, including
// playlists that are damaged or not playlists at all.
#include "tests/ui/lists/ListPageTest.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/lists/M3uPlaylist.h"
#include "ui/widgets/ElidedLabel.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class JoinerListOrderTest : public ListPageTest {
protected:
    void Show(JoinerPage& page)
    {
        page.SetLiveOptions(&options_);
        page.resize(660, 480);
        page.show();
        QApplication::processEvents();
    }

    static std::vector<std::string> Names(const FileListPage& page)
    {
        std::vector<std::string> names;
        for (int row = 0; row < page.List()->RowCount(); ++row)
            names.push_back(page.List()->CellText(row, 0).toStdString()
                + (page.List()->topLevelItem(row)->isSelected() ? "*" : ""));
        return names;
    }

    // Drops data on the list's viewport where row `over` is, in its upper or lower half.
    static bool DropOn(SortableList& list, const QMimeData& data, int over, bool lowerHalf)
    {
        const QRect rect = list.visualItemRect(list.topLevelItem(over));
        const QPointF at(rect.center().x(), lowerHalf ? rect.bottom() - 1 : rect.top() + 1);
        // As a drag goes: it enters (which makes the list the drop's target), moves, and drops.
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &enter);
        QDragMoveEvent move(at.toPoint(), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
        QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    }

    std::vector<std::string> Tones(int count)
    {
        std::vector<std::string> paths;
        for (int index = 1; index <= count; ++index)
            paths.push_back(WriteTone("music/" + std::to_string(index) + ".mp3"));
        return paths;
    }

    OptionValues options_;
};

} // namespace

TEST_F(JoinerListOrderTest, DraggedRowsMoveAsABlockWhereTheyAreDroppedAndTheJoinFollows)
{
    JoinerPage page;
    Show(page);
    page.LoadFileList(Tones(5));
    SortableList& list = *page.List();
    list.SortByColumn(0);
    list.SelectRow(3, true);
    list.SelectRow(1, true);
    const std::unique_ptr<QMimeData> rows(list.RowDragData());
    // Onto the upper half of row 0: before it.
    EXPECT_TRUE(DropOn(list, *rows, 0, false));
    EXPECT_EQ(Names(page), (std::vector<std::string> { "2.mp3*", "4.mp3*", "1.mp3", "3.mp3", "5.mp3" }));
    EXPECT_EQ(page.Record(1)->path, files_.File("music/4.mp3"));
    EXPECT_FALSE(list.header()->isSortIndicatorShown()); // no longer in a column's order
    // Onto the lower half of the last row: to the end.
    EXPECT_TRUE(DropOn(list, *rows, 4, true));
    EXPECT_EQ(Names(page), (std::vector<std::string> { "1.mp3", "3.mp3", "5.mp3", "2.mp3*", "4.mp3*" }));
    // Onto themselves: nothing moves.
    EXPECT_TRUE(DropOn(list, *rows, 3, true));
    EXPECT_EQ(Names(page), (std::vector<std::string> { "1.mp3", "3.mp3", "5.mp3", "2.mp3*", "4.mp3*" }));

    // Rows dragged from another list, or from another running copy of the program, are refused.
    JoinerPage other;
    Show(other);
    other.LoadFileList({ files_.File("music/1.mp3") });
    other.List()->SelectRow(0, true);
    const std::unique_ptr<QMimeData> foreign(other.List()->RowDragData());
    EXPECT_FALSE(DropOn(list, *foreign, 0, false));
    QMimeData otherProgram;
    otherProgram.setData("application/x-sonicrop-list-rows", "1:" + QByteArray::number(reinterpret_cast<quintptr>(&list), 16));
    EXPECT_FALSE(DropOn(list, otherProgram, 0, false));
    EXPECT_EQ(Names(page), (std::vector<std::string> { "1.mp3", "3.mp3", "5.mp3", "2.mp3*", "4.mp3*" }));

    // Files from a file manager dropped over the list still reach the page and are added.
    QMimeData urls;
    urls.setUrls({ QUrl::fromLocalFile(QString::fromStdString(files_.File("music/1.mp3"))) });
    const QPoint at = list.visualItemRect(list.topLevelItem(0)).center();
    QDragEnterEvent enter(at, Qt::CopyAction, &urls, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
}

TEST_F(JoinerListOrderTest, AListSavedAsM3u8LoadsBackInOrderWithRelativeAndFullPaths)
{
    const std::vector<std::string> inside = Tones(2);
    const std::string outside = WriteTone("elsewhere/caf\xc3\xa9 \xe6\x9d\xb1.mp3");
    fs::create_directories(files_.File("lists"));
    fs::copy_file(inside[0], files_.File("lists/near.mp3"));
    JoinerPage page;
    Show(page);
    page.LoadFileList({ files_.File("lists/near.mp3"), outside, inside[1] });
    ASSERT_EQ(page.List()->RowCount(), 3);
    ASSERT_TRUE(page.SaveListAs(files_.File("lists/mine"))); // the extension is added
    const std::string saved = files_.File("lists/mine.m3u8");
    const Bytes bytes = ReadFile(saved);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("#EXTM3U\n#EXTINF:3,near\nnear.mp3\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n" + outside + "\n"), std::string::npos) << text; // not below the list's folder
    EXPECT_TRUE(page.StatusLabel()->FullText().endsWith(QString::fromStdString(saved)));

    // Loading replaces the rows after asking; "No" keeps them.
    JoinerPage loaded;
    Show(loaded);
    loaded.LoadFileList({ inside[0] });
    SetMessageBoxHook([this](const QString& message, MessageIcon icon, MessageButtons buttons) {
        messages_.push_back({ message, icon, buttons });
        return MessageAnswer::No;
    });
    loaded.LoadList(saved);
    EXPECT_EQ(loaded.List()->RowCount(), 1);
    SetMessageBoxHook([this](const QString& message, MessageIcon icon, MessageButtons buttons) {
        messages_.push_back({ message, icon, buttons });
        return MessageAnswer::Yes;
    });
    loaded.LoadList(saved);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "Are you sure you want to replace the file in the list?");
    EXPECT_EQ(messages_[1].buttons, MessageButtons::YesNo);
    ASSERT_EQ(loaded.List()->RowCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(loaded.Record(row)->path, page.Record(row)->path);
}

TEST_F(JoinerListOrderTest, PlaylistsAddTheirEntriesFromAnyM3uAndReportWhatIsMissing)
{
    const std::vector<std::string> tones = Tones(3);
    // Windows line ends, comments, a file: URL, an absolute path, a relative one, a missing file, a
    // web address, a Latin-1 name in an .m3u, and a nested playlist (not followed).
    WriteTone("music/d\xc3\xa9j\xc3\xa0.mp3"); // named in UTF-8 on disk, in Latin-1 in the playlist
    const std::string m3u = files_.File("music/old.m3u");
    const std::string body = "#EXTM3U\r\n# a comment\r\n#EXTINF:3,One\r\n1.mp3\r\n"
        + QUrl::fromLocalFile(QString::fromStdString(tones[1])).toString().toStdString() + "\r\n" + tones[2]
        + "\r\n\r\nmissing.mp3\r\nhttp://example.invalid/x.mp3\r\nd\xe9j\xe0.mp3\r\nold.m3u\r\n";
    WriteFile(m3u, Bytes(body.begin(), body.end()));

    JoinerPage page;
    Show(page);
    page.LoadFileList({ m3u, tones[0] }); // what Add Files does with a playlist beside a file
    ASSERT_EQ(messages_.size(), 1u);
    const std::string report = messages_[0].text.toStdString();
    EXPECT_NE(report.find(files_.File("music/missing.mp3") + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("http://example.invalid/x.mp3\n"), std::string::npos) << report;
    EXPECT_NE(report.find(files_.File("music/old.m3u") + "\n"), std::string::npos) << report;
    EXPECT_EQ(Names(page), (std::vector<std::string> { "1.mp3", "2.mp3", "3.mp3", "d\xc3\xa9j\xc3\xa0.mp3", "1.mp3" }));

    // The batch list takes dropped playlists too (and skips the file it already has).
    BatchCutterPage batch;
    batch.show();
    batch.DropPaths({ m3u });
    for (int pass = 0; pass < 5; ++pass)
        QApplication::processEvents();
    EXPECT_EQ(batch.List()->RowCount(), 4);
}

TEST_F(JoinerListOrderTest, WhatIsNoPlaylistIsRefusedWithAReasonAndLoadsNothing)
{
    Bytes binary = Tone(); // an MP3 file named as a playlist
    const std::string mp3Named = WriteMp3("fake.m3u8", binary);
    const std::string empty = WriteMp3("empty.m3u", {});
    Bytes noise(20000);
    for (size_t index = 0; index < noise.size(); ++index)
        noise[index] = static_cast<uint8_t>((index * 2654435761u) >> 13);
    const std::string garbage = WriteMp3("noise.m3u", noise);
    std::string text = "#EXTM3U\n" + std::string(5000, 'x') + "\n\xff\xfe bad utf-8 \xc3\n";
    const std::string longLines = WriteMp3("long.m3u8", Bytes(text.begin(), text.end()));
    fs::create_directories(files_.File("folder.m3u"));

    JoinerPage page;
    Show(page);
    page.LoadFileList({ mp3Named, empty, garbage, longLines, files_.File("folder.m3u"), files_.File("none.m3u") });
    EXPECT_EQ(page.List()->RowCount(), 0);
    ASSERT_EQ(messages_.size(), 1u);
    const std::string report = messages_[0].text.toStdString();
    EXPECT_NE(report.find(mp3Named + " (it holds binary data, not a playlist)\n"), std::string::npos) << report;
    EXPECT_NE(report.find(files_.File("none.m3u") + " (it cannot be read)\n"), std::string::npos) << report;
    EXPECT_EQ(ReadFile(mp3Named), binary); // read, never written

    // Saving never writes over a listed file, whatever the name says.
    const std::string song = WriteTone("song.mp3");
    page.LoadFileList({ song, song });
    messages_.clear();
    fs::create_symlink(song, files_.File("link.m3u8"));
    EXPECT_FALSE(page.SaveListAs(files_.File("link.m3u8")));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.endsWith("It is one of the files in the list.")) << messages_[0].text.toStdString();
    EXPECT_EQ(ReadFile(song), Tone());
    EXPECT_FALSE(page.SaveListAs(files_.File("no such folder/list.m3u8")));
    EXPECT_FALSE(fs::exists(files_.File("no such folder")));
}
