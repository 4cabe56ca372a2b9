// Scan parameters the emulator tests build their commands from.
#pragma once

#include "protocol/scan_param.h"

namespace scandesk::emulator::test {

/// A small job in the given mode, so that pages stay quick to generate.
inline ScanParam smallJob(const std::string& mode, int64_t w = 96, int64_t h = 64) {
    ScanParam p;
    p.source = "AUTO";
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
