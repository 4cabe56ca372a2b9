// Ships the SNMPv2-SMI names the catalogue match relies on.
//
// Debian installs no SNMPv2-SMI module, so identifiers would print as "iso.3.6.1.4.1...";
// with this module loaded they print as "SNMPv2-SMI::enterprises..." on every machine.
#include "discovery/snmp_mib.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

namespace scandesk {
namespace {

constexpr std::string_view MINIMAL_SMI_MODULE = R"(SNMPv2-SMI DEFINITIONS ::= BEGIN

-- the path from the root to the private enterprises arc

org            OBJECT IDENTIFIER ::= { iso 3 }
dod            OBJECT IDENTIFIER ::= { org 6 }
internet       OBJECT IDENTIFIER ::= { dod 1 }
private        OBJECT IDENTIFIER ::= { internet 4 }
enterprises    OBJECT IDENTIFIER ::= { private 1 }

END
)";

// Closes a stream when it goes out of scope.
struct StreamCloser {
    void operator()(FILE* stream) const { std::fclose(stream); }
};

}  // namespace

std::string_view snmpMinimalSmiModule() {
    return MINIMAL_SMI_MODULE;
}

bool loadSnmpMinimalSmiModule() {
    // read_mib wants a path; an anonymous memory file gives it one without writing to disk.
    const int fd = ::memfd_create("scandesk-snmpv2-smi", MFD_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const std::unique_ptr<FILE, StreamCloser> file(::fdopen(fd, "w"));
    if (!file) {
        ::close(fd);
        return false;
    }
    const auto text = snmpMinimalSmiModule();
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
        std::fflush(file.get()) != 0) {
        return false;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    return read_mib(path.c_str()) != nullptr;
}

}  // namespace scandesk
