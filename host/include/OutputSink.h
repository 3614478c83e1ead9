// Where a writer puts its text: a buffer handed on to a consumer (a file, a
// stream) each time it fills, so that no writer holds the whole output, or,
// for callers that want the text itself, one growing string.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace npar {

class OutputSink {
public:
    // Takes a chunk of text; false when it could not be written.
    using Consumer = std::function<bool(const char* data, size_t size)>;

    // Keeps everything written in text.
    explicit OutputSink(std::string& text);
    // Hands the buffered text to consumer whenever capacity bytes are held
    // and on Flush. After the consumer has failed, text is dropped.
    explicit OutputSink(Consumer consumer, size_t capacity = 64 * 1024);
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    // Inline: writers append a few bytes at a time.
    void Append(const char* data, size_t size) {
        if (fFailed) return;
        fBuffer->append(data, size);
        if (fConsumer && fBuffer->size() >= fCapacity) Flush();
    }
    OutputSink& operator+=(std::string_view text) {
        Append(text.data(), text.size());
        return *this;
    }
    OutputSink& operator+=(const std::string& text) {
        Append(text.data(), text.size());
        return *this;
    }
    OutputSink& operator+=(const char* text) { return *this += std::string_view(text); }
    OutputSink& operator+=(char c) {
        Append(&c, 1);
        return *this;
    }

    // Bytes written so far.
    size_t Size() const { return fHandedOn + fBuffer->size(); }
    // Whether the text written so far ends with suffix (of at most 8 bytes).
    bool EndsWith(std::string_view suffix) const;

    // Hands on what is buffered; false when the consumer has failed, now or before.
    bool Flush();

private:
    std::string fOwnBuffer;
    std::string* fBuffer;
    Consumer fConsumer;
    size_t fCapacity = 0;
    size_t fHandedOn = 0;
    std::string fTail;  // the last bytes handed on
    bool fFailed = false;
};

// The whole text write puts into a sink.
std::string WrittenText(const std::function<void(OutputSink& out)>& write);

}  // namespace npar
