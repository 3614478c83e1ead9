// npar-report: writes the output of the nonparametric-tests plug-in for one or
// more result documents as HTML, JSON or text.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ReportRun.h"

#ifdef NPAR_WITH_MIMALLOC
#include <mimalloc.h>
#endif

int main(int argc, char** argv) {
#ifdef NPAR_WITH_MIMALLOC
    // Give memory the run no longer needs back to the system at once rather
    // than after a delay: a report frees each part of the document as it is
    // written, and the peak should stay near what is live.
    // MIMALLOC_DECOMMIT_DELAY in the environment still decides.
    if (!std::getenv("MIMALLOC_DECOMMIT_DELAY")) mi_option_set(mi_option_decommit_delay, 0);
#endif
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        return report::RunReport(arguments, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "npar-report: " << error.what() << "\n";
        return report::kExitUsage;
    }
}
