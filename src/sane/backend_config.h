// What scandesk.conf tells the backend: fixed network scanners and whether to discover.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scandesk::sane {

/// One `net IP[:PORT] [model NAME]` line.
struct NetEntry {
    std::string ip;
    uint16_t port = 0;
    std::optional<std::string> model;  ///< catalogue name; the first IDDevice row otherwise

    friend bool operator==(const NetEntry&, const NetEntry&) = default;
};

struct BackendConfig {
    std::vector<NetEntry> nets;
    bool snmpDiscovery = false;

    friend bool operator==(const BackendConfig&, const BackendConfig&) = default;
};

/// The configuration a file's text describes. Lines it cannot read, and net lines for an
/// address listed before, are skipped (and named in `rejected`, 1-based), so that one typo
/// never hides the other scanners.
BackendConfig parseBackendConfig(std::string_view text, std::vector<int>* rejected = nullptr);

/// The directories SANE frontends search for configuration files: `SANE_CONFIG_DIR`
/// (colon-separated; a trailing colon appends the default), else the default.
std::vector<std::string> configDirectories(const char* saneConfigDir);

/// The configuration of the first scandesk.conf found in `dirs`; empty when there is none.
/// Each skipped line is a warning with its number.
BackendConfig loadBackendConfig(const std::vector<std::string>& dirs);

}  // namespace scandesk::sane
