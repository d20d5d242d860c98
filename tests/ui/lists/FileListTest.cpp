// Filling the file lists of the batch cutter and joiner pages from real files: folders, drops,
// shortcuts, the report of files that failed, the row texts and sorting by a header click.
#include "platform/TextFormat.h"
#include "tests/support/ShellLinkBuilder.h"
#include "tests/ui/lists/ListPageTest.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/widgets/ProgressDialogBase.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using FileListTest = ListPageTest;

std::vector<std::string> ListedNames(const FileListPage& page)
{
    std::vector<std::string> names;
    for (int row = 0; row < page.List()->RowCount(); ++row)
        names.push_back(page.List()->CellText(row, 0).toStdString());
    return names;
}

std::vector<std::string> ListedPaths(const FileListPage& page)
{
    std::vector<std::string> paths;
    for (int row = 0; row < page.List()->RowCount(); ++row)
        paths.push_back(page.List()->Record(row)->path);
    return paths;
}

void WriteShortcut(const fs::path& path, const std::string& relativeTarget)
{
    shelllink::LinkParts parts;
    parts.relativePath = shelllink::Utf16(relativeTarget);
    WriteFile(path.string(), shelllink::BuildLink(parts));
}

std::unique_ptr<JoinFileItem> Record(const std::string& name, uint64_t size, const std::string& title)
{
    auto item = std::make_unique<JoinFileItem>();
    item->path = "/music/" + name;
    item->fileSize = size;
    item->totalSamples = 44100 * 60;
    item->sampleRate = 44100;
    item->bitrate = 128;
    item->channelMode = 1;
    SetTagTitle(item->tag, title);
    item->hasTag = true;
    return item;
}

} // namespace

TEST_F(FileListTest, ADroppedTreeListsFoldersInOrderAndOnlyTheBatchListSkipsTheSameFile)
{
    const fs::path top = files_.Path() / "drop";
    for (const char* name : { "b.mp3", "A.mp3", "Track 10.mp3", "Track 2.mp3", "sub/c.mp3", "sub/deeper/d.mp3",
             "-dash.mp3", "caf\xc3\xa9 \xe2\x99\xab.mp3", "Song.mp3", "song.mp3", "elsewhere/e.mp3" })
        WriteTone("drop/" + std::string(name));
    WriteTone("tone.wav");
    WriteShortcut(top / "to e.lnk", "elsewhere\\e.mp3");
    WriteShortcut(top / "to folder.lnk", "sub");
    fs::create_directory_symlink(top, top / "sub/cycle");
    fs::create_symlink(top / "b.mp3", files_.Path() / "alias.mp3");
    const std::vector<std::string> dropped { top.string(), (top / "b.mp3").string(),
        (files_.Path() / "alias.mp3").string(), files_.File("tone.wav") };

    const std::vector<std::string> treeOrder { "-dash.mp3", "A.mp3", "b.mp3", "caf\xc3\xa9 \xe2\x99\xab.mp3",
        "Song.mp3", "song.mp3", "Track 2.mp3", "Track 10.mp3", "e.mp3", "e.mp3", "c.mp3", "d.mp3" };
    JoinerPage joiner;
    joiner.show();
    joiner.DropPaths(dropped);
    std::vector<std::string> joinerOrder = treeOrder;
    joinerOrder.insert(joinerOrder.end(), { "b.mp3", "alias.mp3" });
    EXPECT_EQ(ListedNames(joiner), joinerOrder); // the joiner joins a file as often as it is listed
    EXPECT_TRUE(joiner.JoinNowButton()->isEnabled());

    BatchCutterPage batch;
    batch.show();
    batch.DropPaths(dropped);
    std::vector<std::string> batchOrder = treeOrder;
    batchOrder.erase(batchOrder.begin() + 9); // e.mp3 reached a second time through "elsewhere"
    EXPECT_EQ(ListedNames(batch), batchOrder);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(batch.CutAllButton()->isEnabled());
    EXPECT_FALSE(batch.CutSelectedButton()->isEnabled());
    FinishEvents();
    EXPECT_EQ(OpenProgressDialog(), nullptr);
    EXPECT_TRUE(batch.isEnabled());

    // After sorting and removing, a removed file can be listed again, and only once.
    const auto count = [&](const std::string& name) {
        const std::vector<std::string> names = ListedNames(batch);
        return std::count(names.begin(), names.end(), name);
    };
    batch.List()->SortByColumn(0);
    const std::vector<std::string> sorted = ListedNames(batch);
    batch.List()->SelectRow(static_cast<int>(std::find(sorted.begin(), sorted.end(), "b.mp3") - sorted.begin()), true);
    batch.OnRemove();
    EXPECT_EQ(count("b.mp3"), 0);
    batch.DropPaths({ (files_.Path() / "alias.mp3").string(), (top / "b.mp3").string() });
    FinishEvents();
    EXPECT_EQ(count("alias.mp3"), 1);
    EXPECT_EQ(count("b.mp3"), 0);
    batch.OnRemoveAll();
    batch.DropPaths({ (top / "b.mp3").string(), (top / "b.mp3").string() });
    FinishEvents();
    EXPECT_EQ(ListedNames(batch), (std::vector<std::string> { "b.mp3" }));
}

