// The SANE backend's scandesk.conf parser: any text a user or a package may leave there.
#include "fuzz.h"
#include "sane/backend_config.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<int> rejected;
    const sane::BackendConfig config = sane::parseBackendConfig(text, &rejected);
    const auto lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (int line : rejected) {
        require(line >= 1 && line <= lines, "a rejected line is a line of the file");
    }
    // What was accepted, written back as the file's own lines, reads the same.
    std::string written;
    for (const sane::NetEntry& net : config.nets) {
        require(!net.ip.empty() && net.port != 0, "an entry names an address and a port");
        written += "net " + net.ip + ":" + std::to_string(net.port);
        written += net.model ? " model " + *net.model + "\n" : "\n";
    }
    written += config.snmpDiscovery ? "snmp-discovery yes\n" : "";
    require(sane::parseBackendConfig(written) == config, "accepted entries read back the same");
    return 0;
}
