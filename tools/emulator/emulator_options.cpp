// Parsing of scandesk-emulator's command line.
#include "emulator/emulator_options.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "emulator/snmp_agent.h"

namespace scandesk::emulator {
namespace {

constexpr uint16_t kSnmpAgentPort = 161;

// The whole text as a number in `base`, or nothing.
template <typename Number>
std::optional<Number> parseNumber(const std::string& text, int base = 10) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A decimal count within [lowest, highest], or nothing.
std::optional<int> parseCount(const std::string& text, int lowest, int highest) {
    const auto value = parseNumber<int>(text);
    if (!value || *value < lowest || *value > highest) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<uint8_t> parseByteValue(const std::string& text) {
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    const auto value = parseNumber<unsigned>(hex ? text.substr(2) : text, hex ? 16 : 10);
    if (!value || *value > 0xFF) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(*value);
}

std::optional<Bytes> parseEscapedText(const std::string& text) {
    Bytes bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0) {
            const auto value = parseNumber<unsigned>(text.substr(i + 2, 2), 16);
            if (i + 4 > text.size() || !value) {
                return std::nullopt;
            }
            bytes.push_back(static_cast<uint8_t>(*value));
            i += 3;
        } else {
            bytes.push_back(static_cast<uint8_t>(text[i]));
        }
    }
    return bytes;
}

std::string emulatorUsage() {
    return "usage: scandesk-emulator [options]\n"
           "  --bind ADDRESS        address to listen on (default 127.0.0.1)\n"
           "  --port N              port (default 54321; 0 lets the system choose)\n"
           "  --pages N             pages per job (default 1)\n"
           "  --feeder STATE        loaded|empty|unknown|missing: D replies 80, C2, C4, D0\n"
           "  --greeting TEXT       greeting of each connection (default 0001; \\xHH escapes;\n"
           "                        an empty text sends none)\n"
           "  --fail-after N        after N pages send the --status byte instead of more\n"
           "  --status BYTE         that status byte (default 0xC3; alone: fail at once)\n"
           "  --d-reply BYTE        reply to the D command, whatever the feeder\n"
           "  --s-reply BYTE        reply to the S command (default 0x80)\n"
           "  --i-reply BYTE        reply to the I command (default 0x00)\n"
           "  --block-size N        data bytes per block, 1..65535 (default 32768)\n"
           "  --page-file FILE      serve this JPEG file as a page of grey and colour jobs;\n"
           "                        repeated: the files in turn\n"
           "  --page-gap MS         wait MS milliseconds before each page after the first\n"
           "  --split               send the page stream in small random pieces\n"
           "  --silent-after N      send N units (greeting, replies, blocks), then nothing\n"
           "  --connections N       serve N connections, then exit\n"
           "  --idle-timeout S      drop a connection silent for S seconds (default 300)\n"
           "  --log FILE            write every received command in hex, one line each\n"
           "  --snmp                answer SNMP discovery on UDP port 161 of every address\n"
           "  --snmp-port N         the same on UDP port N (1..65535)\n"
           "  --snmp-delay MS       wait MS milliseconds (0..10000) before each SNMP answer\n"
           "  --model NAME          the model the SNMP agent claims to be, one that discovery\n"
           "                        matches (default: the first of them)\n";
}

std::variant<EmulatorOptions, std::string> parseEmulatorOptions(std::span<const std::string> args) {
    EmulatorOptions options;
    bool statusGiven = false;
    using Setter = std::function<bool(const std::string&)>;
    ScannerScript& script = options.script;
    const std::map<std::string, Setter> valued{
        {"--bind",
         [&](const std::string& v) {
             options.bind = v;
             return !v.empty();
         }},
        {"--port",
         [&](const std::string& v) {
             const auto port = parseCount(v, 0, 65535);
             options.port = static_cast<uint16_t>(port.value_or(0));
             return port.has_value();
         }},
        {"--pages",
         [&](const std::string& v) {
             script.pages = parseCount(v, 0, 9999).value_or(-1);
             return script.pages >= 0;
         }},
        {"--feeder",
         [&](const std::string& v) {
             const auto state = feederStateNamed(v);
             script.feeder = state.value_or(FeederState::loaded);
             return state.has_value();
         }},
        {"--greeting",
         [&](const std::string& v) {
             const auto bytes = parseEscapedText(v);
             script.greeting = bytes.value_or(Bytes{});
             return bytes.has_value();
         }},
        {"--fail-after",
         [&](const std::string& v) {
             script.failAfterPages = parseCount(v, 0, 9999);
             return script.failAfterPages.has_value();
         }},
        {"--status",
         [&](const std::string& v) {
             statusGiven = true;
             const auto byte = parseByteValue(v);
             script.failStatus = byte.value_or(0);
             return byte.has_value();
         }},
        {"--d-reply",
         [&](const std::string& v) {
             script.paperReply = parseByteValue(v);
             return script.paperReply.has_value();
         }},
        {"--s-reply",
         [&](const std::string& v) {
             const auto byte = parseByteValue(v);
             script.sourceReply = byte.value_or(0);
             return byte.has_value();
         }},
        {"--i-reply",
         [&](const std::string& v) {
             const auto byte = parseByteValue(v);
             script.parametersReply = byte.value_or(0);
             return byte.has_value();
         }},
        {"--block-size",
         [&](const std::string& v) {
             const auto size = parseCount(v, 1, static_cast<int>(kMaxBlockLength));
             script.blockSize = static_cast<size_t>(size.value_or(1));
             return size.has_value();
         }},
        {"--silent-after",
         [&](const std::string& v) {
             const auto units = parseCount(v, 0, 1 << 30);
             script.silentAfterUnits = units ? std::optional<size_t>(*units) : std::nullopt;
             return units.has_value();
         }},
        {"--connections",
         [&](const std::string& v) {
             options.connections = parseCount(v, 1, 1 << 30);
             return options.connections.has_value();
         }},
        {"--idle-timeout",
         [&](const std::string& v) {
             const auto seconds = parseCount(v, 1, 86400);
             options.idleTimeout = std::chrono::seconds(seconds.value_or(1));
             return seconds.has_value();
         }},
        {"--log",
         [&](const std::string& v) {
             options.logPath = v;
             return !v.empty();
         }},
        {"--page-file",
         [&](const std::string& v) {
             // A file that cannot be opened reads as empty.
             std::ifstream in(v, std::ios::binary);
             script.pageFiles.emplace_back(std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>());
             return !script.pageFiles.back().empty();
         }},
        {"--page-gap",
         [&](const std::string& v) {
             const auto gap = parseCount(v, 0, 600000);
             script.pageGap = std::chrono::milliseconds(gap.value_or(0));
             return gap.has_value();
         }},
        {"--snmp-port",
         [&](const std::string& v) {
             const auto port = parseCount(v, 1, 65535);
             options.snmpPort = static_cast<uint16_t>(port.value_or(1));
             return port.has_value();
         }},
        {"--snmp-delay",
         [&](const std::string& v) {
             const auto delay = parseCount(v, 0, 10000);
             options.snmpDelay = std::chrono::milliseconds(delay.value_or(0));
             return delay.has_value();
         }},
        {"--model",
         [&](const std::string& v) {
             options.snmpModel = v;
             return !v.empty();
         }},
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& flag = args[i];
        if (flag == "--help" || flag == "-h") {
            return std::string();
        }
        if (flag == "--split") {
            options.split = true;
            continue;
        }
        if (flag == "--snmp") {
            options.snmpPort = options.snmpPort.value_or(kSnmpAgentPort);
            continue;
        }
        const auto setter = valued.find(flag);
        if (setter == valued.end()) {
            return "unknown option " + flag;
        }
        if (i + 1 >= args.size()) {
            return flag + " needs a value";
        }
        if (!setter->second(args[++i])) {
            return "bad value for " + flag + ": \"" + args[i] + "\"";
        }
    }
    if (!options.snmpModel.empty() && !snmpModelRow(options.snmpModel)) {
        return "--model: \"" + options.snmpModel +
               "\" is not a model discovery can match; it can claim: " + snmpModelNames();
    }
    if (statusGiven && !script.failAfterPages) {
        script.failAfterPages = 0;
    }
    return options;
}

}  // namespace scandesk::emulator
