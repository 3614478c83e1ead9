// Writing the output document while the procedure makes it: a top-level item
// is handed to the streaming writer only once no live heading or table object
// can add to it, items keep their order, and the streamed text, JSON and HTML
// are what the whole-document writers give.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "BpOutput.h"
#include "OutputDocument.h"
#include "OutputTable.h"
#include "OutputWriters.h"
#include "ThreadSetting.h"

namespace {

BpString Label(const std::string& text) { return BpString(text, false); }

// A small table with one cell, made through the pivot-table service.
void FillTable(BpPivotTable& table, const std::string& cell) {
    BpDimension* rows = table.Dimension(Label("Row"), 2);
    rows->Position(BpDimension::Row, 1, true, false);
    rows->Category(Label("r"))->Cell(Label(cell));
}

// An output made the way the plug-in makes one: headings held open while
// their items are added, a table at the top level, text and an error
// between them. check runs at the marked points with what was handed over.
void MakeOutput(BpProcedure& procedure, const std::function<void(const char* point)>& check) {
    {
        std::unique_ptr<BpPivotTable> summary(procedure.PivotTable(Label("Summary"), Label("S"), false));
        FillTable(*summary, "first");
        check("summary open");
    }
    check("summary closed");
    std::unique_ptr<BpHeading> test(procedure.Heading(Label("Test 1")));
    {
        std::unique_ptr<BpHeading> field(test->Heading(Label("Field")));
        std::unique_ptr<BpPivotTable> table(field->PivotTable(Label("Statistics"), Label("T"), false));
        FillTable(*table, "second");
        BpError(Label("a warning inside the open heading"), 0, 1);
    }
    check("inner heading closed");
    // Added at the top level while the test's heading is still open: it must
    // wait behind the heading to keep its place.
    procedure.Text(Label("A paragraph after the test"), "note");
    check("paragraph added");
    test.reset();
    check("test closed");
    BpError(Label("an error at the top"), 0, 2);
    check("error added");
}

}  // namespace

TEST(OutputStream, ItemsAreHandedOverOnceFinishedAndInOrder) {
    npar::OutputDocument document;
    npar::Catalogue catalogue;
    std::vector<std::string> handed;
    document.StreamFinishedItems(
        [&](std::unique_ptr<npar::OutputItem> item) { handed.push_back(item->text); });
    BpProcedure procedure(document, catalogue);

    std::map<std::string, std::vector<std::string>> seen;
    size_t keptAtEnd = 0;  // items still held when the last one was added
    MakeOutput(procedure, [&](const char* point) {
        seen[point] = handed;
        keptAtEnd = 0;
        for (const auto& place : document.Root().children) keptAtEnd += place != nullptr;
    });
    document.HandOverAll();

    using Texts = std::vector<std::string>;
    EXPECT_EQ(seen["summary open"], Texts{}) << "a table is filled while its object lives";
    EXPECT_EQ(seen["summary closed"], Texts{"Summary"});
    EXPECT_EQ(seen["inner heading closed"], Texts{"Summary"}) << "the test's heading is still open";
    EXPECT_EQ(seen["paragraph added"], Texts{"Summary"});
    EXPECT_EQ(seen["test closed"], (Texts{"Summary", "Test 1", "A paragraph after the test"}));
    EXPECT_EQ(seen["error added"],
              (Texts{"Summary", "Test 1", "A paragraph after the test", "an error at the top"}));
    EXPECT_EQ(keptAtEnd, 0u) << "an item is freed once written, before the run ends";
    EXPECT_EQ(handed.size(), 4u) << "each item once";
    EXPECT_TRUE(document.Root().children.empty()) << "freed once written";
    EXPECT_FALSE(document.Streams()) << "the stream ends with the run";
}

