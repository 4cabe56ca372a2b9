// Builders for the page stream bytes a scanner sends over TCP.
#pragma once

#include <numeric>

#include "common/bytes.h"
#include "network/network_scan_options.h"

namespace scandesk::testing {

/// A data block: 12-byte header (type, page number at 3..4, L at 10..11) and its data.
inline Bytes dataBlock(uint8_t type, const Bytes& data, int pageNo = 1) {
    Bytes block(12, 0);
    block[0] = type;
    block[3] = static_cast<uint8_t>(pageNo);
    block[10] = static_cast<uint8_t>(data.size() & 0xFF);
    block[11] = static_cast<uint8_t>(data.size() >> 8);
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

/// The 10-byte page-end record.
inline Bytes pageEnd() {
    Bytes record(10, 0);
    record[0] = 0x82;
    return record;
}

/// `count` bytes counting up from `first`, so that misplaced bytes show.
inline Bytes pattern(size_t count, uint8_t first = 1) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

/// The first `count` bytes.
inline Bytes prefix(const Bytes& bytes, size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(count));
}

inline Bytes operator+(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

/// Limits short enough for tests: nothing waits more than a fraction of a second.
inline CommunicatorLimits quickLimits() {
    CommunicatorLimits limits;
    limits.settleDelay = std::chrono::milliseconds(1);
    limits.replyTimeout = std::chrono::milliseconds(600);
    limits.pageTimeout = std::chrono::milliseconds(600);
    limits.statusGrace = std::chrono::milliseconds(200);
    return limits;
}

}  // namespace scandesk::testing
