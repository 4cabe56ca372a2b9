// Time limits of USB transfers: seconds as callers give them, milliseconds as the bus takes them.
#pragma once

#include <cstdint>

namespace scandesk {

/// Seconds times 1000, truncated to a 32-bit millisecond count. Values that are not
/// finite, at or below -1 ms, or of 2^32 ms and more are programming errors and
/// throw `std::invalid_argument`.
uint32_t timeoutMilliseconds(double seconds);

}  // namespace scandesk
