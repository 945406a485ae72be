// A few threads kept for the whole build that run the tasks handed to them: the build hands them
// a large node's candidates and the subtrees of back children, which costs a wake-up instead of
// a thread start per node.
//
// A task runs exactly once, on a worker or on the thread that asks for its result first. A
// thread waiting for a task that no worker has begun runs it itself; one waiting for a task
// under way runs others meanwhile (unless it is already deep in nested tasks). So no task waits
// on another that nobody will run, and no hand stays idle while there is work.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace norvane {

class WorkerPool {
  public:
    struct Task {
        enum State { Pending, Running, Done };
        std::function<void()> work;
        std::atomic<int> state{Pending};
        std::exception_ptr error; // what the work threw, thrown again to the thread that asks for it
    };
    using TaskHandle = std::shared_ptr<Task>;

    // Starts up to `workers` threads; fewer when the system refuses them (tasks then run on the
    // threads that ask for them).
    explicit WorkerPool(unsigned workers);
    // Waits for the tasks running, then drops those no one has begun.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::size_t workers() const { return threads_.size(); }
    // Tasks handed over that no thread has begun.
    std::size_t waiting() const { return pending_.load(std::memory_order_relaxed); }
    // How many tasks this thread is running inside one another (0 outside any task).
    static unsigned nesting();

    TaskHandle submit(std::function<void()> work);
    // Returns once the task has run: here, when no worker has begun it. Throws what it threw.
    void finish(const TaskHandle& task);
    // Finishes every task, even after one has thrown, then throws the first error. A caller
    // whose tasks use its locals calls it on the way out of a throw as well.
    void finishAll(const std::vector<TaskHandle>& tasks);

  private:
    void workerLoop();
    TaskHandle takeLocked(); // the oldest task waiting, which is the largest; the lock is held
    bool claim(Task& task);
    void runClaimed(Task& task);

    std::atomic<std::size_t> queued_{0};  // on the queue, begun by their owners or not
    std::atomic<std::size_t> pending_{0}; // handed over and not begun
    std::atomic<unsigned> sleeping_{0}; // workers asleep
    unsigned helping_ = 0;              // threads waiting for a task that would run others
    mutable std::mutex mutex_;
    std::condition_variable wake_; // a task was handed over, or the pool is closing
    std::condition_variable done_; // a task has run, or one was handed over to a helper
    std::deque<TaskHandle> queue_;
    std::atomic<bool> closing_{false};
    std::vector<std::thread> threads_;
};

} // namespace norvane
