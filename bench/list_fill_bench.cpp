// Adding a folder tree of MP3 files to the joiner list and to the batch cutter list, as "Add Folder"
// does it: the search, the probe of every file and the rows, with the progress dialog showing.
//
//   build/bench/list_fill_bench [FILES] [RUNS] [FOLDER]    (defaults: 1000 files, 5 runs)
//
// The tree (20 folders of FILES/20 files of about 300 KB, real LAME frames, each with an ID3v1 tag) is
// made once under bench/out/list_tree/. It prints every run and the median per list, how often the
// progress dialog painted during the median run, and the bytes the process read per file (from
// /proc/self/io), which shows that the probe reads the start and the tag of a file, not all of it.
// A FOLDER given is searched instead of the tree. Runs on the offscreen platform unless a display is set.
#include "platform/desktop/SettingsKey.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"
#include "ui/widgets/ProgressDialog.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <lame/lame.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// About 19 s of a 440 Hz tone at 128 kbit/s: one encoding, written under every name.
std::vector<unsigned char> EncodeTone()
{
    const int rate = 44100;
    const int samples = rate * 19;
    std::vector<short> pcm(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i)
        pcm[static_cast<size_t>(i)] = static_cast<short>(12000 * std::sin(2 * M_PI * 440 * i / rate));
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 0);
    lame_init_params(lame);
    std::vector<unsigned char> mp3(static_cast<size_t>(samples) * 5 / 4 + 7200 + 16384);
    int written = lame_encode_buffer(lame, pcm.data(), pcm.data(), samples, mp3.data(), static_cast<int>(mp3.size()));
    written += lame_encode_flush(lame, mp3.data() + written, static_cast<int>(mp3.size()) - written);
    lame_close(lame);
    mp3.resize(static_cast<size_t>(written));
    std::vector<unsigned char> tag(128, 0);
    std::copy_n("TAG"
                "Benchmark tone",
        17, tag.begin());
    mp3.insert(mp3.end(), tag.begin(), tag.end());
    return mp3;
}

fs::path MakeTree(int files)
{
    const fs::path top = fs::path("bench/out/list_tree") / std::to_string(files);
    if (fs::exists(top / "done"))
        return top;
    fs::remove_all(top);
    const std::vector<unsigned char> mp3 = EncodeTone();
    const int folders = 20;
    for (int index = 0; index < files; ++index) {
        const fs::path folder = top / ("album " + std::to_string(index % folders + 1));
        fs::create_directories(folder);
        std::ofstream out(folder / ("track " + std::to_string(index / folders + 1) + ".mp3"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
    }
    std::ofstream(top / "done") << files;
    return top;
}

// Counts the paints of progress dialogs.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && qobject_cast<ProgressDialog*>(watched))
            ++paints;
        return false;
    }
};

struct Run {
    double seconds;
    int rows;
    int paints;
    uint64_t bytesRead;
};

// The bytes this process has read through system calls so far; 0 when the kernel does not tell.
uint64_t BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return 0;
}

template <typename Page> Run AddTree(const fs::path& top)
{
    Page page;
    page.show();
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    const uint64_t readBefore = BytesRead();
    const auto start = std::chrono::steady_clock::now();
    page.AddFolder(fs::absolute(top).string() + "/");
    const auto end = std::chrono::steady_clock::now();
    const uint64_t readAfter = BytesRead();
    qApp->removeEventFilter(&counter);
    QCoreApplication::processEvents();
    return { std::chrono::duration<double>(end - start).count(), page.List()->RowCount(), counter.paints,
        readAfter - readBefore };
}

template <typename Page> void Measure(const char* name, const fs::path& top, int runs)
{
    std::vector<Run> results;
    for (int run = 0; run < runs; ++run) {
        results.push_back(AddTree<Page>(top));
        const Run& last = results.back();
        std::printf("%s run %d: %.3f s, %d rows, %d dialog paints, %.1f KB read per file\n", name, run + 1,
            last.seconds, last.rows, last.paints, last.rows > 0 ? last.bytesRead / 1024.0 / last.rows : 0.0);
    }
    std::sort(results.begin(), results.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    const Run& median = results[results.size() / 2];
    std::printf(
        "%s: median %.3f s for %d files (%d dialog paints)\n", name, median.seconds, median.rows, median.paints);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QApplication application(argc, argv);
    // The pages store the chosen folder; keep that out of the user's settings.
    const fs::path settings = fs::absolute("bench/out/list_settings");
    fs::create_directories(settings);
    SettingsKey::SetStoreFolder(settings.string());
    const fs::path top = argc > 3 ? fs::path(argv[3]) : MakeTree(files);
    Measure<JoinerPage>("joiner list", top, runs);
    Measure<BatchCutterPage>("batch list", top, runs);
    return 0;
}
