// Floating-point values in diagnostic lines.
#include "imaging/number_text.h"

#include <charconv>
#include <cmath>

namespace scandesk {

std::string floatText(double value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    std::string result(text, error == std::errc() ? end : text);
    constexpr double kLargestPlainWhole = 1e16;
    if (std::isfinite(value) && value == std::trunc(value) &&
        std::fabs(value) < kLargestPlainWhole) {
        result += ".0";
    }
    return result;
}

}  // namespace scandesk
