// Scan parameters of the jobs the emulator and network tests and benchmarks send.
#pragma once

#include <string>

#include "protocol/scan_param.h"

namespace scandesk::emulator::test {

/// A job in the given mode and size, as the parameter mapping would build it; small by
/// default, so that pages stay quick to generate. Shared by the emulator, transport and
/// imaging tests.
inline ScanParam smallJob(const std::string& mode, int64_t w = 96, int64_t h = 64,
                          const std::string& source = "AUTO") {
    ScanParam p;
    p.source = source;
    p.resolution = "300,300";
    p.mode = mode;
    p.type = "AUTO";
    p.compression = mode == "TEXT" ? "BMP" : "JPEG";
    p.compressRatio = "MID";
    p.brightness = "50";
    p.contrast = "50";
    p.w = w;
    p.h = h;
    p.dpi = 300;
    p.duplex = "SIN";
    p.gamma = 1;
    p.combineType = "NoCombine";
    p.fileType = "JPEG";
    return p;
}

}  // namespace scandesk::emulator::test
