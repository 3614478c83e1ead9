// The results of a list of jobs, made ahead on worker threads and taken in
// order by one consumer. A writer uses it for the parts of its output that
// cost the most and depend on nothing written before them (a table's JSON, a
// chart's specification), and a reader for the parts of a document it reads
// apart (a split's tests): while the consumer uses one, the workers make the
// next.
// The consumer runs jobs too: the one it needs when no worker has begun it,
// and the ones after it while a worker is still on it, so that it waits only
// when every job within reach is running.
//
// At most `window` results are made but not yet taken, which bounds the
// memory they hold. A job that throws throws again when its result is taken.
// The results do not depend on the number of threads: with none, each job
// runs when it is taken.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace npar {

// Starts up to count threads running work into threads; fewer when the
// system refuses more (the work is then done by fewer hands, not lost).
template <typename Work>
void StartThreads(std::vector<std::thread>& threads, unsigned count, Work work) {
    for (unsigned i = 0; i < count; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            return;
        }
    }
}

// Tells threads to stop (stopping set under mutex, every waiter on changed
// woken), waits for them, and leaves threads empty.
inline void StopThreads(std::vector<std::thread>& threads, std::mutex& mutex,
                        std::condition_variable& changed, bool& stopping) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) thread.join();
    threads.clear();
}

template <typename Result>
class WorkAhead {
public:
    using Job = std::function<Result(size_t index)>;

    // Jobs 0 .. count-1, run by job(index) on up to `workers` threads besides
    // the consumer's.
    WorkAhead(size_t count, Job job, unsigned workers, size_t window = 64)
        : fJob(std::move(job)), fSlots(count), fWindow(window < 1 ? 1 : window) {
        if (count < 2) workers = 0;  // nothing to make ahead
        StartThreads(fWorkers, workers, [this] { Work(); });
    }
    WorkAhead(const WorkAhead&) = delete;
    WorkAhead& operator=(const WorkAhead&) = delete;

    // Stops the workers (a job that runs is finished first) and drops the
    // results not taken.
    ~WorkAhead() { StopThreads(fWorkers, fMutex, fChanged, fStopping); }

    size_t Count() const { return fSlots.size(); }

    // The result of job index, which must be the one after the last taken.
    // While a worker runs it, the consumer runs the next jobs nobody has
    // begun rather than wait.
    Result Take(size_t index) {
        std::unique_lock<std::mutex> lock(fMutex);
        Slot& slot = fSlots[index];
        while (slot.state != State::Done) {
            if (fNext < fSlots.size() && fNext < index + fWindow) {
                Slot& next = fSlots[fNext++];
                next.state = State::Running;
                lock.unlock();
                Finish(next);
                lock.lock();
            } else {
                fChanged.wait(lock);
            }
        }
        fTaken = index + 1;
        std::optional<Result> result = std::move(slot.result);
        std::exception_ptr failure = slot.failure;
        slot.result.reset();
        lock.unlock();
        fChanged.notify_all();  // the window has moved on
        if (failure) std::rethrow_exception(failure);
        return std::move(*result);
    }

private:
    enum class State { Waiting, Running, Done };
    struct Slot {
        State state = State::Waiting;
        std::optional<Result> result;
        std::exception_ptr failure;
    };

    // Runs the slot's job outside the lock and keeps what it gave.
    void Finish(Slot& slot) {
        const size_t index = static_cast<size_t>(&slot - fSlots.data());
        std::optional<Result> result;
        std::exception_ptr failure;
        try {
            result.emplace(fJob(index));
        } catch (...) {
            failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(fMutex);
            slot.result = std::move(result);
            slot.failure = failure;
            slot.state = State::Done;
        }
        fChanged.notify_all();
    }

    void Work() {
        std::unique_lock<std::mutex> lock(fMutex);
        for (;;) {
            // Wait for a job that nobody has begun, within the window.
            fChanged.wait(lock, [this] {
                return fStopping || fNext >= fSlots.size() || fNext < fTaken + fWindow;
            });
            if (fStopping || fNext >= fSlots.size()) return;
            Slot& slot = fSlots[fNext++];
            slot.state = State::Running;
            lock.unlock();
            Finish(slot);
            lock.lock();
        }
    }

    Job fJob;
    std::vector<Slot> fSlots;
    const size_t fWindow;
    std::mutex fMutex;
    std::condition_variable fChanged;
    size_t fNext = 0;   // the first job nobody has begun
    size_t fTaken = 0;  // jobs taken by the consumer
    bool fStopping = false;
    std::vector<std::thread> fWorkers;
};

// How many threads work ahead uses (the writers' and the reader's), the
// consumer's included: NPAR_THREADS when it is set to a number from 1 to 64,
// else the machine's cores (at most 8: beyond that the consumer itself is the
// bottleneck).
unsigned WorkThreads();

}  // namespace npar
