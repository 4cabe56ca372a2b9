// A destination that writes lines to standard output or to the system log.
#pragma once

#include <functional>
#include <string_view>

#include "logging/base_destination.h"

namespace scandesk {

/// Writes each rendered line to standard output, or with `useNSLog` to syslog(3).
/// Level colours are emoji markers unless terminal colours are switched on.
class ConsoleDestination : public BaseDestination {
  public:
    /// Receives one rendered line without its line end.
    using LineWriter = std::function<void(std::string_view line)>;

    ConsoleDestination();

    std::optional<std::string> send(Level level, const std::string& msg, const std::string& thread,
                                    const std::string& file, const std::string& function, int line,
                                    const std::optional<std::string>& context) override;

    /// Terminal colour codes (true) or the emoji markers (false).
    void setUseTerminalColors(bool on);
    bool useTerminalColors() const { return useTerminalColors_; }

    /// Hands lines to the system log instead of standard output.
    std::atomic<bool> useNSLog{false};
    /// Where lines go without `useNSLog`; standard output unless replaced.
    LineWriter output;

    /// The emoji level markers, each followed by a blank.
    static LevelColor emojiLevelColors();

  private:
    bool useTerminalColors_ = false;
};

}  // namespace scandesk
