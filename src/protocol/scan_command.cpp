// Encoding of the scanner commands.
#include "protocol/scan_command.h"

#include <cmath>

#include "common/diagnostics.h"

namespace scandesk {
namespace {

// D, S and I end with a line feed and U+0080 in UTF-8: three bytes.
constexpr const char* kClosing = "\n\xC2\x80";

std::string shortCommand(char letter, const std::string& body) {
    std::string text{'\x1B', letter, '\n'};
    text += body;
    text += kClosing;
    return text;
}

std::string line(const char* key, const std::string& value) {
    return std::string(key) + "=" + value + "\n";
}

}  // namespace

std::string ScanCommand::getDCommand() const {
    diagDebug("selected source = ", param.source);
    return shortCommand('D', param.source);
}

std::string ScanCommand::getSCommand() const {
    return shortCommand('S', param.source);
}

std::string ScanCommand::getICommand() const {
    return shortCommand('I', "R=" + param.resolution + "\nM=" + param.mode + "\nD=" + param.duplex);
}

Bytes ScanCommand::getXCommand() const {
    std::string text{'\x1B', 'X', '\n'};
    text += line("R", param.resolution);
    text += line("M", param.mode);
    text += line("T", param.type == "TYPE" ? std::string("TEXT") : param.type);
    text += line("C", param.compression);
    text += line("J", param.compressRatio);
    text += line("B", param.brightness);
    text += line("N", param.contrast);
    text += line("A", std::to_string(param.x) + "," + std::to_string(param.y) + "," +
                          std::to_string(param.w) + "," + std::to_string(param.h));
    text += line("D", param.duplex);
    if (param.combineType != "NoCombine" && param.hasScreen) {
        text += "Pages=2\n";
    }
    text += param.combineType == "IDCard" ? "IDCard=1\n" : "IDCard=0\n";
    diagDebug("cmd = ", text);

    Bytes bytes = toBytes(text);
    if (param.mode == "TEXT") {
        const std::string marker = "GAMA=";
        bytes.insert(bytes.end(), marker.begin(), marker.end());
        const auto table = gammaTable(param.gamma);
        bytes.insert(bytes.end(), table.begin(), table.end());
        bytes.push_back(0x80);
    }
    return bytes;
}

std::array<uint8_t, 256> gammaTable(int64_t gamma) {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        if (gamma <= 1) {
            table[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        } else {
            const double v = std::pow(i / 255.0, 1.0 / static_cast<double>(gamma)) * 255.0;
            table[static_cast<size_t>(i)] = static_cast<uint8_t>(v);
        }
    }
    return table;
}

}  // namespace scandesk
