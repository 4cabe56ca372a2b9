// scandesk-cli: scanning from the command line with the session core.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "discovery/snmp_environment.h"
#include "ocr/openmp_limit.h"
#include "session/default_services.h"
#include "session/desktop_directory.h"

int main(int argc, char** argv) {
    scandesk::limitOpenMpThreads(argv);  // may start the program again, so first
    scandesk::prepareSnmpEnvironment();  // while this is the only thread
    const std::vector<std::string> args(argv + 1, argv + argc);
    const scandesk::CliEnvironment env{
        [](uint16_t port) { return scandesk::defaultModelServices(port); },
        scandesk::desktopDirectory,
        std::cin,
        std::cout,
        std::cerr,
        isatty(STDERR_FILENO) == 1,
        STDIN_FILENO};
    return scandesk::runCli(args, env);
}
