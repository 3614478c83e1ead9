// Shared pieces of the npar-report tests: a scratch folder, result documents
// built from parts, and a run of the program's entry with captured streams.
#pragma once

#include <string>
#include <vector>

namespace apptest {

// A fresh folder under the system's temporary folder, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return fPath; }
    // Writes text to the file name in the folder and gives its path.
    std::string Write(const std::string& name, const std::string& text) const;
    std::vector<std::string> Files() const;

private:
    std::string fPath;
};

// A result document built from its parts; the defaults form a document the
// plug-in reads.
struct Document {
    std::string root = "StatXML";
    std::string model = R"(<PMMLModel modelType="NonParametricTests"/>)";
    std::string counts =
        R"(<DescriptiveModel><DescriptiveSummary><Counts totalFreq="10" totalCount="10" )"
        R"(droppedCount="0" badWeightCount="0" droppedFreq="0"/></DescriptiveSummary></DescriptiveModel>)";
    std::string dictionary;
    std::string algorithms = R"(<Algorithm name="OKolmogorovSmirnovNormal"/>)";
    std::string fieldInfos = "<FieldInfos/>";
    bool withTests = true;

    std::string Text() const;
};

// A test the reader makes a record for, whose unknown table it reports as the
// error item "Not parse element: <marker>": a visible trace of a split read.
std::string MarkerAlgorithm(const std::string& marker);

struct CliResult {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs npar-report's entry with arguments, loading the built plug-in unless
// the arguments name one.
CliResult RunCli(std::vector<std::string> arguments);

}  // namespace apptest
