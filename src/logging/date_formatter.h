// Formats points in time with date patterns, in a chosen calendar and time zone.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace scandesk {

/// A reusable date formatter for the date tokens of a log format. The pattern
/// language is the common one ("HH:mm:ss.SSS", "yyyy-MM-dd"...). Thread-safe.
class DateFormatter {
  public:
    using TimePoint = std::chrono::system_clock::time_point;

    /// The system's time zone and the user's calendar.
    DateFormatter();
    ~DateFormatter();
    DateFormatter(const DateFormatter&) = delete;
    DateFormatter& operator=(const DateFormatter&) = delete;

    /// Sets the time zone of local dates by its identifier ("Europe/Berlin", "UTC");
    /// returns false and keeps the zone when the identifier is unknown.
    bool setTimeZone(std::string_view zoneId);
    /// The identifier of the time zone of local dates.
    std::string timeZone() const;

    /// Formats `when` with `pattern` in the calendar of `calendarLocale` ("" for the
    /// user's), in the formatter's time zone or, with `utc`, in UTC.
    std::string format(std::string_view pattern, TimePoint when, std::string_view calendarLocale,
                       bool utc);

  private:
    struct Impl;
    mutable std::mutex mutex_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace scandesk
