// Ships the SNMPv2-SMI names the catalogue match relies on.
//
// Debian installs no SNMPv2-SMI module, so identifiers would print as "iso.3.6.1.4.1...";
// with this module loaded they print as "SNMPv2-SMI::enterprises..." on every machine.
#include "discovery/snmp_mib.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <sys/mman.h>
#include <unistd.h>

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

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::string_view snmpMinimalSmiModule() {
    return MINIMAL_SMI_MODULE;
}

bool loadSnmpMinimalSmiModule() {
    // read_mib wants a path; an anonymous memory file gives it one without writing to disk.
    const FileDescriptor file(::memfd_create("scandesk-snmpv2-smi", MFD_CLOEXEC));
    if (file.get() < 0) {
        return false;
    }
    const auto text = snmpMinimalSmiModule();
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(file.get(), text.data() + written, text.size() - written);
        if (n <= 0) {
            return false;
        }
        written += static_cast<size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(file.get());
    return read_mib(path.c_str()) != nullptr;
}

}  // namespace scandesk
