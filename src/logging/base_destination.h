// What every log destination shares: level, format, colours, filters and its queue.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "logging/date_formatter.h"
#include "logging/filter.h"
#include "logging/filter_validator.h"
#include "logging/level.h"
#include "logging/serial_queue.h"

namespace scandesk {

/// A log destination. Rendering and writing run on the destination's own serial queue.
/// Set the plain configuration fields (format, texts, colours, calendar, clock) before
/// the destination is registered; the atomic ones and the filters may change any time.
class BaseDestination {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    BaseDestination();
    virtual ~BaseDestination() = default;
    BaseDestination(const BaseDestination&) = delete;
    BaseDestination& operator=(const BaseDestination&) = delete;

    /// Renders one line and writes it; returns the text written, or none. The base
    /// only renders.
    virtual std::optional<std::string> send(Level level, const std::string& msg,
                                            const std::string& thread, const std::string& file,
                                            const std::string& function, int line,
                                            const std::optional<std::string>& context);

    /// Renders one line with a format string (the token language of log formats).
    std::string formatMessage(const std::string& format, Level level, const std::string& msg,
                              const std::string& thread, const std::string& file,
                              const std::string& function, int line,
                              const std::optional<std::string>& context);

    /// Renders one line as a JSON object; none when it cannot be encoded.
    std::optional<std::string> messageToJSON(Level level, const std::string& msg,
                                             const std::string& thread, const std::string& file,
                                             const std::string& function, int line,
                                             const std::optional<std::string>& context);

    /// Whether this destination takes a call, by its filters or else its minimum level.
    bool shouldLevelBeLogged(Level level, std::string_view path, std::string_view function,
                             std::optional<std::string_view> message = std::nullopt);
    /// Whether some filter looks at the message.
    bool hasMessageFilters() const { return anyMessageFilters_; }
    /// Whether the destination has any filter at all.
    bool hasFilters() const { return anyFilters_; }
    /// Appends a filter.
    void addFilter(std::shared_ptr<FilterType> filter);
    /// Removes the first filter that is this very object.
    void removeFilter(const std::shared_ptr<FilterType>& filter);
    /// A copy of the filter list.
    FilterList filters() const;

    /// The queue `send` runs on.
    SerialQueue& queue() { return *queue_; }

    std::string format = "$DHH:mm:ss.SSS$d $C$L$c $N.$F:$l - $M";
    std::atomic<bool> asynchronously{true};
    std::atomic<Level> minLevel{Level::verbose};
    LevelString levelString;
    LevelColor levelColor;
    /// Locale identifier whose calendar the date tokens use; "" for the user's.
    std::string calendar;
    std::string reset;
    std::string escape;
    DateFormatter formatter;
    /// Where the date tokens and JSON take the current time from.
    Clock clock = std::chrono::system_clock::now;
    std::chrono::system_clock::time_point startDate;
    std::atomic<bool> debugPrint{false};

  protected:
    /// Called on the queue before and after a run of queued lines, so that a destination
    /// may gather the run's output and write it at once.
    virtual void beginQueuedLines() {}
    virtual void endQueuedLines() {}

    /// Switches escape, reset and the five level colours together.
    void applyColorScheme(const ColorScheme& scheme);

  private:
    mutable std::mutex filtersMutex_;
    FilterList filters_;
    // Kept with the list, so that calls without filters never take the lock.
    std::atomic<bool> anyFilters_{false};
    std::atomic<bool> anyMessageFilters_{false};

    void noteFilterChange();
    std::unique_ptr<SerialQueue> queue_;
};

}  // namespace scandesk
