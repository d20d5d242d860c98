#include "cli/TerminalProgress.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

constexpr int kCancelSignals[] = { SIGINT, SIGTERM, SIGHUP };

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

TerminalProgress::TerminalProgress()
    : isTerminal_(::isatty(STDERR_FILENO) != 0)
    , upper_(*this)
    , lower_(*this)
{
    gInterrupted = 0;
    struct sigaction action { };
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // kill's default signal and a closed terminal stop the job the same way, so that its outputs
    // are cleaned up instead of being left half written.
    for (const int signal : kCancelSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminalProgress::~TerminalProgress()
{
    Finish();
    for (const int signal : kCancelSignals)
        std::signal(signal, SIG_DFL);
}

bool TerminalProgress::IsCancelled() const { return gInterrupted != 0; }

void TerminalProgress::Pump() { Draw(false); }

ProgressBar* TerminalProgress::Bar(Slot slot) { return slot == Upper ? &upper_ : &lower_; }

void TerminalProgress::SetLabel(Slot slot, const std::string& text)
{
    labels_[slot] = text;
    Draw(false);
}

void TerminalProgress::Finish()
{
    if (isTerminal_ && drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    drawn_ = false;
}

void TerminalProgress::TerminalBar::SetRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper;
    owner_.Draw(false);
}

void TerminalProgress::TerminalBar::SetPosition(int position)
{
    position_ = position;
    owner_.Draw(false);
}

double TerminalProgress::TerminalBar::Fraction() const
{
    if (upper_ <= lower_)
        return 0.0;
    const double fraction = static_cast<double>(position_ - lower_) / (upper_ - lower_);
    return fraction < 0 ? 0 : (fraction > 1 ? 1 : fraction);
}

void TerminalProgress::Draw(bool force)
{
    if (!isTerminal_)
        return;
    const long long now = NowMs();
    if (!force && drawn_ && now - lastDrawMs_ < 100)
        return;
    lastDrawMs_ = now;
    drawn_ = true;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(upper_.Fraction() * kWidth + 0.5);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::string label = labels_[Upper].empty() ? labels_[Lower] : labels_[Upper];
    if (label.size() > 60)
        label = label.substr(0, 57) + "...";
    std::fprintf(
        stderr, "\r\033[K[%s] %3d%% %s", bar.c_str(), static_cast<int>(upper_.Fraction() * 100), label.c_str());
    std::fflush(stderr);
}
