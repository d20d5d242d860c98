// Jobs run from the window against the same jobs run by the command line: a frame-copy join of N
// three-second files and a batch cut of the same N files by count 3, at 128 and at 320 kbit/s.
//
//   build/bench/gui_job_bench [COUNTS] [RUNS]     (defaults: "300,1000" files, 5 runs)
//
// The files (a tone from libmp3lame, no information frame) are made once under bench/out/gui_jobs/.
// The window and the command line runs are interleaved; the medians are printed with the ratio and the
// target (the window within twice the command line plus 0.5 s). The window side is the page's own job
// (JoinerPage::JoinInto, BatchCutterPage::RunBatchJob) with its progress dialog showing, on the
// offscreen platform unless a display is set. SONICROP_CLI overrides build/cli/sonicrop-cli.
#include "platform/desktop/SettingsKey.h"
#include "ui/lists/BatchCutterPage.h"
#include "ui/lists/JoinerPage.h"

#include <QApplication>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <lame/lame.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> EncodeTone(int kbps)
{
    const int rate = 44100;
    const int samples = rate * 3;
    std::vector<short> pcm(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i)
        pcm[static_cast<size_t>(i)] = static_cast<short>(12000 * std::sin(2 * M_PI * 440 * i / rate));
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 0);
    lame_init_params(lame);
    std::vector<unsigned char> mp3(static_cast<size_t>(samples) * 5 / 4 + 7200 + 16384);
    int written = lame_encode_buffer(lame, pcm.data(), pcm.data(), samples, mp3.data(), static_cast<int>(mp3.size()));
    written += lame_encode_flush(lame, mp3.data() + written, static_cast<int>(mp3.size()) - written);
    lame_close(lame);
    mp3.resize(static_cast<size_t>(written));
    return mp3;
}

std::vector<std::string> MakeFiles(int count, int kbps)
{
    const fs::path folder = fs::path("bench/out/gui_jobs") / (std::to_string(kbps) + "k");
    fs::create_directories(folder);
    std::vector<unsigned char> mp3;
    std::vector<std::string> paths;
    for (int index = 0; index < count; ++index) {
        const fs::path path = folder / ("tone " + std::to_string(index + 1) + ".mp3");
        if (!fs::exists(path)) {
            if (mp3.empty())
                mp3 = EncodeTone(kbps);
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
        }
        paths.push_back(path.string());
    }
    return paths;
}

// Output folders are emptied before every run so both sides write the same new files.
fs::path FreshFolder(const std::string& name)
{
    const fs::path folder = fs::path("bench/out/gui_jobs") / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double RunCli(const QString& cli, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    const auto start = std::chrono::steady_clock::now();
    process.start(cli, arguments);
    process.waitForFinished(-1);
    const double seconds = Seconds(start);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "gui_job_bench: %s failed: %s\n", qPrintable(cli), process.readAllStandardError().constData());
    return seconds;
}

double WindowJoin(const std::vector<std::string>& files, const OptionValues& options)
{
    const fs::path out = FreshFolder("join_window");
    JoinerPage page;
    page.SetLiveOptions(&options);
    page.show();
    for (const std::string& path : files)
        page.AddFile(path);
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    const bool joined = page.JoinInto((out / "joined.mp3").string());
    const double seconds = Seconds(start);
    if (!joined)
        std::fprintf(stderr, "gui_job_bench: the window's join failed\n");
    return seconds;
}

double WindowCut(const std::vector<std::string>& files, OptionValues options)
{
    const fs::path out = FreshFolder("cut_window");
    options.cut.OutputFolderOpt = kOutputFolderSpecified;
    options.cut.SpecifiedOutputFolder = out.string();
    BatchCutterPage page;
    page.SetLiveOptions(&options);
    page.show();
    page.ModeButton(1)->click();
    page.CountSpin()->setValue(3);
    for (const std::string& path : files)
        page.AddFile(path);
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    page.OnCutAll();
    return Seconds(start);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Report(const char* job, int count, int kbps, const std::vector<double>& window, const std::vector<double>& cli)
{
    const double w = Median(window);
    const double c = Median(cli);
    std::printf("%-5s %5d files %3d kbit/s: window median %.3f s, CLI median %.3f s (%.2fx); target <= %.3f s: %s\n",
        job, count, kbps, w, c, w / c, 2 * c + 0.5, w <= 2 * c + 0.5 ? "met" : "MISSED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The pages store what they are given; keep that out of the user's settings.
    const fs::path settings = fs::absolute("bench/out/gui_jobs/settings");
    fs::create_directories(settings);
    SettingsKey::SetStoreFolder(settings.string());

    std::vector<int> counts = { 300, 1000 };
    if (argc > 1) {
        counts.clear();
        for (const QString& part : QString(argv[1]).split(','))
            counts.push_back(part.toInt());
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const QString cli = qEnvironmentVariableIsEmpty("SONICROP_CLI") ? QString("build/cli/sonicrop-cli")
                                                                     : qEnvironmentVariable("SONICROP_CLI");
    OptionValues options;
    options.CutterBrowseFolder = false; // no file manager in a benchmark
    options.JoinerBrowseFolder = false;

    for (const int kbps : { 128, 320 }) {
        for (const int count : counts) {
            const std::vector<std::string> files = MakeFiles(count, kbps);
            QStringList joinArguments = { "join", "-o", "" };
            QStringList cutArguments = { "cut", "--count", "3", "--output-folder", "" };
            for (const std::string& path : files) {
                joinArguments << QString::fromStdString(path);
                cutArguments << QString::fromStdString(path);
            }
            std::vector<double> windowJoin, cliJoin, windowCut, cliCut;
            for (int run = 0; run < runs; ++run) {
                windowJoin.push_back(WindowJoin(files, options));
                joinArguments[2] = QString::fromStdString((FreshFolder("join_cli") / "joined.mp3").string());
                cliJoin.push_back(RunCli(cli, joinArguments));
                windowCut.push_back(WindowCut(files, options));
                cutArguments[4] = QString::fromStdString(FreshFolder("cut_cli").string());
                cliCut.push_back(RunCli(cli, cutArguments));
            }
            Report("join", count, kbps, windowJoin, cliJoin);
            Report("cut", count, kbps, windowCut, cliCut);
        }
    }
    fs::remove_all(settings);
    return 0;
}
