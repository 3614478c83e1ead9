// The writers of the output document, one per format. Each writes the whole
// document into an output sink as it goes (or gives its text); none fails or
// throws on what the document holds. A program chooses among them by format (npar-report by its table of
// formats in app/OutputFormats.cpp).
#pragma once

#include <memory>
#include <string>

#include "OutputDocument.h"
#include "OutputSink.h"

namespace npar {

// The document in the JSON form "npar-output/1". Invalid UTF-8 in any text is
// replaced by U+FFFD.
void WriteJson(const OutputDocument& document, OutputSink& out);
std::string WriteJson(const OutputDocument& document);
// The document as plain text: headings as an outline, errors marked.
void WriteText(const OutputDocument& document, OutputSink& out);
std::string WriteText(const OutputDocument& document);

// A writer that writes the document while the procedure makes it: Item takes
// each top-level item as the document hands it over
// (OutputDocument::StreamFinishedItems), End the finished document. The bytes
// are those its whole-document writer writes.
//
// An item a stream has written and keeps nothing of is freed on the thread
// that made it, the procedure's: memory freed by the thread that allocated
// it is at once its to reuse, where memory freed by another thread waits on
// its pages until the allocator collects it, and the procedure, allocating
// the next items meanwhile, runs slower (on two threads, by some 7% for json
// --no-charts of the scaled document, 5% for text). So Item gives the item
// back when it is done with it (the caller drops it, on its own thread), and
// a stream that writes on a worker thread frees the items its worker is done
// with in a later Item or in End, on the caller's thread.
class DocumentStream {
public:
    virtual ~DocumentStream() = default;
    // Once, before the first item: what the document says before its items
    // (its source) is known by then.
    virtual void Begin(const OutputDocument& /*document*/) {}
    // The item, when this stream is done with it; null otherwise.
    virtual std::unique_ptr<OutputItem> Item(std::unique_ptr<OutputItem> item) = 0;
    virtual void End(const OutputDocument& document) = 0;
};
// The text form (WriteText's) written as a stream.
std::unique_ptr<DocumentStream> TextStream(OutputSink& out);
// The JSON form (WriteJson's) written as a stream: each item is written on a
// worker thread while the procedure goes on, into memory, since the head of
// the document says whether the run went well; End writes it all.
std::unique_ptr<DocumentStream> JsonDocumentStream(OutputSink& out);
// The document as one self-contained HTML page: an outline pane linking to
// every heading, table and chart, then the items. Charts are drawn by the
// chart library read from PathFactory::ResourceDirectory() + "/vendor/" and
// inlined into the page (without it they are shown as their data). Inline CSS
// and the inlined scripts only, no external resource; a
// Content-Security-Policy meta tag allows exactly those scripts by their
// hashes and forbids anything else. Every text is escaped and invalid UTF-8
// replaced by U+FFFD.
void WriteHtml(const OutputDocument& document, OutputSink& out);
std::string WriteHtml(const OutputDocument& document);
// The HTML page written as a stream: each item is written on a worker thread
// while the procedure goes on, into memory, since the page's head (which
// scripts it allows) and its outline come first; End writes it all.
std::unique_ptr<DocumentStream> HtmlDocumentStream(OutputSink& out);

}  // namespace npar
