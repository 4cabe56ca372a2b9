// The catalogue rows, built once on first use.
#include "devices/catalogue.h"

#include <algorithm>

#include "devices/options.h"

namespace scandesk {
namespace {

BaseDevice row(const char* name, const char* oid, uint16_t pid,
               const std::vector<ScanSource>& sources, const std::vector<PageSize>& paper,
               bool hasScreen, bool supportCombine) {
    return BaseDevice{name,
                      oid,
                      pid,
                      kMakerVendorId,
                      sources,
                      adfResolutionOption(),
                      fbResolutionOption(),
                      paper,
                      hasScreen,
                      supportCombine};
}

// A feeder model with a screen, or a flatbed model without one.
BaseDevice feederRow(const char* name, const char* oid, uint16_t pid) {
    return row(name, oid, pid, scanSourceOptionN(), pageSizeOption(), true, false);
}

BaseDevice flatbedRow(const char* name, const char* oid, uint16_t pid) {
    return row(name, oid, pid, scanSourceOptionFB(), pageSizeOptionFor20(), false, true);
}

}  // namespace

const std::vector<BaseDevice>& IDDevice() {
    static const std::vector<BaseDevice> rows{
        row("Tessel T3", "53303.4.7.1.52", 0x00AB, scanSourceOptionN(), pageSizeOptionForId(), true,
            false),
        row("Tessel T5", "53303.4.7.1.53", 0x00AC, scanSourceOptionN(), pageSizeOptionForId(), true,
            false),
    };
    return rows;
}

const std::vector<BaseDevice>& KESTDevices() {
    static const std::vector<BaseDevice> rows{
        feederRow("Quillon Q7 Duo", "53303.4.7.1.5", 0x0104),
        feederRow("Quillon Q7 Duo-R", "53303.4.7.1.7", 0x003F),
        feederRow("Quillon Q7", "53303.4.7.1.0", 0x0101),
        flatbedRow("Brisk B4 Air", "53303.4.7.1.10", 0x0004),
        flatbedRow("Brisk B4 Net", "53303.4.7.1.16", 0x001C),
        flatbedRow("Brisk B4 Wave", "53303.4.7.1.17", 0x0050),
        flatbedRow("Brisk B4", "", 0x005A),
        flatbedRow("Brisk B6 Air", "53303.4.7.1.20", 0x005B),
        flatbedRow("Brisk B6 Net", "53303.4.7.1.21", 0x005D),
        flatbedRow("Brisk B6 Wave", "53303.4.7.1.22", 0x005C),
        flatbedRow("Brisk B6", "", 0x005E),
        flatbedRow("Brisk Lite", "53303.4.7.1.25", 0x004B),
        flatbedRow("Brisk B4x Air", "53303.4.7.1.41", 0x008C),
        flatbedRow("Brisk B6x Air", "53303.4.7.1.42", 0x009A),
        flatbedRow("Brisk Lite X", "53303.4.7.1.43", 0x008D),
        feederRow("Quillon Q9 Duo", "53303.4.7.1.15", 0x000E),
        feederRow("Quillon Q9", "53303.4.7.1.4", 0x0102),
    };
    return rows;
}

std::optional<BaseDevice> idDeviceByPid(uint16_t pid) {
    const auto& rows = IDDevice();
    auto it = std::find_if(rows.begin(), rows.end(), [pid](const auto& r) { return r.PID == pid; });
    if (it == rows.end()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<BaseDevice> catalogueRowNamed(const std::string& name) {
    for (const auto* rows : {&IDDevice(), &KESTDevices()}) {
        const auto it = std::find_if(rows->begin(), rows->end(),
                                     [&](const BaseDevice& row) { return row.name == name; });
        if (it != rows->end()) {
            return *it;
        }
    }
    return std::nullopt;
}

}  // namespace scandesk
