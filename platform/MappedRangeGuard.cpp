#include "platform/MappedRangeGuard.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// One slot per guarded range. A slot is claimed by setting its owner; only the owner writes the
// rest until the slot is given back, and the handler looks only at the slots of its own thread.
struct GuardedRange {
    std::atomic<pid_t> owner { 0 }; // 0: free
    std::atomic<uintptr_t> begin { 0 }; // 0: not guarding yet or any more
    std::atomic<uintptr_t> end { 0 };
    std::atomic<std::atomic<bool>*> failed { nullptr };
};

GuardedRange gRanges[kMaxGuardedRanges];
struct sigaction gPrevious { };
uintptr_t gPageSize = 4096;
bool gInstalled = false;

void PassOn(int signal, siginfo_t* info, void* context)
{
    if ((gPrevious.sa_flags & SA_SIGINFO) != 0 && gPrevious.sa_sigaction != nullptr) {
        gPrevious.sa_sigaction(signal, info, context);
        return;
    }
    if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
        gPrevious.sa_handler(signal);
        return;
    }
    // Back to the default action: a faulting access runs again and ends the process; a signal
    // sent by a program is sent again, to arrive once this handler returns.
    struct sigaction fallback { };
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(SIGBUS, &fallback, nullptr);
    if (info->si_code <= 0)
        ::raise(SIGBUS);
}

void OnBusError(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    // Only faults the kernel raised (si_code > 0) carry the address they met.
    if (info->si_code > 0) {
        const pid_t self = ::gettid();
        const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
        for (GuardedRange& range : gRanges) {
            if (range.owner.load(std::memory_order_relaxed) != self)
                continue;
            const uintptr_t begin = range.begin.load(std::memory_order_relaxed);
            const uintptr_t end = range.end.load(std::memory_order_relaxed);
            if (begin == 0 || address < begin || address >= end)
                continue;
            // From the faulting page to the range's end: past a truncation nothing can be read,
            // and a failed read fails the whole file anyway. The raw system call stays clear of
            // wrappers that tools may put around mmap.
            const uintptr_t page = address & ~(gPageSize - 1);
            const long mapped
                = ::syscall(SYS_mmap, page, end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (mapped == static_cast<long>(page)) {
                range.failed.load(std::memory_order_relaxed)->store(true, std::memory_order_relaxed);
                errno = savedErrno;
                return;
            }
            break;
        }
    }
    errno = savedErrno;
    PassOn(signal, info, context);
}

bool HandlerInPlace()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pageSize > 0)
            gPageSize = static_cast<uintptr_t>(pageSize);
        struct sigaction action { };
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        // The handler passes on what it does not own, so it must know the old one before it runs.
        gInstalled = ::sigaction(SIGBUS, nullptr, &gPrevious) == 0 && ::sigaction(SIGBUS, &action, nullptr) == 0;
    });
    if (!gInstalled)
        return false;
    // A handler installed after this one would take the faults: the ranges would not be guarded.
    struct sigaction current { };
    return ::sigaction(SIGBUS, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0
        && current.sa_sigaction == OnBusError;
}

} // namespace

bool GuardMappedRange(const void* begin, size_t length, std::atomic<bool>* failed)
{
    if (begin == nullptr || length == 0 || !HandlerInPlace())
        return false;
    const pid_t self = ::gettid();
    for (GuardedRange& range : gRanges) {
        pid_t free = 0;
        if (!range.owner.compare_exchange_strong(free, self))
            continue;
        range.failed.store(failed, std::memory_order_relaxed);
        range.end.store(reinterpret_cast<uintptr_t>(begin) + length, std::memory_order_relaxed);
        range.begin.store(reinterpret_cast<uintptr_t>(begin), std::memory_order_relaxed);
        // The handler runs on this thread: the slot must be complete before the bytes are read.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        return true;
    }
    return false;
}

void UnguardMappedRange(const void* begin)
{
    const auto start = reinterpret_cast<uintptr_t>(begin);
    for (GuardedRange& range : gRanges) {
        if (range.owner.load() != 0 && range.begin.load() == start) {
            range.begin.store(0);
            range.owner.store(0);
            return;
        }
    }
}
