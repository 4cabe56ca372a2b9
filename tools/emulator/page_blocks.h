// Cuts one page's bytes into the blocks the scanner sends, the last with the page-end record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.h"
#include "protocol/page_framing.h"

namespace scandesk::emulator {

/// Data lengths of the blocks one page is cut into. Blocks carry at most `blockSize`
/// bytes; the last block, which is sent together with the page-end record, carries at most
/// `blockSize` - 10 (0 when `blockSize` is 10 or less), so that no unit is longer than
/// a full data block (a USB host reads each unit with at most the previous unit's size).
std::vector<size_t> blockLengths(size_t pageSize, size_t blockSize);

/// Hands out one page's units in order: data blocks (header + data), then the last
/// block with the page-end record appended.
class PageUnits {
  public:
    PageUnits(Bytes page, int pageNo, size_t blockSize);
    /// The next unit, or nothing after the one with the page-end record.
    std::optional<Bytes> next();
    /// Whether the unit with the page-end record has been handed out.
    bool done() const { return nextBlock_ >= lengths_.size(); }

  private:
    Bytes page_;
    int pageNo_;
    std::vector<size_t> lengths_;
    size_t nextBlock_ = 0;
    size_t offset_ = 0;
};

}  // namespace scandesk::emulator
