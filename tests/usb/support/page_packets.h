// Packets of the page stream, as a scanner frames them, for scripting tests.
#pragma once

#include <cstdint>
#include <numeric>

#include "common/bytes.h"

namespace scandesk::testing {

/// A data packet: 12-byte header (page number at 3-4, payload length at 10-11), payload.
inline Bytes pagePacket(uint16_t pageNo, const Bytes& payload) {
    Bytes packet(12, 0);
    packet[0] = 0x42;
    packet[3] = static_cast<uint8_t>(pageNo & 0xFF);
    packet[4] = static_cast<uint8_t>(pageNo >> 8);
    packet[10] = static_cast<uint8_t>(payload.size() & 0xFF);
    packet[11] = static_cast<uint8_t>(payload.size() >> 8);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

/// The last packet of a page: a data packet followed by the 10-byte tail.
inline Bytes pageTail(uint16_t pageNo, const Bytes& payload, uint8_t marker = 0x82) {
    Bytes packet = pagePacket(pageNo, payload);
    packet.insert(packet.end(), {marker, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    return packet;
}

/// `size` bytes counting up from `first`, so that misplaced bytes show.
inline Bytes payloadOf(size_t size, uint8_t first = 0) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

}  // namespace scandesk::testing
