// Reading and writing the page stream's frames.
#include "protocol/page_framing.h"

namespace scandesk {
namespace {

// The little-endian 16-bit value at `at`.
uint16_t littleEndian16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Stores a 16-bit value little-endian at `at`.
void putLittleEndian16(Bytes& bytes, size_t at, unsigned value) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

uint16_t blockLength(std::span<const uint8_t> header) {
    return littleEndian16(header, kBlockLengthAt);
}

uint16_t framePageNumber(std::span<const uint8_t> frame) {
    return littleEndian16(frame, kPageNumberAt);
}

Bytes blockHeader(uint8_t type, int pageNo, uint16_t length) {
    Bytes header(kBlockHeaderSize, 0);
    header[0] = type;
    putLittleEndian16(header, kPageNumberAt, static_cast<unsigned>(pageNo));
    putLittleEndian16(header, kBlockLengthAt, length);
    return header;
}

Bytes pageEndRecord(int pageNo) {
    Bytes record(kPageEndRecordSize, 0);
    record[0] = kPageEndMark;
    putLittleEndian16(record, kPageNumberAt, static_cast<unsigned>(pageNo));
    return record;
}

}  // namespace scandesk
