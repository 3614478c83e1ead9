#include "AppTestSupport.h"

#include <dirent.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

CliResult RunCli(std::vector<std::string> arguments) {
    if (std::find(arguments.begin(), arguments.end(), "--plugin") == arguments.end())
        arguments.insert(arguments.begin(), {"--plugin", NPAR_PLUGIN_PATH});
    std::ostringstream out;
    std::ostringstream err;
    CliResult result;
    result.status = report::RunReport(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

}  // namespace apptest
