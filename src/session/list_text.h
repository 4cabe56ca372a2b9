// How diagnostic lines print a list of option values.
#pragma once

#include <string>
#include <vector>

#include "devices/scan_options.h"

namespace scandesk {

/// ["AUTO", "ADF", "FB"]: bracketed, each value's text in double quotes, separated by ", ".
template <typename E>
std::string bracketedList(const std::vector<E>& values) {
    std::string text = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "\"" : ", \"") + std::string(toText(values[i])) + "\"";
    }
    return text + "]";
}

}  // namespace scandesk
