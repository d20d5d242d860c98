#include "platform/SerialWorker.h"

#include <cstdlib>
#include <cstring>
#include <sched.h>

namespace {

// SONICROP_WORKER_LEAVES_POSTER=0 turns the move below off, so that a benchmark can measure with
// and without it on the same build.
bool LeavesPoster()
{
    static const bool leaves = [] {
        const char* value = std::getenv("SONICROP_WORKER_LEAVES_POSTER");
        return !value || std::strcmp(value, "0") != 0;
    }();
    return leaves;
}

} // namespace

SerialWorker::~SerialWorker()
{
    Cancel();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool SerialWorker::Post(std::function<bool()> task)
{
    posterCpu_.store(::sched_getcpu(), std::memory_order_relaxed);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return failed_ || waiting_.size() < maxWaiting_; });
    if (failed_)
        return false;
    waiting_.push_back(std::move(task));
    if (!thread_.joinable())
        thread_ = std::thread([this] { Run(); });
    lock.unlock();
    changed_.notify_all();
    return true;
}

bool SerialWorker::Wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return waiting_.empty() && !running_; });
    const bool ok = !failed_;
    failed_ = false;
    return ok;
}

void SerialWorker::Cancel()
{
    std::unique_lock lock(mutex_);
    waiting_.clear();
    changed_.notify_all();
    changed_.wait(lock, [&] { return !running_; });
    failed_ = false;
}

void SerialWorker::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty())
            return; // stopping, and nothing left
        auto task = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = true;
        lock.unlock();
        LeavePostersProcessor();
        const bool ok = task();
        lock.lock();
        running_ = false;
        if (!ok) {
            failed_ = true;
            waiting_.clear();
        }
        changed_.notify_all();
    }
}

void SerialWorker::LeavePostersProcessor() const
{
    // The poster wakes this thread for every task, and the scheduler may then place it on the
    // poster's own processor, where the two take turns although another one is idle. Taking that
    // processor out of this thread's set moves it at once; the set is then restored at once, so
    // the scheduler stays free to place it anywhere later.
    const int poster = posterCpu_.load(std::memory_order_relaxed);
    if (poster < 0 || !LeavesPoster() || ::sched_getcpu() != poster)
        return;
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || !CPU_ISSET(poster, &allowed) || CPU_COUNT(&allowed) < 2)
        return;
    cpu_set_t elsewhere = allowed;
    CPU_CLR(poster, &elsewhere);
    if (::sched_setaffinity(0, sizeof elsewhere, &elsewhere) == 0)
        ::sched_setaffinity(0, sizeof allowed, &allowed);
}
