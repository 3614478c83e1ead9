#include "AppTestSupport.h"

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "ReportRun.h"

namespace apptest {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/npar-app-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    fPath = pattern;
}

TempDir::~TempDir() {
    for (const std::string& name : Files()) std::remove((fPath + "/" + name).c_str());
    rmdir(fPath.c_str());
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
    const std::string path = fPath + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<std::string> TempDir::Files() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(fPath.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

std::string Document::Text() const {
    std::string text =
        "<" + root + ">" + model + "\n" + counts + "\n<Extension><NPAROutput>" + dictionary;
    if (withTests)
        text += R"(<NonParametricTests number="1" sigLevel="0.05" confidenceLevel="0.95" )"
                R"(missingTreatment="listwise">)" +
                algorithms + "</NonParametricTests>";
    text += fieldInfos + "</NPAROutput></Extension></" + root + ">\n";
    return text;
}

std::string MarkerAlgorithm(const std::string& marker) {
    return R"(<Algorithm name="OChiSquare" classification="One_Sample" decision="retain">)"
           R"(<StructuredTable name=")" +
           marker + R"("/></Algorithm>)";
}

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The plug-in decides on its first run in a process whether it makes charts
// (DEBUG_MODEL_VIEWER, which --no-charts sets): a run without charts goes in
// a child process, so the runs after it in this one still make theirs when
// the test binary runs every test in one process.
CliResult RunCliApart(const std::vector<std::string>& arguments) {
    const TempDir dir;
    const std::string outPath = dir.Path() + "/out";
    const std::string errPath = dir.Path() + "/err";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == -1) throw std::runtime_error("cannot start a child process");
    if (child == 0) {
        std::ofstream out(outPath, std::ios::binary);
        std::ofstream err(errPath, std::ios::binary);
        const int status = report::RunReport(arguments, out, err);
        out.close();
        err.close();
        _exit(status);
    }
    int waited = 0;
    if (waitpid(child, &waited, 0) != child) throw std::runtime_error("lost the child process");
    CliResult result;
    result.status = WIFEXITED(waited) ? WEXITSTATUS(waited) : 128 + WTERMSIG(waited);
    result.out = FileText(outPath);
    result.err = FileText(errPath);
    return result;
}

}  // namespace

CliResult RunCli(std::vector<std::string> arguments) {
    if (std::find(arguments.begin(), arguments.end(), "--plugin") == arguments.end())
        arguments.insert(arguments.begin(), {"--plugin", NPAR_PLUGIN_PATH});
    if (std::find(arguments.begin(), arguments.end(), "--no-charts") != arguments.end())
        return RunCliApart(arguments);
    std::ostringstream out;
    std::ostringstream err;
    CliResult result;
    result.status = report::RunReport(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

}  // namespace apptest
