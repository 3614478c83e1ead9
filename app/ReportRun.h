// One run of npar-report: inputs checked and read, the data source and the
// splits built, the plug-in loaded and run over the splits, the output
// document written, and the messages for standard error collected.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "CFProcCustom.h"
#include "OutputDocument.h"
#include "QUOR_DataSource.h"
#include "ReportOptions.h"

class CFSplit;

namespace npar::engine {
class PreparedAnalysis;
}

namespace report {

class PluginModule;
struct RunManifest;

// The folder the running program lives in (from /proc/self/exe); empty when
// it cannot be told.
std::string ProgramFolder();

// The exit statuses of npar-report.
enum ExitStatus { kExitOk = 0, kExitSplitFailed = 1, kExitUsage = 2 };

class ReportRun {
public:
    // programFolder is where the default plug-in, resources and bundled
    // example are looked for.
    ReportRun(ReportOptions options, std::string programFolder);

    // Runs the report and gives the exit status. The output goes to the -o
    // file, else to out. Nothing is written when an input, the plug-in or the
    // output file fails before the splits are processed (status 2).
    int Execute(std::ostream& out);

    // The output document; after a run in a format written as a stream (text)
    // its items have been written and freed, and it holds none.
    const npar::OutputDocument& Document() const { return fDocument; }
    // Lines for standard error, each starting "npar-report: ".
    const std::vector<std::string>& Messages() const { return fMessages; }
    // Whether the plug-in was run over the splits.
    bool SplitsProcessed() const { return fProcessed; }
    // For each split, whether the plug-in took its document.
    const std::vector<bool>& TakenSplits() const { return fTaken; }

private:
    struct SplitInput {
        std::string path;         // as given (documents) or resolved (manifest)
        std::string text;         // the result document
        std::vector<OBS> values;  // one per split variable
    };

    void AddMessage(const std::string& message);
    int Fail(int status, const std::string& message);
    bool PrepareInputs();
    bool PrepareFromManifest();
    void TakeManifest(RunManifest& manifest);
    bool PrepareFromAnalysis();
    std::unique_ptr<npar::engine::PreparedAnalysis> PrepareEngine();
    bool Refuse(const std::string& message);
    void PrepareFromDocuments();
    bool ReadDocuments();
    std::string PluginPath() const;
    // The resources folder and what named it: --resources, NPAR_RESOURCES
    // or its place beside the program.
    struct ResourcesFolder {
        std::string path;
        const char* from;
    };
    ResourcesFolder Resources() const;
    bool CheckResources(std::string& error) const;
    bool RunPlugin();
    std::vector<std::unique_ptr<CFSplit>> MakeSplits(const ProcedureDataSource& dataSource);
    bool ProcessSplits(const PluginModule& plugin, const npar::Catalogue& catalogue,
                       ProcedureDataSource& dataSource,
                       const std::vector<std::unique_ptr<CFSplit>>& splits);
    void ReportFailedSplit(const std::vector<std::unique_ptr<CFSplit>>& splits);
    void ReportChecks();

    ReportOptions fOptions;
    std::string fProgramFolder;
    std::vector<QUOR_Variable> fVariables;
    // Each document's search for its tests, made with the data dictionary's
    // read, until the split records keep them.
    std::vector<CFFoundChildren> fTestSearches;
    std::vector<std::string> fSplitVariables;
    bool fSplitHeadings = false;
    bool fVariablesFromDictionary = true;
    std::vector<SplitInput> fSplits;
    npar::OutputDocument fDocument;
    std::vector<std::string> fMessages;
    bool fProcessed = false;
    std::vector<bool> fTaken;
    std::string fReadFailure;  // why the plug-in could not read the failed split, as it said
};

// What main does: reads the arguments (without the program name), runs the
// report with the program's own folder, writes the output to out (unless -o
// is given) and the messages to err, and gives the exit status.
int RunReport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace report
