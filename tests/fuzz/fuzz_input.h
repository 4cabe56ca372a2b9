// Takes a fuzz input apart: small numbers for sizes and split points, then the bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "support/temp_dir.h"

namespace scandesk::fuzz {

/// Reads from the front of the input; an exhausted input gives zeros and empty pieces.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : rest_(data, size) {}

    /// One byte.
    uint8_t byte() {
        const auto piece = take(1);
        return piece.empty() ? 0 : piece[0];
    }

    /// A number in [0, limit] from two bytes.
    size_t upTo(size_t limit) {
        const auto bytes = take(2);
        size_t value = 0;
        for (uint8_t b : bytes) {
            value = value << 8 | b;
        }
        return limit == 0 ? 0 : value % (limit + 1);
    }

    /// Up to `count` bytes.
    Bytes bytes(size_t count) {
        const auto piece = take(count);
        return Bytes(piece.begin(), piece.end());
    }

    /// Everything that is left.
    Bytes rest() { return bytes(rest_.size()); }

    /// The rest cut into pieces whose lengths (1 to `longest`) come from the input's front.
    std::vector<Bytes> pieces(size_t longest) {
        std::vector<size_t> lengths;
        const size_t count = upTo(16);
        for (size_t i = 0; i < count; ++i) {
            lengths.push_back(1 + upTo(longest - 1));
        }
        std::vector<Bytes> out;
        for (size_t i = 0; !rest_.empty(); ++i) {
            out.push_back(bytes(lengths.empty() ? longest : lengths[i % lengths.size()]));
        }
        return out;
    }

    bool empty() const { return rest_.empty(); }

  private:
    std::span<const uint8_t> take(size_t count) {
        const auto piece = rest_.first(std::min(count, rest_.size()));
        rest_ = rest_.subspan(piece.size());
        return piece;
    }

    std::span<const uint8_t> rest_;
};

/// Stops the process with a message when an invariant of a target does not hold, so
/// that the fuzzer (or the replay) reports the input.
void require(bool holds, const std::string& what);

/// A fresh directory under $TMPDIR for one input, removed with its content.
using ScratchDir = testing::TempDir;

/// The names of the entries in a directory.
std::vector<std::string> entriesOf(const std::string& dir);

}  // namespace scandesk::fuzz
