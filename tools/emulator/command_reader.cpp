// Command framing and start-command parsing of the virtual scanner.
#include "emulator/command_reader.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <string_view>
#include <vector>

namespace scandesk::emulator {
namespace {

constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kLineFeed = 0x0A;
// D, S and I end with a line feed and U+0080 in UTF-8.
constexpr std::array<uint8_t, 3> kShortClosing{0x0A, 0xC2, 0x80};
// "GAMA=", 256 table bytes, 0x80.
constexpr size_t kGammaBlockSize = 5 + 256 + 1;
// A start command that has not ended after this many bytes is not one.
constexpr size_t kMaxCommandSize = 64 * 1024;

// Whether `text` begins with `prefix`.
bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Length of the start command at the front of `bytes`, or nothing while it is incomplete.
std::optional<size_t> startCommandLength(const Bytes& bytes) {
    bool textMode = false;
    size_t lineStart = 3;
    while (lineStart < bytes.size()) {
        const auto lineEnd = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(lineStart),
                                       bytes.end(), kLineFeed);
        if (lineEnd == bytes.end()) {
            return std::nullopt;
        }
        const size_t end = static_cast<size_t>(lineEnd - bytes.begin());
        const std::string_view line(reinterpret_cast<const char*>(bytes.data()) + lineStart,
                                    end - lineStart);
        if (startsWith(line, "M=")) {
            textMode = line == "M=TEXT";
        }
        if (startsWith(line, "IDCard=")) {
            const size_t total = end + 1 + (textMode ? kGammaBlockSize : 0);
            return total <= bytes.size() ? std::optional<size_t>(total) : std::nullopt;
        }
        lineStart = end + 1;
    }
    return std::nullopt;
}

// Length of the command at the front of `bytes` (which begins with ESC), or nothing.
std::optional<size_t> commandLength(const Bytes& bytes) {
    if (bytes.size() < 3) {
        return std::nullopt;
    }
    if (bytes[1] == 'X') {
        return startCommandLength(bytes);
    }
    const auto closing =
        std::search(bytes.begin() + 2, bytes.end(), kShortClosing.begin(), kShortClosing.end());
    if (closing == bytes.end()) {
        return std::nullopt;
    }
    return static_cast<size_t>(closing - bytes.begin()) + kShortClosing.size();
}

// Whether the byte after an escape names one of the scanner's commands.
bool isCommandLetter(uint8_t letter) {
    return letter == 'D' || letter == 'S' || letter == 'I' || letter == 'X';
}

// Moves the first `count` pending bytes out as one command.
HostCommand take(Bytes& pending, size_t count, char letter) {
    HostCommand command{letter, Bytes(pending.begin(), pending.begin() + count)};
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
    return command;
}

// The whole text as a decimal integer, or nothing.
std::optional<int64_t> number(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The pieces of `text` between separators.
std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

}  // namespace

void CommandReader::feed(std::span<const uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

std::optional<HostCommand> CommandReader::next() {
    if (pending_.empty()) {
        return std::nullopt;
    }
    const auto escape = std::find(pending_.begin(), pending_.end(), kEscape);
    if (escape != pending_.begin()) {
        // Bytes before a command's first byte are handed out on their own, so that
        // they show in the log but never shift a command.
        return take(pending_, static_cast<size_t>(escape - pending_.begin()), 0);
    }
    if (pending_.size() >= 2 && !isCommandLetter(pending_[1])) {
        // An escape before anything but a command letter starts nothing: it must not
        // swallow the command that follows.
        return take(pending_, 1, 0);
    }
    if (const auto length = commandLength(pending_)) {
        return take(pending_, *length, static_cast<char>(pending_[1]));
    }
    if (pending_.size() > kMaxCommandSize) {
        // Never ends: give it up as stray bytes, up to the next possible command start.
        const auto nextEscape = std::find(pending_.begin() + 1, pending_.end(), kEscape);
        return take(pending_, static_cast<size_t>(nextEscape - pending_.begin()), 0);
    }
    return std::nullopt;
}

std::optional<JobRequest> parseStartCommand(const Bytes& raw) {
    const auto length = raw.size() >= 3 && raw[0] == kEscape && raw[1] == 'X'
                            ? startCommandLength(raw)
                            : std::nullopt;
    if (!length || *length != raw.size()) {
        return std::nullopt;
    }
    JobRequest job;
    std::iota(job.gamma.begin(), job.gamma.end(), 0);
    std::optional<size_t> idCardEnd;
    const std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());
    size_t lineStart = 3;
    bool areaSeen = false;
    while (!idCardEnd) {
        const size_t lineEnd = text.find('\n', lineStart);
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        if (startsWith(line, "R=")) {
            job.dpi = static_cast<int>(number(split(line.substr(2), ',').front()).value_or(0));
        } else if (startsWith(line, "M=")) {
            job.mode = line.substr(2);
        } else if (startsWith(line, "A=")) {
            const auto values = split(line.substr(2), ',');
            if (values.size() != 4) {
                return std::nullopt;
            }
            const auto w = number(values[2]);
            const auto h = number(values[3]);
            if (!number(values[0]) || !number(values[1]) || !w || !h) {
                return std::nullopt;
            }
            job.w = *w;
            job.h = *h;
            areaSeen = true;
        } else if (startsWith(line, "IDCard=")) {
            idCardEnd = lineEnd + 1;
        }
        lineStart = lineEnd + 1;
    }
    if (job.mode == "TEXT") {
        const std::string_view block = text.substr(*idCardEnd);
        if (!startsWith(block, "GAMA=") || static_cast<uint8_t>(block.back()) != 0x80) {
            return std::nullopt;
        }
        std::copy_n(raw.begin() + static_cast<std::ptrdiff_t>(*idCardEnd + 5), 256,
                    job.gamma.begin());
    }
    const bool knownMode = job.mode == "TEXT" || job.mode == "GRAY256" || job.mode == "CGRAY";
    const bool sizeOk = job.w > 0 && job.h > 0 && job.w <= kMaxPageSide && job.h <= kMaxPageSide;
    if (!areaSeen || !knownMode || !sizeOk) {
        return std::nullopt;
    }
    return job;
}

}  // namespace scandesk::emulator
