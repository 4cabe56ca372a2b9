// A random 128-bit identifier drawn through libuuid.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace scandesk {

class Uuid {
  public:
    /// A fresh random identifier.
    static Uuid random();

    /// Canonical lower-case text form, 36 characters.
    std::string toString() const;

    friend bool operator==(const Uuid&, const Uuid&) = default;

  private:
    std::array<uint8_t, 16> bytes_{};
};

}  // namespace scandesk
