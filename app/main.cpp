// npar-report: writes the output of the nonparametric-tests plug-in for one or
// more result documents as HTML, JSON or text.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ReportRun.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        return report::RunReport(arguments, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "npar-report: " << error.what() << "\n";
        return report::kExitUsage;
    }
}
