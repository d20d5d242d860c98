#include "platform/SerialWorker.h"

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
