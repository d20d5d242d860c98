// Figures of the cutter page on large files: the time from opening a file to the page ready (length
// counted, tag read, the pieces list filled), the time from opening to the level strip drawn with
// the levels read on its worker thread, and the time and CPU of playing 10 s through the media
// player device on the silent clock, which decodes exactly as the audio output would.
//
// Usage: cutter_bench FILE.mp3...   (run by bench/cutter_bench.sh)
#include "ui/playback/AudioOutput.h"
#include "ui/playback/MediaPlayer.h"
#include "ui/cutter/CutterPage.h"
#include "ui/cutter/LevelStrip.h"
#include "ui/playback/PlaybackDecoder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void TimeOpen(const std::string& path, int runs)
{
    std::vector<double> times;
    int32_t duration = 0;
    for (int run = 0; run < runs; ++run) {
        CutterPage page;
        page.show();
        QElapsedTimer timer;
        timer.start();
        const bool opened = page.OpenSource(path);
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (!opened) {
            std::printf("%s: does not open\n", path.c_str());
            return;
        }
        duration = page.Duration();
    }
    std::sort(times.begin(), times.end());
    std::printf("open to page ready: %s (%.1f min): median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n",
        path.c_str(), duration / 600.0, times[times.size() / 2], times.front(), times.back(), runs);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Open returns at once (the page is usable); the strip's levels arrive from the worker thread and
// are drawn: both times from the start of the open.
void TimeOpenToStrip(const std::string& path, int runs)
{
    std::vector<double> opens, strips;
    for (int run = 0; run < runs; ++run) {
        CutterPage page;
        page.show();
        QElapsedTimer timer;
        timer.start();
        if (!page.OpenSource(path)) {
            std::printf("%s: does not open\n", path.c_str());
            return;
        }
        opens.push_back(timer.nsecsElapsed() / 1e6);
        while (!page.Strip()->HasLevels() && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        page.Strip()->repaint();
        strips.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("open to strip: %s: open returns after median %.1f ms (min %.1f, max %.1f); levels drawn "
                "after median %.1f ms (min %.1f, max %.1f) over %d runs\n",
        path.c_str(), Median(opens), *std::min_element(opens.begin(), opens.end()),
        *std::max_element(opens.begin(), opens.end()), Median(strips), *std::min_element(strips.begin(), strips.end()),
        *std::max_element(strips.begin(), strips.end()), runs);
}

void TimePlayback(const std::string& path)
{
    SetAudioOutputChoice(AudioOutputChoice::SilentClock, 1.0);
    MediaPlayer device;
    if (!device.Open(path))
        return;
    const int64_t from = std::min<int64_t>(60000, *device.LengthMs() / 2);
    QEventLoop loop;
    QObject::connect(&device, &MediaPlayer::PlayedToEnd, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    const double cpuBefore = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    device.PlayRange(from, from + 10000);
    loop.exec();
    const double wall = timer.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("10 s of playback: %s: %.2f s wall, %.3f s CPU (%.1f%% of one core)\n", path.c_str(), wall, cpu,
        100 * cpu / wall);

    // The decoder alone, as fast as it goes: how far ahead of real time it keeps.
    PlaybackDecoder decoder;
    decoder.Open(path);
    const int64_t rate = decoder.SampleRate();
    std::vector<int16_t> buffer(4096 * 2);
    timer.restart();
    decoder.Start(from * rate / 1000, (from + 10000) * rate / 1000);
    while (decoder.Read(buffer.data(), 4096) > 0) { }
    const double decode = timer.nsecsElapsed() / 1e9;
    std::printf("decoding 10 s for playback: %.3f s (%.0fx real time)\n", decode, 10 / decode);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    SetAudioOutputChoice(AudioOutputChoice::SilentClock, 1.0);
    for (int index = 1; index < argc; ++index) {
        TimeOpen(argv[index], 7);
        TimeOpenToStrip(argv[index], 7);
        TimePlayback(argv[index]);
    }
    return 0;
}
