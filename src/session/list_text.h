// How diagnostic lines print a list of texts.
#pragma once

#include <string>
#include <vector>

namespace scandesk {

/// ["AUTO", "ADF", "FB"]: bracketed, each entry in double quotes, separated by ", ".
std::string bracketedList(const std::vector<std::string>& entries);

}  // namespace scandesk
