// The English texts the command line shows for localisation keys.
#pragma once

#include <string>
#include <string_view>

namespace scandesk {

/// The English text of a key, or "" when the table has none (the key then shows itself).
/// The alert titles "info" and "error" have no entry: the command line prints them as keys.
std::string englishText(std::string_view key);

}  // namespace scandesk
