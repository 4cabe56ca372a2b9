// Writing device records as JSON objects.
#include "cli/device_json.h"

#include <nlohmann/json.hpp>

namespace scandesk {

std::string devicesAsJson(const std::vector<Device>& devices) {
    nlohmann::json list = nlohmann::json::array();
    for (const Device& d : devices) {
        list.push_back({
            {"id", d.id.toString()},
            {"name", d.name},
            {"label", d.label},
            {"type", d.type},
            {"ip", d.ip},
            {"PID", d.PID},
            {"VID", d.VID},
            {"scanSource", d.scanSource},
            {"adfResolution", d.adfResolution},
            {"fbResolution", d.fbResolution},
            {"paperSize", d.paperSize},
            {"hasScreen", d.hasScreen},
            {"supportCombine", d.supportCombine},
        });
    }
    return list.dump(2);
}

}  // namespace scandesk
