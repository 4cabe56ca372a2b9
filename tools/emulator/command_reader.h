// Cuts the host's byte stream into whole commands and reads the start command's values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/bytes.h"

namespace scandesk::emulator {

/// One command as the host sent it, byte for byte.
struct HostCommand {
    char letter = 0;  ///< 'D', 'S', 'I', 'X' or another letter; 0 for bytes that begin no command
    Bytes raw;

    friend bool operator==(const HostCommand&, const HostCommand&) = default;
};

/// Collects the host's bytes, which may arrive in any pieces, and hands out whole commands.
class CommandReader {
  public:
    /// Adds bytes as they arrived.
    void feed(std::span<const uint8_t> bytes);
    /// The next whole command, or nothing while its end has not arrived yet.
    std::optional<HostCommand> next();
    /// Bytes received but not yet part of a whole command.
    size_t pendingBytes() const { return pending_.size(); }

  private:
    Bytes pending_;
};

/// What a start command asks for: the values that shape the generated pages.
struct JobRequest {
    int dpi = 0;       ///< first number of "R="
    std::string mode;  ///< "CGRAY", "GRAY256" or "TEXT"
    int64_t w = 0;
    int64_t h = 0;
    std::array<uint8_t, 256> gamma{};  ///< the TEXT-mode table; the identity otherwise
};

/// Largest page side the virtual scanner accepts, in pixels (a 1200-dpi legal page fits).
inline constexpr int64_t kMaxPageSide = 17000;

/// Reads a whole start command; nothing when a value is missing, malformed or out of range.
std::optional<JobRequest> parseStartCommand(const Bytes& raw);

}  // namespace scandesk::emulator
