// Invariant checks and scratch directories of the fuzz targets.
#include <cstdio>
#include <filesystem>

#include "common/diagnostics.h"
#include "fuzz_input.h"

namespace scandesk::fuzz {
namespace {

// Diagnostic lines would cost most of each run's time, and say nothing a fuzzer reads.
const ScopedDiagnosticSink quiet{LineSink([](std::string_view) {})};

}  // namespace

void require(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
        std::abort();
    }
}

std::vector<std::string> entriesOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

}  // namespace scandesk::fuzz
