// The writers of the output document, one per format. Each writes the whole
// document into an output sink as it goes (or gives its text); none fails or
// throws on what the document holds. A program chooses among them by format (npar-report by its table of
// formats in app/OutputFormats.cpp).
#pragma once

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

}  // namespace npar
