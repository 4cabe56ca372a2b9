// The discovery result text: "address,identifier|" records, parsed and matched.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devices/device.h"

namespace scandesk {

/// One record of the result text.
struct DiscoveryRecord {
    std::string address;
    std::string objectId;  ///< the identifier as printed by the library

    friend bool operator==(const DiscoveryRecord&, const DiscoveryRecord&) = default;
};

/// The records of a result text, in order. Empty pieces and pieces with fewer than two
/// fields are skipped; fields after the second are ignored.
std::vector<DiscoveryRecord> parseDiscoveryRecords(std::string_view text);

/// The part of a printed identifier that the catalogue holds: what follows the first
/// "::", then what follows the first "enterprises.".
std::string normalisedObjectId(std::string_view printed);

/// A network Device for every IDDevice row whose oid equals the record's normalised
/// identifier, with the matching diagnostic lines.
std::vector<Device> matchDiscoveryRecord(const DiscoveryRecord& record);

/// Every record of the text matched against IDDevice, in order.
std::vector<Device> devicesFromDiscoveryText(std::string_view text);

}  // namespace scandesk