// The text, JSON and HTML streams against their whole-document writers, for
// a run that went well and one stopped at a split, with one thread (text
// written as it comes, JSON and HTML kept until the end) and several (items
// written on workers).
TEST(OutputStream, StreamedDocumentsAreTheWholeDocumentsText) {
    const auto noCheck = [](const char*) {};
    npar::Catalogue catalogue;
    using Whole = std::string (*)(const npar::OutputDocument&);
    using Stream = std::unique_ptr<npar::DocumentStream> (*)(npar::OutputSink&);
    const std::vector<std::tuple<const char*, Whole, Stream, const char*>> writers = {
        {"text", npar::WriteText, npar::TextStream, "1"},
        {"text", npar::WriteText, npar::TextStream, "2"},
        {"text", npar::WriteText, npar::TextStream, "4"},
        {"json", npar::WriteJson, npar::JsonDocumentStream, "1"},
        {"json", npar::WriteJson, npar::JsonDocumentStream, "2"},
        {"json", npar::WriteJson, npar::JsonDocumentStream, "4"},
        {"html", npar::WriteHtml, npar::HtmlDocumentStream, "1"},
        {"html", npar::WriteHtml, npar::HtmlDocumentStream, "2"},
        {"html", npar::WriteHtml, npar::HtmlDocumentStream, "4"},
    };
    for (const auto& [format, whole, stream, threads] : writers) {
        for (const bool ok : {true, false}) {
            const ThreadSetting setting(threads);
            npar::OutputDocument document;
            {
                BpProcedure procedure(document, catalogue);
                MakeOutput(procedure, noCheck);
            }
            document.ok = ok;  // false: a run stopped at a split
            const std::string expected = whole(document);

            std::string streamed;
            {
                npar::OutputSink sink(streamed);
                npar::OutputDocument streaming;
                std::unique_ptr<npar::DocumentStream> writer = stream(sink);
                streaming.StreamFinishedItems(
                    [&](std::unique_ptr<npar::OutputItem> item) { writer->Item(std::move(item)); });
                {
                    BpProcedure procedure(streaming, catalogue);
                    MakeOutput(procedure, noCheck);
                }
                streaming.HandOverAll();
                streaming.ok = ok;
                writer->End(streaming);
                sink.Flush();
            }
            EXPECT_NE(expected.find("Test 1"), std::string::npos) << expected;
            EXPECT_NE(expected.find("second"), std::string::npos) << expected;
            EXPECT_EQ(streamed, expected) << format << ", " << threads << " threads, ok " << ok;
        }
    }
}

// Every item is freed on the thread that handed it over, also when a worker
// wrote it: the text stream's worker gives each item back, the JSON and HTML
// streams' workers keep it for the next hand-over. (A heading's table store goes with
// its item; its deleter tells which thread freed it.)
TEST(OutputStream, ItemsAreFreedOnTheThreadThatHandedThemOver) {
    using Stream = std::unique_ptr<npar::DocumentStream> (*)(npar::OutputSink&);
    for (const auto& [format, stream] :
         std::vector<std::pair<const char*, Stream>>{{"text", npar::TextStream},
                                                     {"json", npar::JsonDocumentStream},
                                                     {"html", npar::HtmlDocumentStream}}) {
        const ThreadSetting setting("2");
        std::mutex mutex;
        std::vector<std::thread::id> freedOn;
        std::string written;
        {
            npar::OutputSink sink(written);
            std::unique_ptr<npar::DocumentStream> writer = stream(sink);
            npar::OutputDocument document;
            for (int i = 0; i < 200; ++i) {
                auto item = std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Heading,
                                                               "Heading " + std::to_string(i));
                item->tableStore.reset(new npar::TableStore, [&](npar::TableStore* store) {
                    std::lock_guard<std::mutex> lock(mutex);
                    freedOn.push_back(std::this_thread::get_id());
                    delete store;
                });
                writer->Item(std::move(item));
            }
            writer->End(document);
        }
        EXPECT_NE(written.find("Heading 199"), std::string::npos) << format;
        ASSERT_EQ(freedOn.size(), 200u) << format;
        for (const std::thread::id& id : freedOn)
            ASSERT_EQ(id, std::this_thread::get_id()) << format << ": an item freed by a worker";
    }
}
