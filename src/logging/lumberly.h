// The logging facade: registered destinations and the level calls that feed them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>

#include "logging/base_destination.h"
#include "logging/level.h"
#include "logging/log_message.h"
#include "logging/source_position.h"

namespace scandesk {

/// Process-wide logging entry point. Each call goes to every registered destination
/// that takes it; the message is evaluated at most once, and only if one does.
///
///     Lumberly::addDestination(std::make_shared<ConsoleDestination>());
///     Lumberly::info("scan started");
///     Lumberly::debug([&] { return expensiveSummary(); }, LogContext::of(jobId));
class Lumberly {
  public:
    static constexpr std::string_view version = "2.0.0";
    static constexpr int build = 2000;

    using Destination = std::shared_ptr<BaseDestination>;
    using Where = SourcePosition;

    /// Registers a destination; false when it is already registered (or null).
    static bool addDestination(Destination destination);
    /// Unregisters a destination; false when it was not registered.
    static bool removeDestination(const Destination& destination);
    static void removeAllDestinations();
    static int countDestinations();

    /// The five level calls, each with or without a context value.
    static void verbose(LogMessage message, Where where = std::source_location::current()) {
        custom(Level::verbose, std::move(message), where);
    }
    static void verbose(LogMessage message, LogContext context,
                        Where where = std::source_location::current()) {
        custom(Level::verbose, std::move(message), where, std::move(context));
    }
    static void debug(LogMessage message, Where where = std::source_location::current()) {
        custom(Level::debug, std::move(message), where);
    }
    static void debug(LogMessage message, LogContext context,
                      Where where = std::source_location::current()) {
        custom(Level::debug, std::move(message), where, std::move(context));
    }
    static void info(LogMessage message, Where where = std::source_location::current()) {
        custom(Level::info, std::move(message), where);
    }
    static void info(LogMessage message, LogContext context,
                     Where where = std::source_location::current()) {
        custom(Level::info, std::move(message), where, std::move(context));
    }
    static void warning(LogMessage message, Where where = std::source_location::current()) {
        custom(Level::warning, std::move(message), where);
    }
    static void warning(LogMessage message, LogContext context,
                        Where where = std::source_location::current()) {
        custom(Level::warning, std::move(message), where, std::move(context));
    }
    static void error(LogMessage message, Where where = std::source_location::current()) {
        custom(Level::error, std::move(message), where);
    }
    static void error(LogMessage message, LogContext context,
                      Where where = std::source_location::current()) {
        custom(Level::error, std::move(message), where, std::move(context));
    }
    /// A call at any level, with or without context.
    static void custom(Level level, LogMessage message,
                       Where where = std::source_location::current(),
                       std::optional<LogContext> context = std::nullopt);

    /// Waits until every destination has written what was queued before this call;
    /// false when some destination did not get there within the time-out.
    static bool flush(int64_t secondTimeout);
    static bool flush(std::chrono::milliseconds timeout);

    /// "" on the main thread, the queue label on a destination's queue, otherwise a
    /// description of the current thread.
    static std::string threadName();

  private:
    static void dispatch(Level level, LogMessage& message, const Where& where,
                         const std::optional<LogContext>& context);
};

}  // namespace scandesk
