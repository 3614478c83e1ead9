// Writes a large result document to standard output, for timing npar-report
// on it (scripts/bench.sh):
//   make_large_document [TESTS_PER_TYPE [FIELDS]]
// The defaults give about 5,000 tests of the 22 types over 1,000 fields.
#include <cstdlib>
#include <iostream>

#include "LargeDocument.h"

int main(int argc, char** argv) {
    const int testsPerType = argc > 1 ? std::atoi(argv[1]) : 227;
    const int fields = argc > 2 ? std::atoi(argv[2]) : 1000;
    if (testsPerType < 1 || fields < 2) {
        std::cerr << "usage: make_large_document [TESTS_PER_TYPE >= 1 [FIELDS >= 2]]\n";
        return 2;
    }
    std::cout << npar_bench::MakeLargeDocument(testsPerType, fields);
    return std::cout ? 0 : 1;
}
