// Parsing scandesk.conf.
#include "sane/backend_config.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "common/diagnostics.h"
#include "network/ipv4_address.h"
#include "network/network_scan_options.h"

namespace scandesk::sane {
namespace {

constexpr std::string_view kDefaultConfigDir = "/etc/sane.d";
constexpr std::string_view kBlanks = " \t\r";

// The words of a line, comment removed.
std::vector<std::string_view> words(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> out;
    while (true) {
        const size_t start = line.find_first_not_of(kBlanks);
        if (start == std::string_view::npos) {
            return out;
        }
        line.remove_prefix(start);
        const size_t end = line.find_first_of(kBlanks);
        out.push_back(line.substr(0, end));
        line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    }
}

// "IP" or "IP:PORT", with a dotted IPv4 address and a port from 1 to 65535.
std::optional<NetEntry> parseAddress(std::string_view text) {
    NetEntry entry;
    entry.port = kScannerPort;
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view port = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc{} || end != port.data() + port.size() || value == 0 ||
            value > 65535) {
            return std::nullopt;
        }
        entry.port = static_cast<uint16_t>(value);
        text = text.substr(0, colon);
    }
    entry.ip = std::string(text);
    if (!isDottedIPv4(entry.ip)) {
        return std::nullopt;
    }
    return entry;
}

// The net entry of a line's words after "net", if they form one.
std::optional<NetEntry> parseNet(const std::vector<std::string_view>& w) {
    if (w.size() < 2 || w.size() == 3) {
        return std::nullopt;
    }
    std::optional<NetEntry> entry = parseAddress(w[1]);
    if (entry && w.size() > 2) {
        if (w[2] != "model") {
            return std::nullopt;
        }
        // Model names hold blanks ("Tessel T3"): the rest of the line, single-spaced.
        std::string model(w[3]);
        for (size_t i = 4; i < w.size(); ++i) {
            model.append(" ").append(w[i]);
        }
        entry->model = std::move(model);
    }
    return entry;
}

}  // namespace

BackendConfig parseBackendConfig(std::string_view text, std::vector<int>* rejected) {
    BackendConfig config;
    int lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const size_t end = text.find('\n');
        const std::vector<std::string_view> w = words(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        bool understood = w.empty();
        if (!w.empty() && w[0] == "net") {
            std::optional<NetEntry> entry = parseNet(w);
            // A second line for one address would list one scanner twice: the first stays.
            const bool listed =
                entry &&
                std::any_of(config.nets.begin(), config.nets.end(), [&](const NetEntry& e) {
                    return e.ip == entry->ip && e.port == entry->port;
                });
            if (entry && !listed) {
                config.nets.push_back(std::move(*entry));
                understood = true;
            }
        } else if (w.size() == 2 && w[0] == "snmp-discovery" && (w[1] == "yes" || w[1] == "no")) {
            config.snmpDiscovery = w[1] == "yes";
            understood = true;
        }
        if (!understood && rejected) {
            rejected->push_back(lineNo);
        }
    }
    return config;
}

std::vector<std::string> configDirectories(const char* saneConfigDir) {
    std::vector<std::string> dirs;
    std::string_view list = saneConfigDir ? saneConfigDir : "";
    if (list.empty()) {
        return {std::string(kDefaultConfigDir)};
    }
    const bool appendDefault = list.back() == ':';
    while (!list.empty()) {
        const size_t colon = list.find(':');
        if (colon != 0) {
            dirs.emplace_back(list.substr(0, colon));
        }
        list.remove_prefix(colon == std::string_view::npos ? list.size() : colon + 1);
    }
    if (appendDefault) {
        dirs.emplace_back(kDefaultConfigDir);
    }
    return dirs;
}

BackendConfig loadBackendConfig(const std::vector<std::string>& dirs) {
    for (const std::string& dir : dirs) {
        const std::string path = dir + "/scandesk.conf";
        std::ifstream file(path);
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            std::vector<int> rejected;
            BackendConfig config = parseBackendConfig(text.str(), &rejected);
            // Each skipped line named, so that a typo does not just hide a scanner.
            std::istringstream lines(text.str());
            std::string line;
            for (int lineNo = 1, next = 0; std::getline(lines, line); ++lineNo) {
                if (next < static_cast<int>(rejected.size()) && rejected[next] == lineNo) {
                    diagWarning(path, ":", lineNo,
                                ": skipped, not a valid line or an address listed before: ", line);
                    ++next;
                }
            }
            return config;
        }
    }
    return {};
}

}  // namespace scandesk::sane
