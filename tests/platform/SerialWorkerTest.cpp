#include "platform/SerialWorker.h"

#include <atomic>
#include <gtest/gtest.h>
#include <sched.h>
#include <vector>

TEST(SerialWorker, RunsInOrderAndAFailureDropsTheRestUntilWaited)
{
    SerialWorker worker(2);
    std::vector<int> ran;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(worker.Post([&ran, i] {
            ran.push_back(i);
            return true;
        }));
    ASSERT_TRUE(worker.Wait());
    std::vector<int> expected(20);
    for (int i = 0; i < 20; ++i)
        expected[static_cast<size_t>(i)] = i;
    EXPECT_EQ(ran, expected);

    std::atomic<int> afterFailure { 0 };
    worker.Post([] { return false; });
    for (int i = 0; i < 5; ++i)
        worker.Post([&] {
            ++afterFailure;
            return true;
        });
    EXPECT_FALSE(worker.Wait());
    EXPECT_EQ(afterFailure.load(), 0);
    // The next series starts afresh.
    EXPECT_TRUE(worker.Post([&] {
        ++afterFailure;
        return true;
    }));
    EXPECT_TRUE(worker.Wait());
    EXPECT_EQ(afterFailure.load(), 1);
}

// The worker leaves the processor of the thread that posts to it, and is not tied anywhere after.
TEST(SerialWorker, TasksRunOffThePostersProcessorAndTheWorkerStaysFreeToMove)
{
    cpu_set_t allowed;
    ASSERT_EQ(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
    if (CPU_COUNT(&allowed) < 2)
        GTEST_SKIP() << "one processor";
    int poster = 0;
    while (!CPU_ISSET(poster, &allowed))
        ++poster;
    constexpr int kTasks = 50;
    int onPostersProcessor = 0;
    int tiedDown = 0;
    {
        SerialWorker worker(1);
        // The worker's thread starts with the poster's set of processors: start it before the
        // poster is tied to one.
        ASSERT_TRUE(worker.Post([] { return true; }));
        ASSERT_TRUE(worker.Wait());
        cpu_set_t only;
        CPU_ZERO(&only);
        CPU_SET(poster, &only);
        if (::sched_setaffinity(0, sizeof only, &only) != 0)
            GTEST_SKIP() << "processor sets cannot be changed here";
        for (int i = 0; i < kTasks; ++i) {
            // Waiting for each task lets the worker sleep, so every task starts after a wake-up.
            ASSERT_TRUE(worker.Post([&] {
                onPostersProcessor += ::sched_getcpu() == poster;
                cpu_set_t now;
                tiedDown += ::sched_getaffinity(0, sizeof now, &now) != 0 || !CPU_EQUAL(&now, &allowed);
                return true;
            }));
            ASSERT_TRUE(worker.Wait());
        }
    }
    ::sched_setaffinity(0, sizeof allowed, &allowed);
    EXPECT_EQ(tiedDown, 0);
    // The scheduler may still move a running thread back now and then.
    EXPECT_LE(onPostersProcessor, kTasks / 10);
}
