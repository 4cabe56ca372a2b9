// Invariant checks and scratch directories of the fuzz targets.
#include <stdlib.h>

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

ScratchDir::ScratchDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "scandesk-fuzz-XXXXXX").string();
    require(::mkdtemp(pattern.data()) != nullptr, "a scratch directory can be made");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDir::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

}  // namespace scandesk::fuzz
