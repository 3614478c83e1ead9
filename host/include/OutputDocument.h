// The output document: what one run of a procedure produced, as a tree under
// the procedure's root. Items are headings (with children), tables, charts,
// texts and errors, in the order they were made. The writers (OutputWriters.h) give it
// as JSON, text or HTML.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "OutputChart.h"
#include "OutputTable.h"

namespace npar {

struct OutputItem {
    enum class Kind { Heading, Table, Chart, Text, Error };

    explicit OutputItem(Kind itemKind, std::string itemText = {})
        : kind(itemKind), text(std::move(itemText)) {}

    Kind kind;
    std::string text;  // final display text of a heading, a text or an error
    // What a text is for, so that a reader can find it ("results": the
    // results line of a test, ready to paste into a paper).
    std::string role;
    std::vector<std::unique_ptr<OutputItem>> children;  // a heading's items
    std::unique_ptr<TableModel> table;                  // a table's content
    std::unique_ptr<ChartModel> chart;                  // a chart's content
    // A heading's: where the tables made under it keep their nodes and cells,
    // in blocks they share (a table holds the store too, so it goes with the
    // last of them).
    std::shared_ptr<TableStore> tableStore;

    OutputItem& Append(std::unique_ptr<OutputItem> item);
};

// Translated texts: one entry a line, key TAB text; "#" starts a comment line.
// A key without an entry renders as itself.
class Catalogue {
public:
    Catalogue() = default;
    // Reads a catalogue file; false when it cannot be opened.
    bool Load(const std::string& path);
    void Add(const std::string& key, const std::string& text) { fTexts[key] = text; }
    const std::string& Translate(const std::string& key) const;
    size_t Size() const { return fTexts.size(); }

private:
    // Hashed: every translated cell text is looked up, most of them in tables.
    std::unordered_map<std::string, std::string> fTexts;
};

class OutputDocument {
public:
    OutputDocument();

    OutputItem& Root() { return *fRoot; }
    const OutputItem& Root() const { return *fRoot; }

    // Streaming: a writer that can write the document item by item is handed
    // each top-level item as soon as nothing can add to it any more, in order,
    // and owns it from then on (it writes it, now or on another thread, and
    // frees it), so that a run of thousands of tests never holds its whole
    // output. Without a handler the document keeps every item for a writer
    // of the whole document.
    using FinishedItemHandler = std::function<void(std::unique_ptr<OutputItem> item)>;
    void StreamFinishedItems(FinishedItemHandler handler) { fHandler = std::move(handler); }
    bool Streams() const { return static_cast<bool>(fHandler); }
    // Hands the top-level items from the first not yet handed over to the
    // handler, up to the first that isHeld says something may still add to.
    void HandOverFinished(const std::function<bool(const OutputItem&)>& isHeld);
    // Hands every remaining top-level item over and ends the stream: the run
    // is over, and the document is left without items and without handler.
    void HandOverAll();

    // What the procedure's split loop returned.
    bool ok = true;
    // What the report was made from, in a line for its reader ("Data:
    // study.csv, 120 cases"); the text and HTML forms begin with it, the JSON
    // form, whose fields are fixed, leaves it out. Empty when not known.
    std::string source;
    // What the run noted of its input before the procedure began (cases left
    // out of every split, a test's caveat), for the report's reader as much
    // as for the terminal: the text and HTML forms list them under the source
    // line, each as "Note: ..."; the JSON form leaves them out with it.
    std::vector<std::string> notes;
    // The name of what the report was made from (the data file's, the
    // manifest's or the first result document's), which the HTML report's
    // page title leads with so that reports open side by side tell apart.
    std::string name;
    // The program and release that made the report ("npar-report 0.1.0"),
    // which the HTML form names in its head; empty when not known.
    std::string generator;
    // Whether charts keep their document's XML: a writer that only lists a
    // chart's data (text) does not need it, and a run of thousands of charts
    // then neither writes nor holds it.
    bool keepChartDocuments = true;

private:
    std::unique_ptr<OutputItem> fRoot;
    FinishedItemHandler fHandler;
    size_t fHandedOver = 0;  // top-level items handed over (their places stay, empty)
};

}  // namespace npar
