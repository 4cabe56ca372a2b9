// Decimal text of floating-point values as the diagnostic lines print them.
#pragma once

#include <string>

namespace scandesk {

/// Shortest text that reads back as the same value, with ".0" on whole numbers
/// ("90.0", "2408.0", "0.7").
std::string floatText(double value);

}  // namespace scandesk
