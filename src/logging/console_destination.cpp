// Console output: standard output by default, syslog(3) when asked.
#include "logging/console_destination.h"

#include <syslog.h>

#include <cstdio>

namespace scandesk {
namespace {

// One whole line on standard output, flushed so that it is not held back.
void writeToStandardOutput(std::string_view line) {
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

ConsoleDestination::ConsoleDestination() : output(writeToStandardOutput) {
    levelColor = emojiLevelColors();
}

LevelColor ConsoleDestination::emojiLevelColors() {
    return LevelColor(
        {"\U0001F49C ", "\U0001F49A ", "\U0001F499 ", "\U0001F49B ", "\u2764\uFE0F "});
}

std::optional<std::string> ConsoleDestination::send(Level level, const std::string& msg,
                                                    const std::string& thread,
                                                    const std::string& file,
                                                    const std::string& function, int line,
                                                    const std::optional<std::string>& context) {
    std::optional<std::string> text =
        BaseDestination::send(level, msg, thread, file, function, line, context);
    if (text) {
        if (useNSLog) {
            syslog(LOG_NOTICE, "%s", text->c_str());
        } else if (output) {
            output(*text);
        }
    }
    return text;
}

void ConsoleDestination::setUseTerminalColors(bool on) {
    useTerminalColors_ = on;
    if (on) {
        applyColorScheme(terminalColorScheme());
    } else {
        applyColorScheme(ColorScheme{"", "", emojiLevelColors()});
    }
}

}  // namespace scandesk
