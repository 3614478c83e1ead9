// The run of npar-report.
#include "ReportRun.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "BpOutput.h"
#include "CFProcCustom.h"
#include "FacSTDictionary.h"
#include "DictionaryVariables.h"
#include "OutputFile.h"
#include "PluginLoader.h"
#include "RunManifest.h"
#include "SplitDiagnosis.h"

namespace report {
namespace {

constexpr const char* kPrefix = "npar-report: ";
constexpr const char* kPluginName = "libnonpar.so";

bool ReadFile(const std::string& path, std::string& text, std::string& error) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        error = "cannot open " + path + ": " + std::strerror(EISDIR);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    text = buffer.str();
    return true;
}

std::string Render(const npar::OutputDocument& document, OutputFormat format) {
    switch (format) {
        case OutputFormat::Html: return npar::WriteHtml(document);
        case OutputFormat::Json: return npar::WriteJson(document);
        case OutputFormat::Text:
        case OutputFormat::Unset: break;
    }
    return npar::WriteText(document);
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

// dlopen searches the library path for a name without a slash; a plug-in
// named on the command line means the file.
std::string AsFilePath(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
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
    OutputFormat format;
    std::string error;
    if (!ResolveOutputFormat(fOptions, format, error)) return Fail(kExitUsage, error);
    if (!PrepareInputs()) return kExitUsage;

    std::unique_ptr<OutputFile> file;
    if (!fOptions.outputPath.empty()) {
        file = OutputFile::Create(fOptions.outputPath, error);
        if (!file) return Fail(kExitUsage, error);
    }
    if (!RunPlugin()) return kExitUsage;

    const std::string rendered = Render(fDocument, format);
    if (file) {
        if (!file->Commit(rendered, error)) return Fail(kExitUsage, error);
    } else {
        out << rendered;
        out.flush();
    }
    return fDocument.ok ? kExitOk : kExitSplitFailed;
}

// ---------------------------------------------------------------------------
// Inputs: every file is read before anything runs.

bool ReportRun::PrepareInputs() {
    if (!fOptions.manifest.empty()) {
        if (!PrepareFromManifest()) return false;
    } else {
        PrepareFromDocuments();
    }
    if (!ReadDocuments()) return false;
    if (fVariablesFromDictionary) {
        std::vector<std::string> texts;
        for (const SplitInput& split : fSplits) texts.push_back(split.text);
        fVariables = DictionaryVariables(texts);
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
    fVariables = std::move(manifest.variables);
    fSplitVariables = std::move(manifest.splitVariables);
    fSplitHeadings = manifest.splitHeadings;
    fVariablesFromDictionary = false;
    for (ManifestSplit& split : manifest.splits)
        fSplits.push_back({std::move(split.document), {}, std::move(split.values)});
    return true;
}

void ReportRun::PrepareFromDocuments() {
    std::vector<std::string> documents = fOptions.documents;
    // Without inputs the bundled example is shown.
    if (documents.empty()) documents.push_back(InFolder(fProgramFolder, "examples/full.xml"));
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

std::string ReportRun::ResourcesDir() const {
    if (!fOptions.resourcesDir.empty()) return fOptions.resourcesDir;
    const char* environment = std::getenv("NPAR_RESOURCES");
    if (environment && *environment) return environment;
    return InFolder(fProgramFolder, "resources");
}

bool ReportRun::RunPlugin() {
    const std::string resources = ResourcesDir();
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
    if (!fDocument.ok) ReportFailedSplit();
    ReportChecks();
    return true;
}

// One split record per input; the value pointers point into fSplits.
std::vector<std::unique_ptr<CFSplit>> ReportRun::MakeSplits(
    const ProcedureDataSource& dataSource) const {
    std::vector<int> splitIndices;
    for (const std::string& name : fSplitVariables)
        splitIndices.push_back(dataSource.FindVarIndex(name, 0));
    std::vector<std::unique_ptr<CFSplit>> splits;
    for (const SplitInput& input : fSplits) {
        std::vector<const OBS*> values;
        for (const OBS& value : input.values) values.push_back(&value);
        splits.push_back(
            std::make_unique<CFSplit>(input.text, splitIndices, std::move(values), fSplitHeadings));
    }
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
    CFTakeCheckReports();  // reports of an earlier run in this process are not this run's

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
    delete custom;
    fProcessed = true;
    return true;
}

// The failed split is the last one whose document the plug-in took: splits
// are read in order and the loop stops at the first that fails.
void ReportRun::ReportFailedSplit() {
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
    const SplitInput& split = fSplits[failed];
    AddMessage("split " + std::to_string(failed + 1) + " (" + split.path +
                               "): cannot be read: " + DiagnoseSplit(split.text));
}

void ReportRun::ReportChecks() {
    for (const std::string& report : CFTakeCheckReports())
        AddMessage("warning: " + report);
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
    ReportRun run(std::move(options), ProgramFolder());
    const int status = run.Execute(out);
    for (const std::string& message : run.Messages()) err << message << "\n";
    return status;
}

}  // namespace report
