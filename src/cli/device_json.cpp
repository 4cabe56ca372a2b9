// Writing device records as JSON objects.
#include "cli/device_json.h"

#include <nlohmann/json.hpp>

namespace scandesk {
namespace {

template <typename E>
std::vector<std::string> texts(const std::vector<E>& values) {
    std::vector<std::string> spelled;
    for (E value : values) {
        spelled.emplace_back(toText(value));
    }
    return spelled;
}

std::vector<std::string> resolutionTexts(const std::vector<int>& dpis) {
    std::vector<std::string> spelled;
    for (int dpi : dpis) {
        spelled.push_back(resolutionText(dpi));
    }
    return spelled;
}

}  // namespace

std::string devicesAsJson(const std::vector<Device>& devices) {
    nlohmann::json list = nlohmann::json::array();
    for (const Device& d : devices) {
        list.push_back({
            {"id", d.id.toString()},
            {"name", d.name},
            {"label", d.label},
            {"type", toText(d.transport)},
            {"ip", d.ip},
            {"PID", d.PID},
            {"VID", d.VID},
            {"scanSource", texts(d.scanSource)},
            {"adfResolution", resolutionTexts(d.adfResolution)},
            {"fbResolution", resolutionTexts(d.fbResolution)},
            {"paperSize", texts(d.paperSize)},
            {"hasScreen", d.hasScreen},
            {"supportCombine", d.supportCombine},
        });
    }
    return list.dump(2);
}

}  // namespace scandesk
