// The in-process virtual scanner of the network tests.
#include "virtual_scanner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>

namespace scandesk::testing {
namespace {

std::string uniqueLogPath() {
    static std::atomic<int> counter{0};
    return ::testing::TempDir() + "virtual-scanner-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++) + ".log";
}

}  // namespace

VirtualScanner::VirtualScanner(emulator::ScannerScript script, bool split, int connections)
    : logPath_(uniqueLogPath()),
      server_({.bind = "127.0.0.1",
               .port = 0,
               .connections = connections,
               .logPath = logPath_,
               .split = split,
               .idleTimeout = std::chrono::seconds(5),
               .snmpPort = {},
               .snmpModel = {},
               .script = std::move(script)}) {
    if (std::string error; !server_.listen(error)) {
        ADD_FAILURE() << error;
        return;
    }
    serving_ = std::async(std::launch::async, [this] { return server_.serve(); });
}

VirtualScanner::~VirtualScanner() {
    server_.stop();
    if (serving_.valid()) {
        serving_.wait();
    }
    std::remove(logPath_.c_str());
}

std::vector<std::string> VirtualScanner::loggedCommands() const {
    std::ifstream log(logPath_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool VirtualScanner::finished(std::chrono::milliseconds timeout) {
    return serving_.valid() && serving_.wait_for(timeout) == std::future_status::ready;
}

}  // namespace scandesk::testing
