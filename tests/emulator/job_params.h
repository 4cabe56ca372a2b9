// Scan parameters of the jobs the emulator and network tests and benchmarks send.
#pragma once

#include <string>

#include "protocol/scan_param.h"

namespace scandesk::emulator::test {

/// A job in the given mode and size (spelled as on the command line), as the parameter
/// mapping would build it; small by default, so that pages stay quick to generate.
/// Shared by the emulator, transport and imaging tests.
inline ScanParam smallJob(const std::string& mode, int64_t w = 96, int64_t h = 64,
                          const std::string& source = "AUTO") {
    ScanParam p;
    p.source = parseOption<ScanSource>(source).value();
    p.dpi = 300;
    p.mode = parseOption<ColorMode>(mode).value();
    p.w = w;
    p.h = h;
    return p;
}

}  // namespace scandesk::emulator::test
