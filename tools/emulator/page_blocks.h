// Frames one page's bytes as the scanner sends them: data blocks and a closing tail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.h"

namespace scandesk::emulator {

/// Block types; receivers treat both alike. A page's first block uses the first.
inline constexpr uint8_t kFirstBlockType = 0x42;
inline constexpr uint8_t kNextBlockType = 0x64;
/// First byte of the 10-byte record that closes a page.
inline constexpr uint8_t kPageEndMark = 0x82;
inline constexpr size_t kBlockHeaderSize = 12;
inline constexpr size_t kPageTailSize = 10;
/// Largest data length a block header can carry.
inline constexpr size_t kMaxBlockSize = 0xFFFF;

/// The 12-byte block header: type at 0, page number at 3..4, data length at 10..11,
/// both little-endian.
Bytes blockHeader(uint8_t type, int pageNo, uint16_t length);

/// The 10-byte page-end record; it repeats the page number at 3..4.
Bytes pageTail(int pageNo);

/// Data lengths of the blocks one page is cut into. Blocks carry at most `blockSize`
/// bytes; the last block, which is sent together with the page tail, carries at most
/// `blockSize` - 10 (0 when `blockSize` is 10 or less), so that no unit is longer than
/// a full data block (a USB host reads each unit with at most the previous unit's size).
std::vector<size_t> blockLengths(size_t pageSize, size_t blockSize);

/// Hands out one page's units in order: data blocks (header + data), then the last
/// block with the page tail appended.
class PageUnits {
  public:
    PageUnits(Bytes page, int pageNo, size_t blockSize);
    /// The next unit, or nothing after the one with the tail.
    std::optional<Bytes> next();
    /// Whether the unit with the tail has been handed out.
    bool done() const { return nextBlock_ >= lengths_.size(); }

  private:
    Bytes page_;
    int pageNo_;
    std::vector<size_t> lengths_;
    size_t nextBlock_ = 0;
    size_t offset_ = 0;
};

}  // namespace scandesk::emulator
