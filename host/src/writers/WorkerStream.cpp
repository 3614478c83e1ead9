// A document stream whose items are written on a worker thread.
#include "WorkerStream.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "WorkAhead.h"

namespace npar {
namespace {

class WorkerStream final : public DocumentStream {
public:
    WorkerStream(std::unique_ptr<DocumentStream> stream, size_t waiting)
        : fStream(std::move(stream)), fWaiting(waiting < 1 ? 1 : waiting) {
        StartThreads(fWorker, 1, [this] { Work(); });
    }
    ~WorkerStream() override { Stop(); }

    // Before any item is handed over, so on this thread, in order.
    void Begin(const OutputDocument& document) override { fStream->Begin(document); }

    std::unique_ptr<OutputItem> Item(std::unique_ptr<OutputItem> item) override {
        if (fWorker.empty()) return fStream->Item(std::move(item));
        std::vector<std::unique_ptr<OutputItem>> written;
        {
            std::unique_lock<std::mutex> lock(fMutex);
            fChanged.wait(lock, [this] { return fItems.size() < fWaiting; });
            fItems.push_back(std::move(item));
            written.swap(fWritten);
        }
        fChanged.notify_all();
        return nullptr;  // the items the stream has given back are freed here
    }

    void End(const OutputDocument& document) override {
        Stop();
        fWritten.clear();
        if (fFailure) std::rethrow_exception(fFailure);
        fStream->End(document);
    }

private:
    void Work() {
        std::unique_lock<std::mutex> lock(fMutex);
        for (;;) {
            fChanged.wait(lock, [this] { return fStopping || !fItems.empty(); });
            if (fItems.empty()) return;  // stopping, and every item written
            std::unique_ptr<OutputItem> item = std::move(fItems.front());
            fItems.pop_front();
            lock.unlock();
            fChanged.notify_all();  // room for the next item
            std::unique_ptr<OutputItem> done;
            if (!fFailure) {
                try {
                    done = fStream->Item(std::move(item));
                } catch (...) {
                    // (Out of memory, say.) End throws it; later items are dropped.
                    fFailure = std::current_exception();
                }
            }
            lock.lock();
            if (done) HandBack(fWritten, std::move(done));
        }
    }

    // Waits for the items handed over to be written, and for the worker.
    void Stop() { StopThreads(fWorker, fMutex, fChanged, fStopping); }

    std::unique_ptr<DocumentStream> fStream;
    const size_t fWaiting;
    std::mutex fMutex;
    std::condition_variable fChanged;
    std::deque<std::unique_ptr<OutputItem>> fItems;
    std::vector<std::unique_ptr<OutputItem>> fWritten;  // given back, to be freed by Item
    bool fStopping = false;
    std::exception_ptr fFailure;  // set by the worker only; read after it is joined
    std::vector<std::thread> fWorker;
};

}  // namespace

void HandBack(std::vector<std::unique_ptr<OutputItem>>& written, std::unique_ptr<OutputItem> item) {
    try {
        written.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        // (No room to keep it: it is freed here, when item goes.)
    }
}

std::unique_ptr<DocumentStream> OnWorkerThread(std::unique_ptr<DocumentStream> stream, size_t waiting) {
    if (WorkThreads() < 2) return stream;
    return std::make_unique<WorkerStream>(std::move(stream), waiting);
}

}  // namespace npar
