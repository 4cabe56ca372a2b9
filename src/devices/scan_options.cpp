// The resolution's spelling at the edges.
#include "devices/scan_options.h"

#include <charconv>

namespace scandesk {

std::string resolutionText(int dpi) {
    return std::to_string(dpi) + "dpi";
}

std::optional<int> parseResolution(std::string_view text) {
    constexpr std::string_view kUnit = "dpi";
    if (!text.ends_with(kUnit)) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(0, text.size() - kUnit.size());
    int dpi = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), dpi);
    if (error != std::errc{} || end != digits.data() + digits.size() || dpi <= 0 ||
        digits.front() == '0') {
        return std::nullopt;
    }
    return dpi;
}

}  // namespace scandesk
