// Checking that received bytes are text.
#pragma once

#include <optional>
#include <span>
#include <string>

#include <cstdint>

namespace scandesk {

/// The bytes as text when they are well-formed UTF-8, else nothing.
std::optional<std::string> decodeUtf8(std::span<const uint8_t> bytes);

}  // namespace scandesk
