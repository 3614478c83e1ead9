// JSON written as it is made, straight into an output sink, in exactly the
// layout nlohmann::json's dump gives (indented by two spaces, or compact),
// so that no document tree of the whole output is ever built.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "OutputSink.h"
#include "render/JsonValue.h"

namespace npar {

class JsonStream {
public:
    // indent: spaces per level, or -1 for the compact form.
    explicit JsonStream(OutputSink& out, int indent = 2) : fOut(out), fIndent(indent) {}
    // One value as it stands inside depth open containers of another stream,
    // without what separates it from the value before it: that stream puts
    // it in place with Written.
    JsonStream(OutputSink& out, int indent, size_t depth)
        : fOut(out), fIndent(indent), fCounts(depth, 1), fAfterKey(true) {}
    JsonStream(const JsonStream&) = delete;
    JsonStream& operator=(const JsonStream&) = delete;

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the object member whose value comes next.
    void Key(std::string_view name);

    // A text, with bytes that are not valid UTF-8 replaced as SanitizeUtf8
    // replaces them.
    void String(const std::string& text);
    void String(const char* text) { String(std::string(text)); }
    void Number(double value);  // null when not finite
    void Bool(bool value);
    void Null();
    // A whole value of a Vega-Lite specification; its texts' invalid bytes
    // are replaced as nlohmann::json's dump replaces them.
    void Value(const render::Json& value);
    // A value written by a stream made for this place (see above).
    void Written(std::string_view value);
    // Containers open around the next value.
    size_t Depth() const { return fCounts.size(); }

    template <typename T>
    void Member(std::string_view name, const T& value) {
        Key(name);
        Write(value);
    }

private:
    // Bytes on their way to the sink, handed on some kilobytes at a time
    // (a copy into this buffer costs less than a sink's append), and
    // whenever a whole top-level value is written, so that what the caller
    // writes to the sink itself comes after it; the rest when the stream
    // ends.
    class Pending {
    public:
        explicit Pending(OutputSink& sink) : fSink(sink) {}
        Pending(const Pending&) = delete;
        Pending& operator=(const Pending&) = delete;
        ~Pending() { Drain(); }

        void Append(const char* data, size_t size) {
            if (size > sizeof fData - fUsed) {
                Drain();
                if (size > sizeof fData) {
                    fSink.Append(data, size);
                    return;
                }
            }
            // (std::copy: an empty piece may have no data, which memcpy must not be given.)
            std::copy(data, data + size, fData + fUsed);
            fUsed += size;
        }
        Pending& operator+=(std::string_view text) {
            Append(text.data(), text.size());
            return *this;
        }
        // Room for size bytes (at most kCapacity) after what is held, to be
        // written in place and then kept with Commit: pieces made of several
        // parts are put together where they go, not in a copy first.
        char* Room(size_t size) {
            if (size > sizeof fData - fUsed) Drain();
            return fData + fUsed;
        }
        void Commit(size_t size) { fUsed += size; }
        Pending& operator+=(char c) {
            if (fUsed == sizeof fData) Drain();
            fData[fUsed++] = c;
            return *this;
        }
        void Drain() {
            if (fUsed == 0) return;
            fSink.Append(fData, fUsed);
            fUsed = 0;
        }

        static constexpr size_t kCapacity = 8192;

    private:
        OutputSink& fSink;
        size_t fUsed = 0;
        char fData[kCapacity];
    };

    // Hands the buffered bytes on once a top-level value is complete.
    void AfterValue() {
        if (fCounts.empty()) fOut.Drain();
    }
    void Write(const std::string& text) { String(text); }
    void Write(const char* text) { String(text); }
    void Write(double value) { Number(value); }
    void Write(bool value) { Bool(value); }

    // Separates a value from the one before it in its container.
    void BeforeValue();
    template <typename T>
    void WholeNumber(T value);
    void Begin(char bracket);
    void End(char bracket);
    void Indent(size_t depth);
    // text, valid UTF-8, quoted and escaped, then after as it is.
    void WriteQuoted(std::string_view text, std::string_view after = {});
    // A text as a value: quoted as it is when it is plain ASCII (the common
    // case, found in one pass), else checked for UTF-8 and escaped. False,
    // and nothing written, when it is not valid UTF-8.
    bool WriteText(const std::string& text);
    // A comma when comma, then a line break and the indentation of depth levels.
    void Break(bool comma, size_t depth);

    Pending fOut;
    int fIndent;
    std::vector<size_t> fCounts;  // values written so far in each open container
    bool fAfterKey = false;
};

}  // namespace npar
