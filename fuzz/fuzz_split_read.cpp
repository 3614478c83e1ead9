// Feeds arbitrary text to the search for a result document's tests
// (SDOMXMLFindChildren) and, where it finds them, holds it to its promise:
// every test's text parses on its own, the rest of the document parses
// exactly when the whole text does, and the reader, which then reads the
// tests one at a time, gives what it gives for the whole document (read with
// a DOCTYPE in front, which the parser skips and the search refuses): the
// same outcome, cause, reports, error items and records. A broken promise
// aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FuzzSupport.h"
#include "NOPRParseOutXML.h"
#include "NOPRSplitResults.h"
#include "OutputDocument.h"
#include "SDOMXMLWrapper.h"

namespace {

constexpr const char* kTestsPath = "Extension/NPAROutput/NonParametricTests";

struct Reading {
    bool ok = false;
    std::string cause;
    std::vector<std::string> checks;
    std::vector<std::string> errors;
    size_t tests = 0;
    size_t fields = 0;
};

Reading Read(const std::string& text) {
    ProcedureDataSource& dataSource = fuzz::DataSource();
    npar::OutputDocument output;
    npar::Catalogue catalogue;
    Reading reading;
    {
        BpProcedure procedure(output, catalogue);
        CFSplit split(text, {}, {}, false);
        NOPRSplitResults results;
        results.fDataSource = &dataSource;
        results.fSplit = &split;
        NOPRParseOutXML reader(&dataSource, &results, &split.GetResultDocument());
        reading.ok = reader.Parse();
        reading.tests = results.fTests.size();
        reading.fields = results.fFieldInfos.size();
    }
    reading.cause = CFTakeReadFailure();
    reading.checks = CFTakeCheckReports();
    for (const auto& item : output.Root().children) {
        if (item->kind == npar::OutputItem::Kind::Error) reading.errors.push_back(item->text);
    }
    return reading;
}

bool Same(const Reading& a, const Reading& b) {
    return a.ok == b.ok && a.cause == b.cause && a.checks == b.checks && a.errors == b.errors &&
           a.tests == b.tests && a.fields == b.fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<SDOMXMLRange> ranges;
    if (!SDOMXMLFindChildren(text, kTestsPath, "Algorithm", ranges)) return 0;

    for (const SDOMXMLRange& range : ranges) {
        SDOMXMLWrapper test;
        if (range.begin >= range.end || range.end > text.size() ||
            !test.LoadFromString(std::string_view(text).substr(range.begin, range.end - range.begin)))
            std::abort();
    }
    SDOMXMLWrapper whole;
    SDOMXMLWrapper frame;
    if ((whole.LoadFromString(text) != nullptr) !=
        (frame.LoadWithout(text, ranges.front().begin, ranges.back().end) != nullptr))
        std::abort();

    const size_t bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::string wholeText = text;
    wholeText.insert(bom, "<!DOCTYPE StatXML>");
    if (SDOMXMLFindChildren(wholeText, kTestsPath, "Algorithm", ranges)) std::abort();
    if (!Same(Read(text), Read(wholeText))) std::abort();
    return 0;
}
