// Feeding several values into one hash, in order.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace scandesk {

/// Mixes the hash of `value` into `seed` (order matters).
template <typename T>
void hashCombine(size_t& seed, const T& value) {
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

/// A list contributes its element count followed by its elements.
template <typename T>
void hashCombine(size_t& seed, const std::vector<T>& values) {
    hashCombine(seed, values.size());
    for (const auto& value : values) {
        hashCombine(seed, value);
    }
}

}  // namespace scandesk
