// The output document in its JSON form, "npar-output/1", written item by item
// into the sink as it is made.
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "JsonStream.h"
#include "OutputWriters.h"
#include "WorkAhead.h"
#include "WorkerStream.h"
#include "render/VegaLiteChart.h"
#include "text/Utf8.h"

namespace npar {
namespace {

class PiecesAhead;
void WriteItem(JsonStream& json, const OutputItem& item, PiecesAhead& ahead);

void WriteMarks(JsonStream& json, const NoteList& notes) {
    json.BeginArray();
    for (int note : notes) json.String(FootnoteMark(note));
    json.EndArray();
}

// A cell's label path over the dimensions of one edge, outer dimension first;
// path is room for one category's nodes, kept from cell to cell.
void WriteLabelPath(JsonStream& json, const TableModel& table, const TableCell& cell, bool column,
                    std::vector<const TableNode*>& path) {
    json.BeginArray();
    for (size_t d = 0; d < table.dimensions.size() && d < cell.at.size(); ++d) {
        if (table.dimensions[d]->column != column || !cell.at[d]) continue;
        cell.at[d]->PathNodes(path);
        for (const TableNode* node : path) json.String(node->label);
    }
    json.EndArray();
}

void WriteCell(JsonStream& json, const TableModel& table, const TableCell& cell,
               std::vector<const TableNode*>& path) {
    json.BeginObject();
    json.Key("row");
    WriteLabelPath(json, table, cell, false, path);
    json.Key("column");
    WriteLabelPath(json, table, cell, true, path);
    json.Member("text", cell.text);
    json.Key("value");
    if (cell.value)
        json.Number(*cell.value);
    else
        json.Null();
    json.Key("notes");
    WriteMarks(json, cell.notes);
    json.EndObject();
}

void WriteTable(JsonStream& json, const TableModel& table) {
    json.BeginObject();
    json.Member("type", "table");
    json.Member("title", table.title);
    json.Member("id", table.identifier);
    json.Key("caption");
    if (table.hasCaption)
        json.String(table.caption);
    else
        json.Null();
    json.Key("dimensions");
    json.BeginArray();
    for (const auto& dimension : table.dimensions) {
        json.BeginObject();
        json.Member("title", dimension->title);
        json.Member("place", dimension->column ? "column" : "row");
        json.Member("split", dimension->split);
        json.EndObject();
    }
    json.EndArray();
    json.Key("cells");
    json.BeginArray();
    std::vector<const TableNode*> path;
    for (const TableCell* cell : table.OrderedCells()) WriteCell(json, table, *cell, path);
    json.EndArray();
    json.Key("notes");
    json.BeginArray();
    for (size_t i = 0; i < table.footnotes.size(); ++i) {
        json.BeginObject();
        json.Member("mark", FootnoteMark(static_cast<int>(i)));
        json.Member("text", table.footnotes[i]);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

void WriteDatum(JsonStream& json, const ChartDatum& datum) {
    if (const double* number = std::get_if<double>(&datum))
        json.Number(*number);
    else if (const std::string* text = std::get_if<std::string>(&datum))
        json.String(*text);
    else
        json.Null();
}

// The entries of a list as an object keyed by their sanitized names: a name
// that repeats keeps the place of its first entry and the content of its last.
template <typename Entry>
std::vector<std::pair<std::string, const Entry*>> ByName(const std::vector<Entry>& entries) {
    std::vector<std::pair<std::string, const Entry*>> named;
    for (const Entry& entry : entries) {
        std::string name = SanitizeUtf8(entry.name);
        bool repeated = false;
        for (auto& earlier : named) {
            if (earlier.first == name) {
                earlier.second = &entry;
                repeated = true;
                break;
            }
        }
        if (!repeated) named.emplace_back(std::move(name), &entry);
    }
    return named;
}

// {SOURCE: {VARIABLE: [cell, ...]}}, sources and variables in the order declared.
void WriteChartData(JsonStream& json, const std::vector<ChartDataSource>& sources) {
    json.BeginObject();
    for (const auto& source : ByName(sources)) {
        json.Key(source.first);
        json.BeginObject();
        for (const auto& column : ByName(source.second->columns)) {
            json.Key(column.first);
            json.BeginArray();
            for (const ChartDatum& datum : column.second->cells) WriteDatum(json, datum);
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndObject();
}

void WriteChart(JsonStream& json, const OutputItem& item) {
    static const ChartModel kNoChart;
    const ChartModel& chart = item.chart ? *item.chart : kNoChart;
    json.BeginObject();
    json.Member("type", "chart");
    json.Member("template", chart.templateName);
    json.Member("title", item.chart ? chart.title : item.text);
    json.Member("subtitle", chart.subtitle);
    json.Member("footnote", chart.footnote);
    json.Member("description", chart.description);
    json.Key("data");
    WriteChartData(json, chart.data);
    json.Member("document", chart.document);
    // The chart drawn as a Vega-Lite specification; null when it cannot be drawn.
    json.Key("vegaLite");
    if (item.chart)
        json.Value(render::VegaLiteOrNull(chart));
    else
        json.Null();
    json.EndObject();
}

// Tables and charts: the items that cost the most to write, each written
// without regard to what comes before it.
bool IsPiece(const OutputItem& item) {
    return (item.kind == OutputItem::Kind::Table && item.table) || item.kind == OutputItem::Kind::Chart;
}

void WritePiece(JsonStream& json, const OutputItem& item) {
    if (item.kind == OutputItem::Kind::Chart)
        WriteChart(json, item);
    else
        WriteTable(json, *item.table);
}

// The document's tables and charts in the order they are written, each with
// the number of containers open around it, written ahead on worker threads
// while the items around them are written in order.
class PiecesAhead {
public:
    // None: every piece is written where it stands.
    PiecesAhead() = default;
    // The pieces of the top-level items given, written with threads in all.
    PiecesAhead(const std::vector<const OutputItem*>& items, unsigned threads) {
        if (threads < 2) return;
        for (const OutputItem* item : items) Collect(*item, kItemsDepth);
        if (fPieces.size() < 2) return;
        fAhead = std::make_unique<WorkAhead<std::string>>(
            fPieces.size(), [this](size_t index) { return Written(fPieces[index]); }, threads - 1);
    }

    // Puts the item in place when it was written ahead; false otherwise.
    bool Put(JsonStream& json, const OutputItem& item) {
        if (!fAhead || fTaken >= fPieces.size() || fPieces[fTaken].item != &item ||
            fPieces[fTaken].depth != json.Depth())
            return false;
        json.Written(fAhead->Take(fTaken++));
        return true;
    }

    // Containers open around the top-level items: the document's object and
    // its "items" array; a heading adds its object and its own array.
    static constexpr size_t kItemsDepth = 2;

private:
    struct Piece {
        const OutputItem* item;
        size_t depth;
    };

    // The item's pieces, the item standing inside depth containers.
    void Collect(const OutputItem& item, size_t depth) {
        if (IsPiece(item)) {
            fPieces.push_back({&item, depth});
        } else if (item.kind == OutputItem::Kind::Heading) {
            for (const auto& child : item.children) Collect(*child, depth + 2);
        }
    }

    static std::string Written(const Piece& piece) {
        std::string text;
        OutputSink sink(text);
        {
            JsonStream json(sink, 2, piece.depth);
            WritePiece(json, *piece.item);
        }
        return text;
    }

    std::vector<Piece> fPieces;
    std::unique_ptr<WorkAhead<std::string>> fAhead;
    size_t fTaken = 0;
};

void WriteItems(JsonStream& json, const OutputItem& parent, PiecesAhead& ahead) {
    json.BeginArray();
    for (const auto& child : parent.children) WriteItem(json, *child, ahead);
    json.EndArray();
}

void WriteItem(JsonStream& json, const OutputItem& item, PiecesAhead& ahead) {
    if (IsPiece(item)) {
        if (!ahead.Put(json, item)) WritePiece(json, item);
        return;
    }
    json.BeginObject();
    switch (item.kind) {
        case OutputItem::Kind::Heading:
            json.Member("type", "heading");
            json.Member("text", item.text);
            json.Key("items");
            WriteItems(json, item, ahead);
            break;
        case OutputItem::Kind::Text:
            json.Member("type", "text");
            json.Member("role", item.role);
            json.Member("text", item.text);
            break;
        case OutputItem::Kind::Error:
            json.Member("type", "error");
            json.Member("text", item.text);
            break;
        case OutputItem::Kind::Table:  // without content
            json.Member("type", "table");
            json.Member("title", item.text);
            break;
        case OutputItem::Kind::Chart:
            break;
    }
    json.EndObject();
}

// The document's head, up to its items' array.
void BeginDocument(JsonStream& json, const OutputDocument& document) {
    json.BeginObject();
    json.Member("format", "npar-output/1");
    json.Member("ok", document.ok);
    json.Key("items");
}

void EndDocument(JsonStream& json, OutputSink& out) {
    json.EndObject();
    out += '\n';
}

// A top-level item's text, as it stands in the document's items.
std::string WrittenItem(const OutputItem& item, PiecesAhead& ahead) {
    std::string text;
    OutputSink sink(text);
    {
        JsonStream json(sink, 2, PiecesAhead::kItemsDepth);
        WriteItem(json, item, ahead);
    }
    return text;
}

// The JSON form written while the procedure runs. Each top-level item handed
// over is written into its own text by a worker thread, and freed, while the
// procedure makes the next; the texts wait for the end of the run, when the
// head of the document (which says whether the run went well) is known. At
// the end the items no worker has begun are written with every thread, and
// the document goes to the sink.
class JsonDocumentStreamWriter final : public DocumentStream {
public:
    JsonDocumentStreamWriter(OutputSink& out, unsigned threads)
        : fOut(out), fThreads(threads), fEntries(threads - 1, [](Entry& entry) {
              PiecesAhead alone;
              entry.text = WrittenItem(*entry.item, alone);
          }) {}

    std::unique_ptr<OutputItem> Item(std::unique_ptr<OutputItem> item) override {
        fEntries.Add({std::move(item), std::string()});
        return nullptr;  // the items written since the last one came are freed here
    }

    void End(const OutputDocument& document) override {
        // The workers finish the items they are on. The items written go out
        // first, then the rest, written in place with their tables and
        // charts spread over every thread.
        const size_t written = fEntries.Finish();
        std::deque<Entry>& entries = fEntries.Entries();
        JsonStream json(fOut);
        BeginDocument(json, document);
        json.BeginArray();
        for (size_t i = 0; i < written; ++i) {
            json.Written(entries[i].text);
            std::string().swap(entries[i].text);
        }
        std::vector<const OutputItem*> rest;
        for (size_t i = written; i < entries.size(); ++i) rest.push_back(entries[i].item.get());
        PiecesAhead ahead(rest, fThreads);
        for (size_t i = written; i < entries.size(); ++i) {
            WriteItem(json, *entries[i].item, ahead);
            entries[i].item.reset();  // its pieces are all taken
        }
        json.EndArray();
        EndDocument(json, fOut);
    }

private:
    struct Entry {
        std::unique_ptr<OutputItem> item;  // until written
        std::string text;
    };

    OutputSink& fOut;
    const unsigned fThreads;
    EntriesWrittenAhead<Entry> fEntries;
};

}  // namespace

void WriteJson(const OutputDocument& document, OutputSink& out) {
    std::vector<const OutputItem*> items;
    for (const auto& child : document.Root().children) items.push_back(child.get());
    PiecesAhead ahead(items, WorkThreads());
    JsonStream json(out);
    BeginDocument(json, document);
    WriteItems(json, document.Root(), ahead);
    EndDocument(json, out);
}

std::unique_ptr<DocumentStream> JsonDocumentStream(OutputSink& out) {
    return std::make_unique<JsonDocumentStreamWriter>(out, WorkThreads());
}

std::string WriteJson(const OutputDocument& document) {
    return WrittenText([&document](OutputSink& out) { WriteJson(document, out); });
}

}  // namespace npar
