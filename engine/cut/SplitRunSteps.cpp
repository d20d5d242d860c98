#include "engine/cut/SplitRunSteps.h"

#include "engine/cut/FadeCutter.h"
#include "engine/cut/FrameCopyCutter.h"
#include "engine/stream/CountStreamSamples.h"
#include "engine/stream/OpenFailureReason.h"

#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<PieceCutter> MakePieceCutter(const CutOptions& options)
{
    if ((options.EnableFadeIn && options.FadeInLen > 0) || (options.EnableFadeOut && options.FadeOutLen > 0))
        return std::make_unique<FadeCutter>();
    return std::make_unique<FrameCopyCutter>();
}

void DeleteOutputFiles(std::vector<std::string>& outputFiles)
{
    // A name that another program has since made a folder, a device or a FIFO is not ours to remove.
    for (const auto& path : outputFiles) {
        struct stat info { };
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(path.c_str());
    }
    outputFiles.clear();
}

bool PumpAndCheckCancel(const SplitSettings& settings)
{
    if (!settings.job)
        return false;
    settings.job->Pump();
    return settings.job->IsCancelled();
}

void ConfigureCutter(PieceCutter& cutter, const SplitSettings& settings)
{
    const CutOptions& options = settings.options;
    cutter.SetCancelFlag(settings.job);
    cutter.SetProgressBar(settings.job ? settings.job->Bar(settings.barSlot) : nullptr);
    cutter.SetLeadIn(options.ForwardOverlap);
    cutter.SetLeadOut(options.BackwardOverlap);
    cutter.SetFadeIn(options.EnableFadeIn, options.FadeInLen);
    cutter.SetFadeOut(options.EnableFadeOut, options.FadeOutLen);
}

FrameCopyCutter* ExactCutter(PieceCutter& cutter)
{
    auto* const exact = dynamic_cast<FrameCopyCutter*>(&cutter);
    if (!exact)
        return nullptr;
    StreamSampleCount count;
    CountStreamSamples(cutter.Source(), count);
    return count.formatChangeAtFrame ? nullptr : exact;
}

std::string LoadFailureText(const std::string& path)
{
    return WithOpenFailureReason("Failed to load file \"" + path + "\".", path);
}
