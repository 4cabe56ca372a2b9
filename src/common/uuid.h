// A random 128-bit identifier drawn through libuuid.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace scandesk {

class Uuid {
  public:
    /// A fresh random identifier.
    static Uuid random();

    /// Canonical lower-case text form, 36 characters.
    std::string toString() const;
    const std::array<uint8_t, 16>& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;

  private:
    std::array<uint8_t, 16> bytes_{};
};

}  // namespace scandesk

template <>
struct std::hash<scandesk::Uuid> {
    size_t operator()(const scandesk::Uuid& id) const noexcept;
};
