// Prints identifiers the way discovery prints them, for the start-up tests to inspect
// in a fresh process under a chosen environment.
#include <cstdio>

#include "discovery/snmp_library.h"

int main() {
    scandesk::prepareSnmpEnvironment();
    const auto lock = scandesk::lockSnmpLibrary();
    const oid t3[] = {1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 52};
    const oid sysObjectId[] = {1, 3, 6, 1, 2, 1, 1, 2, 0};
    std::printf("%s\n", scandesk::printObjectId(t3, std::size(t3)).c_str());
    std::printf("%s\n", scandesk::printObjectId(sysObjectId, std::size(sysObjectId)).c_str());
    return 0;
}
