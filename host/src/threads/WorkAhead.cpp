// The thread count of work ahead.
#include "WorkAhead.h"

#include <cstdlib>
#include <cstring>

namespace npar {

unsigned WorkThreads() {
    if (const char* setting = std::getenv("NPAR_THREADS")) {
        char* end = nullptr;
        const long threads = std::strtol(setting, &end, 10);
        if (end != setting && *end == '\0' && threads >= 1 && threads <= 64)
            return static_cast<unsigned>(threads);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 1 ? 1 : cores > 8 ? 8 : cores;
}

}  // namespace npar
