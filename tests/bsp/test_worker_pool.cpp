// The worker pool the build hands large nodes and subtrees to: every task runs once, where it
// is asked for if no worker has begun it, with what it throws thrown to the thread that asks;
// tasks that hand out tasks of their own and wait for them finish; a pool closed with tasks
// still waiting lets go of them.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bsp/worker_pool.h"

namespace norvane {
namespace {

TEST(WorkerPool, EveryTaskRunsOnceWhateverTheWorkers) {
    for (unsigned workers : {0u, 1u, 3u}) {
        WorkerPool pool(workers);
        std::vector<std::atomic<int>> runs(500);
        std::vector<WorkerPool::TaskHandle> tasks;
        for (std::size_t i = 0; i < runs.size(); ++i) tasks.push_back(pool.submit([&runs, i] { ++runs[i]; }));
        for (std::size_t i = runs.size(); i-- > 0;) pool.finish(tasks[i]); // the newest first, as the build asks
        for (std::size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i].load(), 1) << workers << " workers, task " << i;
        EXPECT_EQ(pool.waiting(), 0u);
    }
}

// Subtrees hand out subtrees: a task that submits tasks and waits for them, three levels deep,
// on fewer workers than tasks, neither deadlocks nor runs anything twice.
TEST(WorkerPool, NestedTasksFinish) {
    WorkerPool pool(1);
    std::atomic<int> leaves{0};
    std::function<void(int)> tree = [&](int depth) {
        if (depth == 0) {
            ++leaves;
            return;
        }
        std::vector<WorkerPool::TaskHandle> children;
        for (int k = 0; k < 3; ++k) children.push_back(pool.submit([&, depth] { tree(depth - 1); }));
        for (const auto& child : children) pool.finish(child);
    };
    pool.finish(pool.submit([&] { tree(5); }));
    EXPECT_EQ(leaves.load(), 243);
}

TEST(WorkerPool, WhatATaskThrowsReachesTheThreadThatAsks) {
    for (unsigned workers : {0u, 1u}) {
        WorkerPool pool(workers);
        auto task = pool.submit([] { throw std::runtime_error("no memory"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(workers ? 20 : 0)); // a worker takes it
        EXPECT_THROW(pool.finish(task), std::runtime_error) << workers;
        std::atomic<bool> ran{false};
        pool.finish(pool.submit([&] { ran = true; }));
        EXPECT_TRUE(ran.load()) << "the pool goes on after a task threw";
    }
}

// A caller whose tasks use its locals must not leave before every one has run, even when an
// early one threw: finishAll waits for all of them, then throws the first error.
TEST(WorkerPool, FinishingAllWaitsForEveryTaskAfterOneThrew) {
    for (unsigned workers : {0u, 1u, 2u}) {
        WorkerPool pool(workers);
        std::vector<std::atomic<int>> runs(64);
        std::vector<WorkerPool::TaskHandle> tasks;
        tasks.push_back(pool.submit([] { throw std::runtime_error("first"); }));
        tasks.push_back(pool.submit([] { throw std::logic_error("second"); }));
        for (std::size_t i = 0; i < runs.size(); ++i)
            tasks.push_back(pool.submit([&runs, i] {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                ++runs[i];
            }));
        EXPECT_THROW(pool.finishAll(tasks), std::runtime_error) << workers;
        for (std::size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i].load(), 1) << workers << " workers, task " << i;
    }
}

// The build may stop with subtrees still waiting: closing, the pool never runs them, and lets go
// of what their work holds.
TEST(WorkerPool, ClosingDropsWaitingTasksAndWhatTheyHold) {
    auto held = std::make_shared<int>(7);
    std::weak_ptr<int> watch = held;
    std::atomic<bool> release{false}, ran{false};
    std::thread releaser;
    {
        WorkerPool pool(1);
        pool.submit([&] {
            while (!release) std::this_thread::yield();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the worker is busy
        pool.submit([held, &ran] { ran = true; });
        held.reset();
        // The worker is let go only once the pool has begun to close.
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            release = true;
        });
    }
    releaser.join();
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(watch.expired());
}

// A subtree built ahead holds its task and its task holds it. One handed over by a task that was
// still running when the pool began to close must be let go of too, or both leak.
TEST(WorkerPool, WorkHandedOverWhileClosingIsLetGoOf) {
    struct Holder {
        WorkerPool::TaskHandle task;
    };
    std::weak_ptr<Holder> watch;
    {
        WorkerPool pool(1);
        pool.submit([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the pool is closing by now
            auto holder = std::make_shared<Holder>();
            holder->task = pool.submit([holder] { (void)holder; });
            watch = holder;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // the worker has begun it
    }
    EXPECT_TRUE(watch.expired());
}

} // namespace
} // namespace norvane
