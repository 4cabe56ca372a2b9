// scandesk-emulator: a virtual scanner on TCP (and SNMP) for demos and tests.
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "discovery/snmp_environment.h"
#include "emulator/emulator_server.h"
#include "emulator/snmp_agent.h"
#include "logging/program_log.h"

using namespace scandesk;
using namespace scandesk::emulator;

/// Parses the options, listens, says where, and serves until done.
int main(int argc, char** argv) {
    prepareSnmpEnvironment();  // before any thread exists
    // Connections and faults on standard error; standard output says where it listens.
    ProgramLogSettings logging;
    logging.consoleLevel = Level::info;
    const ProgramLog log(std::move(logging));
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
    std::unique_ptr<SnmpAgent> agent;
    // Copied: the options go to the server whole. The parser has checked the model.
    const std::optional<uint16_t> snmpPort = options.snmpPort;
    const std::optional<BaseDevice> model = snmpModelRow(options.snmpModel);
    if (snmpPort && model) {
        // Bound before the first line is written, so a script may ask at once.
        agent = std::make_unique<SnmpAgent>(*model, options.snmpDelay);
        std::string error;
        if (!agent->listen(*snmpPort, error)) {
            std::cerr << "scandesk-emulator: " << error << "\n";
            return 1;
        }
    }
    EmulatorServer server(std::move(options));
    std::string error;
    if (!server.listen(error)) {
        std::cerr << "scandesk-emulator: " << error << "\n";
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Scripts read the chosen port from this first line.
    std::cout << "scandesk-emulator listening on " << bind << ":" << server.port() << std::endl;
    std::jthread snmp;
    if (agent) {
        std::cout << "scandesk-emulator answers SNMP on udp port " << *snmpPort << " as "
                  << model->name << std::endl;
        snmp = std::jthread([&agent](std::stop_token stop) { agent->serve(stop); });
    }
    server.serve();
    return 0;
}
