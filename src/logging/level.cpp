// Per-level texts and the colour schemes the destinations switch between.
#include "logging/level.h"

namespace scandesk {

const std::string& LevelTexts::at(Level level) const {
    switch (level) {
        case Level::verbose:
            return verbose;
        case Level::debug:
            return debug;
        case Level::info:
            return info;
        case Level::warning:
            return warning;
        case Level::error:
            break;
    }
    return error;
}

ColorScheme terminalColorScheme() {
    return ColorScheme{"\x1b[0m", "\x1b[38;5;", LevelColor({"251m", "35m", "38m", "178m", "197m"})};
}

ColorScheme plainColorScheme() {
    return ColorScheme{};
}

}  // namespace scandesk
