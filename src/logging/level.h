// The five log levels and the per-level texts a destination renders.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace scandesk {

/// Severity of a log call; the raw values are what filters compare and JSON carries.
enum class Level : uint8_t { verbose = 0, debug = 1, info = 2, warning = 3, error = 4 };

/// The raw value of a level.
constexpr int levelRawValue(Level level) {
    return static_cast<int>(level);
}

/// Whether `level` is at least as severe as `minimum`.
constexpr bool levelReaches(Level level, Level minimum) {
    return levelRawValue(minimum) <= levelRawValue(level);
}

/// Five texts, one per level, in the order verbose, debug, info, warning, error.
struct LevelTexts {
    std::string verbose;
    std::string debug;
    std::string info;
    std::string warning;
    std::string error;

    /// The entry of one level.
    const std::string& at(Level level) const;
};

/// The text `$L` renders for each level.
struct LevelString : LevelTexts {
    LevelString() : LevelTexts{"VERBOSE", "DEBUG", "INFO", "WARNING", "ERROR"} {}
    explicit LevelString(LevelTexts texts) : LevelTexts(std::move(texts)) {}
};

/// The colour text `$C` renders after the destination's escape, per level.
struct LevelColor : LevelTexts {
    LevelColor() = default;
    explicit LevelColor(LevelTexts texts) : LevelTexts(std::move(texts)) {}
};

/// The escape, reset and colour texts that switch a destination's colouring.
struct ColorScheme {
    std::string reset;
    std::string escape;
    LevelColor colors;
};

/// 256-colour terminal foreground codes for the five levels.
ColorScheme terminalColorScheme();

/// No colouring at all: every text empty.
ColorScheme plainColorScheme();

}  // namespace scandesk
