// Raw bytes as they come from a scanner or go into a file.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace scandesk {

using Bytes = std::vector<uint8_t>;

/// The bytes of a text, unchanged.
inline Bytes toBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

}  // namespace scandesk
