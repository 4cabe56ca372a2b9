// Starts the library as the programs do and prints an identifier the way discovery does,
// for the start-up tests to inspect in a fresh process under a chosen environment.
#include <cstdio>

#include "discovery/snmp_library.h"

int main() {
    scandesk::prepareSnmpEnvironment();
    const auto lock = scandesk::lockSnmpLibrary();
    const oid t3[] = {1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 52};
    std::printf("%s\n", scandesk::printObjectId(t3, std::size(t3)).c_str());
    return 0;
}
