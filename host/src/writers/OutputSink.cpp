// The writers' output buffer.
#include "OutputSink.h"

namespace npar {
namespace {

constexpr size_t kTailSize = 8;  // bytes kept of what was handed on, for EndsWith

}  // namespace

OutputSink::OutputSink(std::string& text) : fBuffer(&text) {}

OutputSink::OutputSink(Consumer consumer, size_t capacity)
    : fBuffer(&fOwnBuffer), fConsumer(std::move(consumer)), fCapacity(capacity) {
    fOwnBuffer.reserve(capacity);
}

bool OutputSink::EndsWith(std::string_view suffix) const {
    if (fBuffer->size() >= suffix.size())
        return std::string_view(*fBuffer).substr(fBuffer->size() - suffix.size()) == suffix;
    const std::string last = fTail + *fBuffer;
    return last.size() >= suffix.size() &&
           std::string_view(last).substr(last.size() - suffix.size()) == suffix;
}

bool OutputSink::Flush() {
    if (!fConsumer || fFailed) return !fFailed;
    if (!fBuffer->empty() && !fConsumer(fBuffer->data(), fBuffer->size())) fFailed = true;
    fHandedOn += fBuffer->size();
    fTail += fBuffer->substr(fBuffer->size() > kTailSize ? fBuffer->size() - kTailSize : 0);
    if (fTail.size() > kTailSize) fTail.erase(0, fTail.size() - kTailSize);
    fBuffer->clear();
    return !fFailed;
}

std::string WrittenText(const std::function<void(OutputSink& out)>& write) {
    std::string text;
    OutputSink out(text);
    write(out);
    return text;
}

}  // namespace npar
