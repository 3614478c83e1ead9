// A document stream whose items are written on a worker thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "OutputWriters.h"
#include "WorkAhead.h"

namespace npar {

// Keeps an item a worker has written in written, for the thread that handed
// it over to free (see DocumentStream); with no room to keep it, frees it
// here instead. The caller holds the lock that guards written.
void HandBack(std::vector<std::unique_ptr<OutputItem>>& written, std::unique_ptr<OutputItem> item);

// Hands each item to stream on a worker thread, in order, so that the
// procedure goes on making the next item while one is written; End waits for
// the items handed over and then ends stream on the caller's thread. At most
// `waiting` items wait to be written: the procedure waits when the writer is
// that far behind, which bounds the memory they hold. The bytes are stream's
// own. Without a worker (one thread, or none could start) items are written
// as they come.
std::unique_ptr<DocumentStream> OnWorkerThread(std::unique_ptr<DocumentStream> stream,
                                               size_t waiting = 8);

// The top-level items of a stream that writes each into a record of its own
// (its text, say) on worker threads while the procedure goes on, and puts
// the records together at the end. Entry is the stream's record of an item:
// a struct whose member `item` (std::unique_ptr<OutputItem>) holds the item
// until it is written. `write` fills an entry from its item on a worker
// thread; the item then goes back to the procedure's thread, which frees it
// in the next Add (see DocumentStream).
template <typename Entry>
class EntriesWrittenAhead {
public:
    EntriesWrittenAhead(unsigned workers, std::function<void(Entry&)> write) : fWrite(std::move(write)) {
        StartThreads(fWorkers, workers, [this] { Work(); });
    }
    ~EntriesWrittenAhead() { Stop(); }

    // Takes the entry of the next item (on the procedure's thread), and frees
    // the items written since the last one came.
    void Add(Entry entry) {
        std::vector<std::unique_ptr<OutputItem>> written;
        {
            std::lock_guard<std::mutex> lock(fMutex);
            fEntries.push_back(std::move(entry));
            written.swap(fWritten);
        }
        fChanged.notify_one();
    }

    // Lets the workers finish the entries they are on and stops them; throws
    // what a worker's writing threw. Returns the number of entries written:
    // the first ones; those after them still hold their items.
    size_t Finish() {
        Stop();
        if (fFailure) std::rethrow_exception(fFailure);
        fWritten.clear();
        return fNext;
    }

    // Every entry taken, in order (read after Finish).
    std::deque<Entry>& Entries() { return fEntries; }

private:
    void Work() {
        std::unique_lock<std::mutex> lock(fMutex);
        for (;;) {
            fChanged.wait(lock, [this] { return fStopping || fNext < fEntries.size(); });
            if (fStopping) return;
            Entry& entry = fEntries[fNext++];  // a deque's elements stay where they are
            lock.unlock();
            try {
                fWrite(entry);
                std::lock_guard<std::mutex> handing(fMutex);
                HandBack(fWritten, std::move(entry.item));
            } catch (...) {
                // (Out of memory, say.) Finish throws it.
                std::lock_guard<std::mutex> failed(fMutex);
                if (!fFailure) fFailure = std::current_exception();
            }
            lock.lock();
        }
    }

    void Stop() { StopThreads(fWorkers, fMutex, fChanged, fStopping); }

    std::function<void(Entry&)> fWrite;
    std::mutex fMutex;
    std::condition_variable fChanged;
    std::deque<Entry> fEntries;                         // every item handed over, in order
    std::vector<std::unique_ptr<OutputItem>> fWritten;  // written, to be freed by Add
    size_t fNext = 0;                                   // the first entry no thread has begun
    bool fStopping = false;
    std::exception_ptr fFailure;  // what a worker's writing threw
    std::vector<std::thread> fWorkers;
};

}  // namespace npar
