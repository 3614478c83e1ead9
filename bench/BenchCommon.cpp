#include "BenchCommon.h"

#include <pugixml.hpp>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FacSTDictionary.h"
#include "LargeDocument.h"
#include "NOPRProcCustom.h"
#include "OutputWriters.h"
#include "QUOR_DataSource.h"

namespace npar_bench {

const std::string& ScaledDocument() {
    static const std::string document = MakeLargeDocument(kTestsPerType, kFields);
    return document;
}

ProcedureDataSource& ScaledDataSource() {
    static ProcedureDataSource* dataSource = [] {
        auto* made = new ProcedureDataSource();
        for (int i = 0; i <= kFields; ++i) {
            QUOR_Variable variable("field" + std::to_string(i), "Field " + std::to_string(i), 0,
                                   QUOR_Format(QUOR_Format::F, 8, i % 2 ? 0 : 2));
            if (i % 2)
                for (int v = 1; v <= 5; ++v)
                    variable.ValueLabels().Add(OBS(double(v)), "Level " + std::to_string(v));
            made->AddVariable(variable);
        }
        return made;
    }();
    return *dataSource;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double TimeParse(const std::string& text, unsigned options) {
    const auto start = Clock::now();
    pugi::xml_document dom;
    dom.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    return Seconds(start, Clock::now());
}

double TimeParse(const std::string& text) { return TimeParse(text, pugi::parse_default); }

bool RunPlugin(npar::OutputDocument& output) {
    static const npar::Catalogue* catalogue = [] {
        auto* loaded = new npar::Catalogue();
        loaded->Load(std::string(NPAR_SOURCE_DIR) + "/resources/catalogue/en.txt");
        PathFactory::SetResourceDirectory(std::string(NPAR_SOURCE_DIR) + "/resources");
        return loaded;
    }();
    BpProcedure procedure(output, *catalogue);
    procedure.SetDataSource(&ScaledDataSource());
    NOPRProcCustom plugin(&procedure, &ScaledDataSource());
    CFSplit split(ScaledDocument(), {}, {}, false);
    std::vector<CFSplit*> splits{&split};
    std::vector<std::string> pmml;
    const bool ok = plugin.ProcessSplits(pmml, splits, nullptr);
    CFTakeCheckReports();
    return ok;
}

namespace {

// The bytes write puts into a sink that only counts them.
template <typename Write>
size_t CountedBytes(Write write) {
    size_t bytes = 0;
    npar::OutputSink sink([&bytes](const char*, size_t size) {
        bytes += size;
        return true;
    });
    write(sink);
    sink.Flush();
    return bytes;
}

}  // namespace

size_t StreamJsonCounting() {
    bool ok = false;
    const size_t bytes = CountedBytes([&ok](npar::OutputSink& sink) {
        npar::OutputDocument output;
        std::unique_ptr<npar::DocumentStream> stream = npar::JsonDocumentStream(sink);
        output.StreamFinishedItems(
            [&stream](std::unique_ptr<npar::OutputItem> item) { stream->Item(std::move(item)); });
        ok = RunPlugin(output);
        output.HandOverAll();
        if (ok) stream->End(output);
    });
    return ok ? bytes : 0;
}

size_t WriteJsonCounting(const npar::OutputDocument& output) {
    return CountedBytes([&output](npar::OutputSink& sink) { npar::WriteJson(output, sink); });
}

}  // namespace npar_bench
