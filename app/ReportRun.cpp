// The run of npar-report.
#include "ReportRun.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "DictionaryVariables.h"
#include "FacSTDictionary.h"
#include "OutputFile.h"
#include "OutputFormats.h"
#include "PluginLoader.h"
#include "RunManifest.h"
#include "SplitDiagnosis.h"
#include "engine/Analysis.h"

namespace report {
namespace {

constexpr const char* kPrefix = "npar-report: ";
constexpr const char* kPluginName = "libnonpar.so";

// ", 120 cases", ", 1 case": a count as the source line gives it.
std::string Counted(size_t count, const std::string& what) {
    return ", " + std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

bool ReadFile(const std::string& path, std::string& text, std::string& error) {
    struct stat status;
    const bool known = stat(path.c_str(), &status) == 0;
    if (known && S_ISDIR(status.st_mode)) {
        error = "cannot open " + path + ": " + std::strerror(EISDIR);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    // A regular file is read straight into a text of its size; whatever
    // follows (a file that grew, a pipe or device of no known size) in chunks.
    std::string content;
    if (known && S_ISREG(status.st_mode) && status.st_size > 0) {
        content.resize(static_cast<size_t>(status.st_size));
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<size_t>(in.gcount()));
    }
    char chunk[64 * 1024];
    while (!in.bad() && (in.read(chunk, sizeof chunk), in.gcount() > 0))
        content.append(chunk, static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    text = std::move(content);
    return true;
}

bool WriteFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out << text;
    if (!out) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Makes folder and its missing parents; an existing folder is fine.
bool MakeFolder(const std::string& folder, std::string& error) {
    std::string path;
    size_t start = 0;
    while (start <= folder.size()) {
        const size_t slash = folder.find('/', start);
        path = folder.substr(0, slash == std::string::npos ? folder.size() : slash);
        start = slash == std::string::npos ? folder.size() + 1 : slash + 1;
        if (path.empty()) continue;
        struct stat status;
        if (stat(path.c_str(), &status) == 0) {
            if (!S_ISDIR(status.st_mode)) {
                error = "cannot make folder " + folder + ": " + path + " is a file";
                return false;
            }
            continue;
        }
        if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot make folder " + folder + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

// A number of the command line, read in full in the C locale.
bool ReadOptionNumber(const std::string& name, const std::string& text, double& value,
                      std::string& error) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    value = std::strtod(begin, &end);
    if (text.empty() || end != begin + text.size() || errno == ERANGE ||
        text.find_first_of("nN") != std::string::npos) {
        error = "option " + name + " needs a number, not \"" + text + "\"";
        return false;
    }
    return true;
}

// The command line's test options over those of an analysis file.
bool ApplyTestOptions(const ReportOptions& options, npar::engine::AnalysisRequest& request,
                      std::string& error) {
    for (const std::string& name : options.splitBy) request.splitBy.push_back(name);
    for (const std::string& text : options.missingTexts) request.missingTexts.push_back(text);
    for (const std::string& text : options.categoryOrders) request.categoryOrders.push_back(text);
    if (!options.dictionaryPath.empty()) {
        request.dictionaryPath = options.dictionaryPath;
        request.dictionaryJson.clear();
    }
    if (!options.alpha.empty() && !ReadOptionNumber("--alpha", options.alpha, request.alpha, error))
        return false;
    if (!options.confidence.empty() &&
        !ReadOptionNumber("--confidence", options.confidence, request.confidencePercent, error))
        return false;
    if (!options.missing.empty()) {
        if (options.missing == "listwise")
            request.missing = npar::engine::MissingMode::Listwise;
        else if (options.missing == "test-by-test")
            request.missing = npar::engine::MissingMode::TestByTest;
        else {
            error = "option --missing takes test-by-test or listwise, not \"" + options.missing + "\"";
            return false;
        }
    }
    if (!options.delimiter.empty()) {
        const std::string& d = options.delimiter;
        if (d == "tab" || d == "\t")
            request.delimiter = '\t';
        else if (d == "," || d == ";")
            request.delimiter = d[0];
        else {
            error = "option --delimiter takes \",\", \";\" or tab, not \"" + d + "\"";
            return false;
        }
    }
    if (!options.decimal.empty()) {
        if (options.decimal != "." && options.decimal != ",") {
            error = "option --decimal takes \".\" or \",\", not \"" + options.decimal + "\"";
            return false;
        }
        request.decimal = options.decimal[0];
    }
    return true;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

// dlopen searches the library path for a name without a slash; a plug-in
// named on the command line means the file.
std::string AsFilePath(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

// The last part of a path: the file's own name.
std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return "";
    const std::string path(buffer, static_cast<size_t>(length));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

ReportRun::ReportRun(ReportOptions options, std::string programFolder)
    : fOptions(std::move(options)), fProgramFolder(std::move(programFolder)) {}

void ReportRun::AddMessage(const std::string& message) { fMessages.push_back(kPrefix + message); }

int ReportRun::Fail(int status, const std::string& message) {
    AddMessage(message);
    return status;
}

int ReportRun::Execute(std::ostream& out) {
    const OutputFormat* format = nullptr;
    std::string error;
    if (!ResolveOutputFormat(fOptions, format, error)) return Fail(kExitUsage, error);
    if (!CheckResources(error)) return Fail(kExitUsage, error);
    if (!PrepareInputs()) return kExitUsage;
    fDocument.generator = "npar-report " NPAR_VERSION;

    std::unique_ptr<OutputFile> file;
    if (!fOptions.outputPath.empty()) {
        file = OutputFile::Create(fOptions.outputPath, error);
        if (!file) return Fail(kExitUsage, error);
    }
    fDocument.keepChartDocuments = format->chartDocuments;

    // The writer's text goes out in chunks as it is made. A format that can
    // be written item by item is written while the plug-in runs, and each
    // top-level item is freed once written.
    npar::OutputSink sink([&](const char* data, size_t size) {
        if (file) return file->Write(data, size);
        out.write(data, static_cast<std::streamsize>(size));
        return true;
    });
    std::unique_ptr<npar::DocumentStream> stream = format->stream ? format->stream(sink) : nullptr;
    if (stream) {
        stream->Begin(fDocument);
        fDocument.StreamFinishedItems(
            [&stream](std::unique_ptr<npar::OutputItem> item) { stream->Item(std::move(item)); });
    }
    const bool ran = RunPlugin();
    // Ends the stream either way: the handler must not outlive this call.
    if (stream) fDocument.HandOverAll();
    if (!ran) return kExitUsage;

    if (stream)
        stream->End(fDocument);
    else
        format->write(fDocument, sink);
    sink.Flush();
    if (file) {
        if (!file->Commit(error)) return Fail(kExitUsage, error);
    } else {
        out.flush();
    }
    return fDocument.ok ? kExitOk : kExitSplitFailed;
}

// ---------------------------------------------------------------------------
// Inputs: every file is read before anything runs.

bool ReportRun::PrepareInputs() {
    if (fOptions.RunsTests()) return PrepareFromAnalysis();
    if (!fOptions.manifest.empty()) {
        if (!PrepareFromManifest()) return false;
    } else {
        PrepareFromDocuments();
    }
    if (!ReadDocuments()) return false;
    if (fVariablesFromDictionary) {
        std::vector<std::string_view> texts;
        for (const SplitInput& split : fSplits) texts.push_back(split.text);
        fVariables = DictionaryVariables(texts, &fTestSearches);
    }
    return true;
}

bool ReportRun::PrepareFromManifest() {
    RunManifest manifest;
    std::vector<std::string> errors;
    if (!ReadRunManifest(fOptions.manifest, manifest, errors)) {
        for (const std::string& error : errors) AddMessage(error);
        return false;
    }
    TakeManifest(manifest);
    for (ManifestSplit& split : manifest.splits)
        fSplits.push_back({std::move(split.document), {}, std::move(split.values)});
    fDocument.source = "Manifest: " + fOptions.manifest + Counted(fSplits.size(), "split");
    fDocument.name = FileName(fOptions.manifest);
    return true;
}

void ReportRun::TakeManifest(RunManifest& manifest) {
    fVariables = std::move(manifest.variables);
    fSplitVariables = std::move(manifest.splitVariables);
    fSplitHeadings = manifest.splitHeadings;
    fVariablesFromDictionary = false;
}

// Tests run on a data table: the engine checks the request and the data
// (every usage error stops the run here), then computes one result document
// per split, which go to the plug-in like documents read from files. The
// engine's manifest gives the variables and split values, read as any
// manifest is.
bool ReportRun::PrepareFromAnalysis() {
    std::unique_ptr<npar::engine::PreparedAnalysis> analysis = PrepareEngine();
    if (!analysis) return false;
    for (const std::string& note : analysis->Notes()) {
        AddMessage("note: " + note);
        fDocument.notes.push_back(note);
    }

    const std::string& saveFolder = fOptions.saveDocuments;
    RunManifest manifest;
    std::vector<std::string> errors;
    if (!ParseRunManifest(analysis->ManifestText(), "of the analysis", saveFolder, manifest, errors)) {
        for (const std::string& error : errors) AddMessage(error);
        return false;
    }
    TakeManifest(manifest);
    fDocument.source = "Data: " + analysis->DataName() + Counted(analysis->CaseCount(), "case") +
                       (manifest.splits.size() > 1 ? Counted(manifest.splits.size(), "split") : "") +
                       (fOptions.analysisPath.empty() ? "" : "; analysis: " + fOptions.analysisPath);
    fDocument.name = FileName(analysis->DataName());
    const std::string source =
        fOptions.analysisPath.empty() ? fOptions.documents.front() : fOptions.analysisPath;
    std::string error;
    for (size_t i = 0; i < manifest.splits.size(); ++i) {
        std::string text = analysis->ComputeDocument(i);
        std::string path = source + ", split " + std::to_string(i + 1);
        if (!saveFolder.empty()) {
            path = InFolder(saveFolder, analysis->DocumentName(i));
            if (!WriteFile(path, text, error)) return Refuse(error);
        }
        fSplits.push_back({std::move(path), std::move(text), std::move(manifest.splits[i].values)});
    }
    if (!saveFolder.empty() &&
        !WriteFile(InFolder(saveFolder, "manifest.json"), analysis->ManifestText(), error))
        return Refuse(error);
    return true;
}

// The engine's request from the analysis file or the command line, checked
// with the data; null after a usage error (its message added).
std::unique_ptr<npar::engine::PreparedAnalysis> ReportRun::PrepareEngine() {
    try {
        npar::engine::AnalysisRequest request;
        if (!fOptions.analysisPath.empty()) {
            request = npar::engine::ReadAnalysisFile(fOptions.analysisPath);
        } else {
            request.dataPath = fOptions.documents.front();
            request.tests = fOptions.tests;
            if (request.dataPath == "-") {
                request.dataPath = "/dev/stdin";
                request.dataName = "standard input";
            }
        }
        std::string error;
        if (!ApplyTestOptions(fOptions, request, error)) return Refuse(error), nullptr;
        std::unique_ptr<npar::engine::PreparedAnalysis> analysis =
            npar::engine::PrepareAnalysis(request);
        if (!fOptions.saveDocuments.empty() && !MakeFolder(fOptions.saveDocuments, error))
            return Refuse(error), nullptr;
        return analysis;
    } catch (const npar::engine::UsageError& error) {
        AddMessage(error.what());
        return nullptr;
    }
}

bool ReportRun::Refuse(const std::string& message) {
    AddMessage(message);
    return false;
}

void ReportRun::PrepareFromDocuments() {
    std::vector<std::string> documents = fOptions.documents;
    // Without inputs the bundled example is shown.
    if (documents.empty()) {
        documents.push_back(InFolder(fProgramFolder, "examples/full.xml"));
        fDocument.source = "Result document: the bundled example (examples/full.xml)";
    } else {
        // The first few documents by name; a run of many splits counts the rest.
        constexpr size_t kNamed = 3;
        fDocument.source = documents.size() == 1 ? "Result document: " : "Result documents: ";
        for (size_t i = 0; i < documents.size() && i < kNamed; ++i)
            fDocument.source += (i ? ", " : "") + documents[i];
        if (documents.size() > kNamed)
            fDocument.source += " and " + std::to_string(documents.size() - kNamed) + " more";
    }
    fDocument.name = FileName(documents.front());
    for (std::string& document : documents) fSplits.push_back({std::move(document), {}, {}});
}

bool ReportRun::ReadDocuments() {
    bool ok = true;
    for (SplitInput& split : fSplits) {
        std::string error;
        if (!ReadFile(split.path, split.text, error)) {
            AddMessage(error);
            ok = false;
        }
    }
    return ok;
}

// ---------------------------------------------------------------------------
// The plug-in over the splits.

std::string ReportRun::PluginPath() const {
    if (!fOptions.pluginPath.empty()) return AsFilePath(fOptions.pluginPath);
    return InFolder(fProgramFolder, kPluginName);
}

ReportRun::ResourcesFolder ReportRun::Resources() const {
    if (!fOptions.resourcesDir.empty()) return {fOptions.resourcesDir, "--resources"};
    const char* environment = std::getenv("NPAR_RESOURCES");
    if (environment && *environment) return {environment, "NPAR_RESOURCES"};
    return {InFolder(fProgramFolder, "resources"), "beside the program"};
}

// The run cannot do without its resources: without the catalogue and the
// string table every text of the report would show as its key, without the
// templates no chart would be made. A folder that lacks one stops the run
// before anything is computed, saying where it looked and how to point it
// elsewhere.
bool ReportRun::CheckResources(std::string& error) const {
    const ResourcesFolder folder = Resources();
    for (const char* part : {"catalogue/en.txt", "strings/en.txt", "templates"}) {
        const std::string path = InFolder(folder.path, part);
        if (access(path.c_str(), R_OK) == 0) continue;
        error = "the resources folder " + folder.path + " (" + folder.from + ") has no " + part +
                ": give the folder that holds catalogue/, strings/ and templates/ with --resources "
                "DIR or NPAR_RESOURCES";
        return false;
    }
    return true;
}

bool ReportRun::RunPlugin() {
    const std::string resources = Resources().path;
    // The host's services (string table, chart templates) look there too.
    PathFactory::SetResourceDirectory(resources);
    if (fOptions.noCharts) setenv("DEBUG_MODEL_VIEWER", "2", 1);

    std::string error;
    std::unique_ptr<PluginModule> plugin = PluginModule::Load(PluginPath(), error);
    if (!plugin) {
        AddMessage(error);
        return false;
    }
    npar::Catalogue catalogue;
    catalogue.Load(resources + "/catalogue/en.txt");  // without one, keys show as they are

    ProcedureDataSource dataSource;
    for (const QUOR_Variable& variable : fVariables) dataSource.AddVariable(variable);
    std::vector<std::unique_ptr<CFSplit>> splits = MakeSplits(dataSource);
    if (!ProcessSplits(*plugin, catalogue, dataSource, splits)) return false;

    for (const auto& split : splits) fTaken.push_back(split->WasDocumentTaken());
    if (!fDocument.ok) ReportFailedSplit(splits);
    ReportChecks();
    return true;
}

// One split record per input; the value pointers point into fSplits. Each
// document's text moves into its split record: a large document is held once.
std::vector<std::unique_ptr<CFSplit>> ReportRun::MakeSplits(const ProcedureDataSource& dataSource) {
    std::vector<int> splitIndices;
    for (const std::string& name : fSplitVariables)
        splitIndices.push_back(dataSource.FindVarIndex(name, 0));
    std::vector<std::unique_ptr<CFSplit>> splits;
    for (size_t i = 0; i < fSplits.size(); ++i) {
        SplitInput& input = fSplits[i];
        std::vector<const OBS*> values;
        for (const OBS& value : input.values) values.push_back(&value);
        splits.push_back(std::make_unique<CFSplit>(std::move(input.text), splitIndices,
                                                   std::move(values), fSplitHeadings));
        // The search for the tests made for the data dictionary: the
        // plug-in's read takes it rather than search the text again.
        if (i < fTestSearches.size()) splits.back()->KeepFoundChildren(std::move(fTestSearches[i]));
    }
    fTestSearches.clear();
    return splits;
}

// The plug-in's procedure object over the splits, as the host framework runs
// it; the object is deleted through its virtual destructor before the output
// procedure closes.
bool ReportRun::ProcessSplits(const PluginModule& plugin, const npar::Catalogue& catalogue,
                              ProcedureDataSource& dataSource,
                              const std::vector<std::unique_ptr<CFSplit>>& splits) {
    std::vector<CFSplit*> splitPointers;
    for (const auto& split : splits) splitPointers.push_back(split.get());
    // Reports of an earlier run in this process are not this run's.
    CFTakeCheckReports();
    CFTakeReadFailure();

    BpProcedure procedure(fDocument, catalogue);
    procedure.SetDataSource(&dataSource);
    CFProcCustom* custom = plugin.GetFactory()();
    if (!custom) {
        AddMessage("the plug-in " + PluginPath() + " made no procedure object");
        return false;
    }
    custom->Attach(&procedure, &dataSource);
    std::vector<std::string> noPmml;
    fDocument.ok = custom->ProcessSplits(noPmml, splitPointers, nullptr);
    fReadFailure = CFTakeReadFailure();
    delete custom;
    fProcessed = true;
    return true;
}

// The failed split is the last one whose document the plug-in took: splits
// are read in order and the loop stops at the first that fails. The cause is
// the plug-in's own report, else what the host sees in the text (where its
// XML syntax breaks).
void ReportRun::ReportFailedSplit(const std::vector<std::unique_ptr<CFSplit>>& splits) {
    size_t failed = fTaken.size();
    for (size_t i = fTaken.size(); i-- > 0;) {
        if (fTaken[i]) {
            failed = i;
            break;
        }
    }
    if (failed == fTaken.size()) {
        AddMessage("the plug-in stopped before reading any split");
        return;
    }
    AddMessage("split " + std::to_string(failed + 1) + " (" + fSplits[failed].path +
               "): cannot be read: " +
               (fReadFailure.empty() ? DiagnoseSplit(splits[failed]->DocumentText()) : fReadFailure));
}

void ReportRun::ReportChecks() {
    for (const std::string& report : CFTakeCheckReports()) AddMessage("warning: " + report);
}

// ---------------------------------------------------------------------------

int RunReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ReportOptions options;
    std::string error;
    if (!ParseReportOptions(arguments, options, error)) {
        err << kPrefix << error << "\nTry 'npar-report --help' for the options.\n";
        return kExitUsage;
    }
    if (options.help) {
        out << UsageText();
        return kExitOk;
    }
    if (options.version) {
        out << "npar-report " NPAR_VERSION "\n";
        return kExitOk;
    }
    if (options.listTests) {
        out << npar::engine::TestList();
        return kExitOk;
    }
    ReportRun run(std::move(options), ProgramFolder());
    const int status = run.Execute(out);
    for (const std::string& message : run.Messages()) err << message << "\n";
    return status;
}

}  // namespace report