TEST_F(FileListTest, AFileManagerDropOfUrlsLoadsAfterTheDropIsAnswered)
{
    const std::string song = WriteTone("with space/a song.mp3");
    JoinerPage joiner;
    joiner.show();
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(QString::fromStdString(song)), QUrl("https://example.com/b.mp3") });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&joiner, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&joiner, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(joiner.List()->RowCount(), 0);
    FinishEvents();
    EXPECT_EQ(ListedPaths(joiner), std::vector<std::string> { song });

    // A drop with nothing usable closes its dialog and says nothing.
    joiner.DropPaths({ files_.File("missing.mp3.lnk"), files_.File("with space") + "/nothing.txt" });
    FinishEvents();
    EXPECT_EQ(joiner.List()->RowCount(), 1);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(FileListTest, FailuresAreReportedTenPathsThenMoreFilesThenTheSupportAddress)
{
    std::vector<std::string> candidates { WriteTone("good.mp3") };
    for (int index = 1; index <= 12; ++index)
        candidates.push_back(WriteMp3("bad " + std::to_string(index) + ".mp3", Bytes(200 + index, 0x20)));
    candidates.insert(candidates.begin() + 3, WriteTone("real audio.wav")); // not an MP3 name
    const std::string fifo = files_.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    candidates.push_back(fifo); // must fail at once, not wait for a writer
    fs::create_directory(files_.File("folder.mp3"));
    candidates.push_back(files_.File("folder.mp3"));
    WriteMp3("empty.mp3", {});

    BatchCutterPage batch;
    batch.show();
    batch.LoadFileList(candidates);
    EXPECT_EQ(ListedNames(batch), std::vector<std::string> { "good.mp3" });
    ASSERT_EQ(messages_.size(), 1u);
    std::string expected = "Failed to load the following files.\n\n";
    expected += candidates[1] + "\n" + candidates[2] + "\n" + candidates[3] + "\n";
    for (int index = 3; index <= 9; ++index)
        expected += files_.File("bad " + std::to_string(index) + ".mp3") + "\n";
    expected += "<more files>...\n\nTo get help, please contact us at <support@sonicrop.example>.";
    EXPECT_EQ(messages_[0].text.toStdString(), expected);
    EXPECT_EQ(messages_[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(batch.isEnabled());
}

TEST_F(FileListTest, CancelStopsLoadingAfterTheCurrentFileAndKeepsItsRows)
{
    std::vector<std::string> candidates;
    for (int index = 0; index < 20; ++index)
        candidates.push_back(WriteTone("song " + std::to_string(index) + ".mp3"));
    JoinerPage joiner;
    joiner.show();
    WhenDialogShows(
        [](ProgressDialogBase&) { return true; }, [](ProgressDialogBase& dialog) { dialog.CancelButton()->click(); });
    joiner.LoadFileList(candidates);
    EXPECT_EQ(ListedNames(joiner), std::vector<std::string> { "song 0.mp3" });
    EXPECT_TRUE(messages_.empty());
}

TEST_F(FileListTest, RowsShowTheProbeAndTheTagOrNothingWithoutATag)
{
    Bytes tagged = Tone();
    Bytes tag = ID3v1("A title", "An artist", 7, 17);
    std::memcpy(&tag[63], "An album", 8);
    std::memcpy(&tag[93], "1999", 4);
    Append(tagged, tag);
    ToneSpec mono;
    mono.channels = 1;
    mono.sampleRate = 22050;
    mono.bitrate = 64;
    mono.seconds = 1.5;
    JoinerPage joiner;
    joiner.show();
    joiner.LoadFileList({ WriteMp3("tagged.mp3", tagged), WriteMp3("mono.mp3", EncodeTone(mono)) });
    ASSERT_EQ(joiner.List()->RowCount(), 2);
    const auto cells = [&](int row) {
        std::vector<std::string> texts;
        for (int column = 0; column < JoinerPage::kColumnCount; ++column)
            texts.push_back(joiner.List()->CellText(row, column).toStdString());
        return texts;
    };
    EXPECT_EQ(cells(0),
        (std::vector<std::string> { "tagged.mp3", FormatSize(tagged.size()), "00:03", "128 kbps", "44100 Hz",
            "J-Stereo", "7", "A title", "An artist", "An album", "1999", "Rock", "" }));
    EXPECT_EQ(cells(1),
        (std::vector<std::string> { "mono.mp3", FormatSize(fs::file_size(files_.File("mono.mp3"))), "00:01", "64 kbps",
            "22050 Hz", "Mono", "", "", "", "", "", "", "" }));
    EXPECT_EQ(joiner.Record(1)->tag.genre, 0); // the record stays all zero

    // Figures the probe does not give here: a rate of 0, 75:05, over 27 hours, over 4 GiB.
    auto noRate = Record("no rate.mp3", 999, "");
    noRate->sampleRate = 0;
    noRate->totalSamples = 125;
    EXPECT_EQ(joiner.InsertFileRow(std::move(noRate)), 2);
    EXPECT_EQ(joiner.List()->CellText(2, 4), "1 Hz");
    EXPECT_EQ(joiner.List()->CellText(2, 2), "02:05");
    EXPECT_EQ(joiner.Record(2)->sampleRate, 1);
    auto long75 = Record("75 minutes.mp3", 5ull << 30, "");
    long75->totalSamples = 4505ull * 44100;
    joiner.InsertFileRow(std::move(long75));
    EXPECT_EQ(joiner.List()->CellText(3, 2), "75:05");
    EXPECT_EQ(joiner.List()->CellText(3, 1), "5.00 GB");
    auto day = Record("a day.mp3", 1, "");
    day->totalSamples = 100000ull * 44100; // more than 2^32 samples
    joiner.InsertFileRow(std::move(day));
    EXPECT_EQ(joiner.List()->CellText(4, 2), "1666:40");

    BatchCutterPage batch;
    batch.show();
    batch.LoadFileList({ files_.File("tagged.mp3") });
    EXPECT_EQ(batch.List()->columnCount(), 7);
    EXPECT_EQ(batch.List()->headerItem()->text(BatchCutterPage::kStatusColumn), "Status");
    EXPECT_EQ(batch.List()->CellText(0, BatchCutterPage::kStatusColumn), "");
    EXPECT_EQ(batch.Record(0)->tag.track, 7);
}

TEST_F(FileListTest, AHeaderClickSortsAscendingThenDescendingNumbersByValue)
{
    JoinerPage joiner;
    joiner.show();
    joiner.InsertFileRow(Record("b.mp3", 9'961'472, "beta")); // 9.50 MB
    joiner.InsertFileRow(Record("a.mp3", 10'485'760, "Alpha")); // 10.00 MB
    joiner.InsertFileRow(Record("c.mp3", 999, "gamma"));
    auto tracked = Record("d.mp3", 5000, "delta");
    tracked->tag.hasTrack = 1;
    tracked->tag.track = 10;
    joiner.InsertFileRow(std::move(tracked));
    auto second = Record("e.mp3", 5000, "epsilon");
    second->tag.hasTrack = 1;
    second->tag.track = 9;
    joiner.InsertFileRow(std::move(second));
    SortableList* list = joiner.List();

    const auto clickHeader = [&](int column) {
        QHeaderView* header = list->header();
        const QPoint at(
            header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    clickHeader(1);
    EXPECT_EQ(ListedNames(joiner), (std::vector<std::string> { "c.mp3", "d.mp3", "e.mp3", "b.mp3", "a.mp3" }));
    EXPECT_TRUE(list->SortAscending());
    clickHeader(1);
    EXPECT_EQ(ListedNames(joiner), (std::vector<std::string> { "a.mp3", "b.mp3", "d.mp3", "e.mp3", "c.mp3" }));
    EXPECT_FALSE(list->SortAscending());
    clickHeader(1);
    EXPECT_TRUE(list->SortAscending());
    // Another column sorts ascending; text case-insensitively, empty track numbers first.
    clickHeader(JoinerPage::kTitleColumn);
    EXPECT_EQ(ListedNames(joiner), (std::vector<std::string> { "a.mp3", "b.mp3", "d.mp3", "e.mp3", "c.mp3" }));
    clickHeader(JoinerPage::kTrackColumn);
    EXPECT_EQ(ListedNames(joiner), (std::vector<std::string> { "a.mp3", "b.mp3", "c.mp3", "e.mp3", "d.mp3" }));
    // Records move with their rows, so the join order is the order shown.
    EXPECT_EQ(joiner.Record(4)->path, "/music/d.mp3");
    EXPECT_EQ(joiner.Record(0)->path, "/music/a.mp3");
}

TEST_F(FileListTest, ALongListShowsTheRowAddedLastOnceEventsRun)
{
    JoinerPage joiner;
    joiner.show();
    SortableList* list = joiner.List();
    for (int index = 0; index < 300; ++index)
        joiner.InsertFileRow(Record(std::to_string(index) + ".mp3", 1000, ""));
    QCoreApplication::processEvents();
    EXPECT_TRUE(list->viewport()->rect().intersects(list->visualItemRect(list->topLevelItem(299))));

    // A scroll asked for a row that is gone before events run is dropped.
    list->EnsureRowVisible(0);
    list->DeleteRow(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(list->RowCount(), 299);
}

TEST_F(FileListTest, EscapeOnAListPageLeavesEverythingAsItIs)
{
    BatchCutterPage batch;
    batch.show();
    batch.LoadFileList({ WriteTone("a.mp3") });
    batch.List()->setFocus();
    QTest::keyClick(batch.List(), Qt::Key_Escape);
    QTest::keyClick(&batch, Qt::Key_Escape);
    EXPECT_TRUE(batch.isVisible());
    EXPECT_EQ(batch.List()->RowCount(), 1);
}

TEST_F(FileListTest, WhatIsNotMp3NeverEntersEitherList)
{
    // A WAV file renamed .mp3: 16-bit PCM of a real tone behind a RIFF header.
    ToneSpec shape;
    shape.seconds = 3.0;
    const Pcm pcm = MakeTone(shape);
    Bytes wav = { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,
        0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0 };
    for (size_t i = 0; i < pcm.left.size(); ++i)
        for (const int16_t sample : { pcm.left[i], pcm.right[i] })
            Append(wav, { static_cast<uint8_t>(sample & 0xFF), static_cast<uint8_t>((sample >> 8) & 0xFF) });
    // 50 KB of random bytes.
    Bytes noise(50 * 1024);
    uint32_t seed = 2024;
    for (uint8_t& byte : noise) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    const std::vector<std::string> candidates
        = { WriteTone("good.mp3"), WriteMp3("x.mp3", wav), WriteMp3("noise.mp3", noise) };

    BatchCutterPage batch;
    batch.show();
    batch.LoadFileList(candidates);
    EXPECT_EQ(ListedNames(batch), std::vector<std::string> { "good.mp3" });
    JoinerPage joiner;
    joiner.show();
    joiner.LoadFileList(candidates);
    EXPECT_EQ(ListedNames(joiner), std::vector<std::string> { "good.mp3" });

    const std::string report = "Failed to load the following files.\n\n" + candidates[1] + "\n" + candidates[2] + "\n";
    ASSERT_EQ(messages_.size(), 2u);
    for (const auto& message : messages_)
        EXPECT_EQ(message.text.toStdString().substr(0, report.size()), report);
}
