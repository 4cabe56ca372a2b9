// scandesk-emulator: a virtual scanner on TCP for demos and tests.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "common/diagnostics.h"
#include "emulator/emulator_server.h"

using namespace scandesk;
using namespace scandesk::emulator;

/// Parses the options, listens, says where, and serves until done.
int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto parsed = parseEmulatorOptions(args);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        if (error->empty()) {
            std::cout << emulatorUsage();
            return 0;
        }
        std::cerr << "scandesk-emulator: " << *error << "\n" << emulatorUsage();
        return 2;
    }
    auto& options = std::get<EmulatorOptions>(parsed);
    const std::string bind = options.bind;
    EmulatorServer server(std::move(options));
    std::string error;
    if (!server.listen(error)) {
        std::cerr << "scandesk-emulator: " << error << "\n";
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Scripts read the chosen port from this first line.
    diag("scandesk-emulator listening on ", bind, ":", server.port());
    server.serve();
    return 0;
}
