// The lookup from a localisation key to the text shown to the user.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace scandesk {

/// Key to display text. A key without an entry yields the key itself.
using Localizer = std::function<std::string(std::string_view key)>;

/// The text for a key through the installed lookup (identity unless replaced).
std::string localized(std::string_view key);

/// The text with "%1", "%2", ... replaced by the values in order, as the string tables
/// write the places of numbers and names in a message.
std::string fillIn(std::string text, std::initializer_list<std::string> values);

/// Installs the process-wide lookup (the window its translator, the CLI its English
/// table); an empty function restores identity. Returns the previous lookup.
Localizer setLocalizer(Localizer lookup);

}  // namespace scandesk
