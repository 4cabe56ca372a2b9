// How the virtual scanner cuts a page into blocks.
#include "emulator/page_blocks.h"

#include <algorithm>

namespace scandesk::emulator {

std::vector<size_t> blockLengths(size_t pageSize, size_t blockSize) {
    const size_t lastCap = blockSize > kPageEndRecordSize ? blockSize - kPageEndRecordSize : 0;
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
        const Bytes end = pageEndRecord(pageNo_);
        unit.insert(unit.end(), end.begin(), end.end());
    }
    return unit;
}

}  // namespace scandesk::emulator
