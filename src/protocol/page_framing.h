// The framing of the page stream the scanner sends after the X command, on either
// transport: data blocks with a 12-byte header, and a 10-byte record that ends a page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.h"

namespace scandesk {

/// Block types; receivers treat both alike. A page's first block uses the first.
inline constexpr uint8_t kFirstBlockType = 0x42;
inline constexpr uint8_t kNextBlockType = 0x64;
/// First byte of the record that ends a page.
inline constexpr uint8_t kPageEndMark = 0x82;
/// A block header: type at 0, page number at 3..4, data length at 10..11 (little-endian).
inline constexpr size_t kBlockHeaderSize = 12;
/// The page-end record: the mark at 0, the page number again at 3..4.
inline constexpr size_t kPageEndRecordSize = 10;
inline constexpr size_t kPageNumberAt = 3;
inline constexpr size_t kBlockLengthAt = 10;
/// Largest data length a block header can carry.
inline constexpr size_t kMaxBlockLength = 0xFFFF;

/// Whether the byte is the type of a data block.
constexpr bool isBlockType(uint8_t byte) {
    return byte == kFirstBlockType || byte == kNextBlockType;
}

/// Whether the byte begins a block header or a page-end record.
constexpr bool startsFrame(uint8_t byte) {
    return isBlockType(byte) || byte == kPageEndMark;
}

/// The data length of the block header at the start of `header` (12 bytes at least).
uint16_t blockLength(std::span<const uint8_t> header);

/// The page number of the block header or page-end record at the start of `frame`.
uint16_t framePageNumber(std::span<const uint8_t> frame);

/// A block header for `length` data bytes of page `pageNo`.
Bytes blockHeader(uint8_t type, int pageNo, uint16_t length);

/// The page-end record of page `pageNo`.
Bytes pageEndRecord(int pageNo);

}  // namespace scandesk
