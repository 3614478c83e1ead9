// Fuzzes what a user hands the test engine: test specifications and a CSV
// table. The input is the specifications (one a line; a line "decimal=,"
// reads the table with decimal commas and semicolons, a line "--order
// VAR=V1,V2" orders a text variable's values), a line "---", and the CSV
// text. Every input must end in a usage error or in result documents:
// never a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Analysis.h"
#include "engine/CsvReader.h"
#include "engine/TestText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t separator = input.find("\n---\n");
    const std::string_view specs =
        separator == std::string_view::npos ? input : input.substr(0, separator);
    const std::string_view csv =
        separator == std::string_view::npos ? std::string_view() : input.substr(separator + 5);

    npar::engine::AnalysisRequest request;
    size_t start = 0;
    while (start <= specs.size()) {
        const size_t end = specs.find('\n', start);
        const std::string line(
            specs.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (line == "decimal=,") {
            request.decimal = ',';
        } else if (line.rfind("--order ", 0) == 0) {
            request.categoryOrders.push_back(line.substr(8));
        } else if (!line.empty()) {
            try {
                npar::engine::ParseTestSpec(line);
                request.tests.push_back(line);
            } catch (const npar::engine::UsageError&) {
            }
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    try {
        npar::engine::CsvOptions options;
        options.delimiter = request.Delimiter();
        options.decimal = request.decimal;
        npar::engine::ReadCsv(csv, options);
    } catch (const npar::engine::CsvError&) {
        return 0;
    }
    if (request.tests.empty()) return 0;
    request.dataText = std::string(csv);
    try {
        const auto analysis = npar::engine::PrepareAnalysis(request);
        for (size_t i = 0; i < analysis->SplitCount() && i < 8; ++i) analysis->ComputeDocument(i);
    } catch (const npar::engine::UsageError&) {
    }
    return 0;
}
