// Command-line options of scandesk-emulator.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "emulator/scanner_engine.h"

namespace scandesk::emulator {

/// Everything the TCP front end is told on its command line.
struct EmulatorOptions {
    std::string bind = "127.0.0.1";
    uint16_t port = 54321;                  ///< 0 lets the system choose
    std::optional<int> connections{};       ///< serve this many connections, then exit
    std::string logPath;                    ///< received commands in hex; empty: no log
    bool split = false;                     ///< page stream in small random pieces
    std::chrono::seconds idleTimeout{300};  ///< a connection silent this long is dropped
    std::optional<uint16_t> snmpPort{};     ///< answer SNMP discovery on this UDP port
    std::string snmpModel;                  ///< the model the agent claims; empty: the first
    std::chrono::milliseconds snmpDelay{};  ///< how long the agent waits before each answer
    ScannerScript script{};
};

/// The options, or the reason the arguments (program name excluded) are not usable.
/// "--help" gives an empty reason.
std::variant<EmulatorOptions, std::string> parseEmulatorOptions(std::span<const std::string> args);

/// The usage text.
std::string emulatorUsage();

/// A byte value given as decimal or as hexadecimal with "0x"; nothing when out of range.
std::optional<uint8_t> parseByteValue(const std::string& text);

/// Text with "\xHH" escapes turned into bytes (a greeting may be non-text).
std::optional<Bytes> parseEscapedText(const std::string& text);

}  // namespace scandesk::emulator
