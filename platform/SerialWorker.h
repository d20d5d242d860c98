#pragma once
// Runs tasks one after another on a thread of its own, in the order they were posted, while the
// poster goes on with other work. A task that fails ends the series: the tasks after it are
// dropped. At most a few tasks wait at a time; Post blocks until there is room, so the poster
// can never run far ahead.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class SerialWorker {
public:
    explicit SerialWorker(size_t maxWaiting)
        : maxWaiting_(maxWaiting)
    {
    }
    ~SerialWorker(); // cancels what has not started and waits for the running task
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues a task that returns false when it failed; false when an earlier task failed.
    bool Post(std::function<bool()> task);
    // Waits until every posted task has run; false when one failed. The series then starts afresh.
    bool Wait();
    // Drops the tasks that have not started and waits for the running one.
    void Cancel();

private:
    void Run();
    // Moves this thread off the processor the poster last ran on, when it is there too.
    void LeavePostersProcessor() const;

    const size_t maxWaiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<bool()>> waiting_;
    bool running_ = false; // a task is being run
    bool failed_ = false;
    bool stopping_ = false;
    std::atomic<int> posterCpu_ { -1 };
    std::thread thread_;
};
