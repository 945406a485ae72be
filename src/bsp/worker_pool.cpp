#include "bsp/worker_pool.h"

#include <chrono>
#include <system_error>

#include "common/large_heap.h"

namespace norvane {
namespace {

// How long a worker keeps looking for work before it sleeps: long enough to catch the next
// task of a build going down a subtree, which a sleeping worker would wake too late for.
constexpr auto lookingTime = std::chrono::microseconds(300);
// A thread this deep in nested tasks waits without running others, so the call stack stays short.
constexpr unsigned mostNestedHelp = 3;

thread_local unsigned tasksRunningHere = 0;

} // namespace

WorkerPool::WorkerPool(unsigned workers) {
    for (unsigned t = 0; t < workers; ++t) {
        try {
            threads_.emplace_back([this] {
                adviseThreadHeap();
                workerLoop();
            });
        } catch (const std::system_error&) {
            break; // no thread to be had: the tasks run where they are asked for
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    // A task still running may wait for one on the queue, which it then runs itself: only once
    // the workers are gone are the tasks left on the queue certain to be unwanted.
    for (std::thread& t : threads_) t.join();
    // Dropped, they let go of what their work holds (which may hold them).
    for (const TaskHandle& task : queue_)
        if (claim(*task)) {
            task->work = nullptr;
            task->state.store(Task::Done, std::memory_order_release);
        }
}

unsigned WorkerPool::nesting() { return tasksRunningHere; }

WorkerPool::TaskHandle WorkerPool::submit(std::function<void()> work) {
    auto task = std::make_shared<Task>();
    task->work = std::move(work);
    if (threads_.empty()) return task; // runs when asked for
    bool wakeWorker = false, wakeHelpers = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(task);
        queued_.store(queue_.size(), std::memory_order_relaxed);
        pending_.fetch_add(1, std::memory_order_relaxed);
        wakeWorker = sleeping_.load(std::memory_order_relaxed) > 0;
        wakeHelpers = helping_ > 0;
    }
    if (wakeWorker) wake_.notify_one();
    if (wakeHelpers) done_.notify_all();
    return task;
}

WorkerPool::TaskHandle WorkerPool::takeLocked() {
    TaskHandle task = std::move(queue_.front());
    queue_.pop_front();
    queued_.store(queue_.size(), std::memory_order_relaxed);
    return task;
}

bool WorkerPool::claim(Task& task) {
    int pending = Task::Pending;
    if (!task.state.compare_exchange_strong(pending, Task::Running, std::memory_order_acq_rel)) return false;
    if (!threads_.empty()) pending_.fetch_sub(1, std::memory_order_relaxed); // it was on the queue
    return true;
}

void WorkerPool::runClaimed(Task& task) {
    ++tasksRunningHere;
    try {
        task.work();
    } catch (...) {
        task.error = std::current_exception();
    }
    --tasksRunningHere;
    task.work = nullptr;
    {
        // Under the lock, so a waiter cannot miss the notification between its test and its wait.
        const std::lock_guard<std::mutex> lock(mutex_);
        task.state.store(Task::Done, std::memory_order_release);
    }
    done_.notify_all();
}

void WorkerPool::finish(const TaskHandle& task) {
    if (claim(*task)) {
        runClaimed(*task);
        if (task->error) std::rethrow_exception(task->error);
        return;
    }
    const bool mayHelp = tasksRunningHere < mostNestedHelp;
    std::unique_lock<std::mutex> lock(mutex_);
    while (task->state.load(std::memory_order_acquire) != Task::Done) {
        if (mayHelp && !queue_.empty()) {
            const TaskHandle other = takeLocked();
            lock.unlock();
            if (claim(*other)) runClaimed(*other);
            lock.lock();
            continue;
        }
        helping_ += mayHelp;
        done_.wait(lock);
        helping_ -= mayHelp;
    }
    if (task->error) std::rethrow_exception(task->error);
}

void WorkerPool::finishAll(const std::vector<TaskHandle>& tasks) {
    std::exception_ptr first;
    for (const TaskHandle& task : tasks) {
        try {
            finish(task);
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

void WorkerPool::workerLoop() {
    for (;;) {
        const auto lookUntil = std::chrono::steady_clock::now() + lookingTime;
        while (queued_.load(std::memory_order_relaxed) == 0 && !closing_.load(std::memory_order_relaxed) &&
               std::chrono::steady_clock::now() < lookUntil)
            std::this_thread::yield();
        TaskHandle task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ++sleeping_;
            wake_.wait(lock, [&] { return closing_ || !queue_.empty(); });
            --sleeping_;
            if (closing_) return;
            task = takeLocked();
        }
        if (claim(*task)) runClaimed(*task); // unless its owner has run it meanwhile
    }
}

} // namespace norvane
