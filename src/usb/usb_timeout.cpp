// Time limits of USB transfers: seconds as callers give them, milliseconds as the bus takes them.
#include "usb/usb_timeout.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace scandesk {

uint32_t timeoutMilliseconds(double seconds) {
    const double milliseconds = seconds * 1000.0;
    // Truncation toward zero keeps (-1, 0) ms as 0; anything beyond has no 32-bit form.
    if (!std::isfinite(milliseconds) || milliseconds <= -1.0 || milliseconds >= 4294967296.0) {
        throw std::invalid_argument("USB time-out out of range: " + std::to_string(seconds) + " s");
    }
    return static_cast<uint32_t>(std::trunc(milliseconds));
}

}  // namespace scandesk
