// Page framing of the virtual scanner.
#include "emulator/page_blocks.h"

#include <algorithm>

namespace scandesk::emulator {
namespace {

// Stores a 16-bit value little-endian at `at`.
void putLittleEndian16(Bytes& bytes, size_t at, unsigned value) {
    bytes[at] = static_cast<uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

Bytes blockHeader(uint8_t type, int pageNo, uint16_t length) {
    Bytes header(kBlockHeaderSize, 0);
    header[0] = type;
    putLittleEndian16(header, 3, static_cast<unsigned>(pageNo));
    putLittleEndian16(header, 10, length);
    return header;
}

Bytes pageTail(int pageNo) {
    Bytes tail(kPageTailSize, 0);
    tail[0] = kPageEndMark;
    putLittleEndian16(tail, 3, static_cast<unsigned>(pageNo));
    return tail;
}

std::vector<size_t> blockLengths(size_t pageSize, size_t blockSize) {
    const size_t lastCap = blockSize > kPageTailSize ? blockSize - kPageTailSize : 0;
    std::vector<size_t> lengths;
    size_t remaining = pageSize;
    while (remaining > blockSize) {
        lengths.push_back(blockSize);
        remaining -= blockSize;
    }
    if (remaining > lastCap) {
        // Halve what is left rather than leave a sliver block of a few bytes.
        const size_t last = std::min(lastCap, remaining / 2);
        lengths.push_back(remaining - last);
        remaining = last;
    }
    lengths.push_back(remaining);
    return lengths;
}

PageUnits::PageUnits(Bytes page, int pageNo, size_t blockSize)
    : page_(std::move(page)), pageNo_(pageNo), lengths_(blockLengths(page_.size(), blockSize)) {}

std::optional<Bytes> PageUnits::next() {
    if (nextBlock_ >= lengths_.size()) {
        return std::nullopt;
    }
    const size_t length = lengths_[nextBlock_];
    Bytes unit = blockHeader(nextBlock_ == 0 ? kFirstBlockType : kNextBlockType, pageNo_,
                             static_cast<uint16_t>(length));
    const auto from = page_.begin() + static_cast<std::ptrdiff_t>(offset_);
    unit.insert(unit.end(), from, from + static_cast<std::ptrdiff_t>(length));
    offset_ += length;
    if (++nextBlock_ == lengths_.size()) {
        const Bytes tail = pageTail(pageNo_);
        unit.insert(unit.end(), tail.begin(), tail.end());
    }
    return unit;
}

}  // namespace scandesk::emulator
