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

// One side only: the scanners are driven single-sided.
constexpr const char* kDuplex = "SIN";

std::string line(const char* key, const std::string& value) {
    return std::string(key) + "=" + value + "\n";
}

// "300,300": the resolution across and down.
std::string resolutionValue(int dpi) {
    return std::to_string(dpi) + "," + std::to_string(dpi);
}

}  // namespace

std::string ScanCommand::getDCommand() const {
    diagDebug("selected source = ", toText(param.source));
    return shortCommand('D', std::string(toText(param.source)));
}

std::string ScanCommand::getSCommand() const {
    return shortCommand('S', std::string(toText(param.source)));
}

std::string ScanCommand::getICommand() const {
    return shortCommand('I', "R=" + resolutionValue(param.dpi) +
                                 "\nM=" + std::string(toText(param.mode)) + "\nD=" + kDuplex);
}

Bytes ScanCommand::getXCommand() const {
    const bool blackWhite = param.mode == ColorMode::blackWhite;
    std::string text{'\x1B', 'X', '\n'};
    text += line("R", resolutionValue(param.dpi));
    text += line("M", std::string(toText(param.mode)));
    // The scanner calls text content what the choices call "TYPE".
    text += line("T", param.content == ContentType::text ? std::string("TEXT")
                                                         : std::string(toText(param.content)));
    text += line("C", blackWhite ? "BMP" : "JPEG");
    text += line("J", "MID");
    text += line("B", "50");
    text += line("N", "50");
    text += line("A", std::to_string(param.x) + "," + std::to_string(param.y) + "," +
                          std::to_string(param.w) + "," + std::to_string(param.h));
    text += line("D", kDuplex);
    if (combines(param.combine) && param.hasScreen) {
        text += "Pages=2\n";
    }
    text += param.combine == CombineType::idCard ? "IDCard=1\n" : "IDCard=0\n";
    diagDebug("cmd = ", text);

    Bytes bytes = toBytes(text);
    if (blackWhite) {
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
