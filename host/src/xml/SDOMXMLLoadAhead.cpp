// Ranges of a text loaded as documents of their own on worker threads.
#include <algorithm>

#include "SDOMXMLWrapper.h"
#include "threads/WorkAhead.h"

namespace {

// Ranges are loaded in batches: one test parses in microseconds, about what
// handing a job from thread to thread costs.
constexpr size_t kBatch = 32;
// Batches loaded but not yet taken, at most.
constexpr size_t kWindow = 4;

using Batch = std::vector<std::unique_ptr<SDOMXMLWrapper>>;

}  // namespace

struct SDOMXMLLoadAhead::Loads {
    Loads(std::string_view text, std::vector<SDOMXMLRange> ranges)
        : fText(text),
          fRanges(std::move(ranges)),
          fAhead((fRanges.size() + kBatch - 1) / kBatch, [this](size_t batch) { return Load(batch); },
                 npar::WorkThreads() - 1, kWindow) {}

    Batch Load(size_t batch) const {
        Batch loaded;
        const size_t first = batch * kBatch;
        for (size_t i = first; i < fRanges.size() && i < first + kBatch; ++i) {
            auto element = std::make_unique<SDOMXMLWrapper>();
            const size_t end = std::min(fRanges[i].end, fText.size());
            const size_t begin = std::min(fRanges[i].begin, end);
            element->LoadFromString(fText.substr(begin, end - begin));
            loaded.push_back(std::move(element));
        }
        return loaded;
    }

    const std::string_view fText;
    const std::vector<SDOMXMLRange> fRanges;
    npar::WorkAhead<Batch> fAhead;  // last: its workers read the above
    Batch fTaken;                   // the batch being taken
};

SDOMXMLLoadAhead::SDOMXMLLoadAhead(std::string_view text, std::vector<SDOMXMLRange> ranges)
    : fLoads(std::make_unique<Loads>(text, std::move(ranges))) {}

SDOMXMLLoadAhead::~SDOMXMLLoadAhead() = default;

size_t SDOMXMLLoadAhead::Count() const { return fLoads->fRanges.size(); }

const SDOMXMLDocument* SDOMXMLLoadAhead::Take(size_t index, SDOMXMLWrapper& element) {
    if (index % kBatch == 0) fLoads->fTaken = fLoads->fAhead.Take(index / kBatch);
    return element.TakeLoaded(*fLoads->fTaken[index % kBatch]);
}
