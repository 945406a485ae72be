#include "batch/batch_run.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace norvane::batch {
namespace {

using Clock = std::chrono::steady_clock;

struct Finished {
    std::size_t index;
    SceneOutcome outcome;
};

// What the workers share, under `mutex`.
struct Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;    // the first scene not yet started
    std::size_t running = 0; // scenes being compiled
    std::size_t workers = 0; // workers still taking scenes
    bool failedOnce = false;
    std::deque<Finished> done; // finished, not yet reported
};

bool stopRequested(const BatchSettings& settings) {
    return settings.build.stopFlag && settings.build.stopFlag->load(std::memory_order_relaxed);
}

void work(const std::vector<BatchScene>& scenes, const BatchSettings& settings, Queue& queue) {
    std::unique_lock lock(queue.mutex);
    for (;;) {
        if (queue.next == scenes.size() || stopRequested(settings) || (settings.failFast && queue.failedOnce)) break;
        const std::size_t index = queue.next++;
        ++queue.running;
        const unsigned threads = planeThreadsFor(
            settings.cores, std::min<std::size_t>(settings.jobs, queue.running + (scenes.size() - queue.next)));
        lock.unlock();
        SceneOutcome outcome = compileOne(scenes[index], settings, threads);
        lock.lock();
        --queue.running;
        if (outcome.status == SceneStatus::Failed) queue.failedOnce = true;
        queue.done.push_back(Finished{index, std::move(outcome)});
        queue.changed.notify_all();
    }
    --queue.workers;
    queue.changed.notify_all();
}

} // namespace

unsigned planeThreadsFor(unsigned cores, std::size_t atOnce) {
    assert(atOnce > 0);
    const std::size_t share = std::max<std::size_t>(cores, 1) / std::max<std::size_t>(atOnce, 1);
    return static_cast<unsigned>(std::clamp<std::size_t>(share, 1, 8));
}

BatchSummary runBatch(const std::vector<BatchScene>& scenes, const BatchSettings& settings, BatchObserver& observer) {
    assert(settings.jobs > 0);
    const Clock::time_point start = Clock::now();
    BatchSummary summary;
    BatchProgress& progress = summary.progress;
    progress.total = scenes.size();

    Queue queue;
    const std::size_t workerCount = std::min<std::size_t>(settings.jobs, scenes.size());
    queue.workers = workerCount;
    std::vector<std::thread> workers;
    workers.reserve(workerCount);
    for (std::size_t i = 0; i < workerCount; ++i)
        workers.emplace_back(work, std::cref(scenes), std::cref(settings), std::ref(queue));

    // Reports on this thread only, so the observer needs no lock of its own.
    observer.tick(progress);
    std::unique_lock lock(queue.mutex);
    for (;;) {
        queue.changed.wait_for(lock, std::chrono::milliseconds(200),
                               [&] { return !queue.done.empty() || queue.workers == 0; });
        std::deque<Finished> done;
        done.swap(queue.done);
        progress.running = queue.running;
        const bool over = queue.workers == 0;
        lock.unlock();
        for (Finished& f : done) {
            progress.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (f.outcome.status == SceneStatus::Stopped) continue; // interrupted: nothing to report
            (f.outcome.status == SceneStatus::Compiled ? progress.compiled : progress.failed) += 1;
            observer.finished(scenes[f.index], f.outcome, progress);
        }
        progress.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (over) break;
        observer.tick(progress);
        lock.lock();
    }
    for (std::thread& worker : workers) worker.join();

    summary.stopped = stopRequested(settings);
    if (!summary.stopped) {
        // Under --fail-fast the scenes never started are reported as skipped.
        for (std::size_t i = queue.next; i < scenes.size(); ++i) {
            SceneOutcome skipped;
            skipped.status = SceneStatus::Skipped;
            skipped.error = skippedAfterFailure;
            ++progress.skipped;
            observer.finished(scenes[i], skipped, progress);
        }
    }
    return summary;
}

} // namespace norvane::batch
