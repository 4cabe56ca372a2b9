// Bytes as the USB layer's log lines show them: a bracketed list of decimal values.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace scandesk {

/// "[5, 0, 0, 0, 1]"; "[]" when empty.
std::string byteListText(std::span<const uint8_t> bytes);

}  // namespace scandesk
