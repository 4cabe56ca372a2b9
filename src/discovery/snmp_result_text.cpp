// Turns the low layer's result text into network scanner records.
#include "discovery/snmp_result_text.h"

#include "common/diagnostics.h"
#include "devices/catalogue.h"

namespace scandesk {
namespace {

// The pieces of `text` between separators, empty pieces included.
std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

// What follows the first `marker` in `text`, or `text` itself when the marker is absent.
std::string_view after(std::string_view text, std::string_view marker) {
    const size_t at = text.find(marker);
    return at == std::string_view::npos ? text : text.substr(at + marker.size());
}

}  // namespace

std::vector<DiscoveryRecord> parseDiscoveryRecords(std::string_view text) {
    std::vector<DiscoveryRecord> records;
    for (const auto piece : splitAt(text, '|')) {
        if (piece.empty()) {
            continue;
        }
        const auto fields = splitAt(piece, ',');
        if (fields.size() < 2) {
            continue;
        }
        records.push_back(DiscoveryRecord{std::string(fields[0]), std::string(fields[1])});
    }
    return records;
}

std::string normalisedObjectId(std::string_view printed) {
    return std::string(after(after(printed, "::"), "enterprises."));
}

std::vector<Device> matchDiscoveryRecord(const DiscoveryRecord& record) {
    std::vector<Device> devices;
    const std::string objectId = normalisedObjectId(record.objectId);
    for (const auto& row : IDDevice()) {
        if (row.oid.empty()) {
            diag("⚠️ 跳过空OID的设备：", row.name);
            continue;
        }
        if (objectId != row.oid) {
            continue;
        }
        devices.push_back(Device::fromNetworkRow(row, record.address));
        diag(" find kest device  ip = ", record.address, " ,and name = ", row.name);
    }
    return devices;
}

std::vector<Device> devicesFromDiscoveryText(std::string_view text) {
    std::vector<Device> devices;
    for (const auto& record : parseDiscoveryRecords(text)) {
        auto matched = matchDiscoveryRecord(record);
        devices.insert(devices.end(), matched.begin(), matched.end());
    }
    return devices;
}

}  // namespace scandesk
