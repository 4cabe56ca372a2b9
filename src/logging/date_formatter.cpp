// Date patterns through the ICU date formatter; one formatter per zone kept and reused.
#include "logging/date_formatter.h"

#include <unicode/calendar.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <optional>

namespace scandesk {
namespace {

// One ICU formatter with the pattern and calendar it was last set up for, and the
// last text it made: lines logged within one millisecond share it.
struct ZoneFormatter {
    std::unique_ptr<icu::SimpleDateFormat> format;
    std::string pattern;
    std::string calendarLocale;
    std::optional<int64_t> lastMillis;
    std::string lastText;
};

// The locale whose calendar a date uses; the user's for "".
icu::Locale localeFor(std::string_view calendarLocale) {
    return calendarLocale.empty() ? icu::Locale::getDefault()
                                  : icu::Locale(std::string(calendarLocale).c_str());
}

// Brings a zone formatter to the requested calendar and pattern; false when ICU refuses.
bool prepare(ZoneFormatter& slot, const icu::TimeZone& zone, std::string_view pattern,
             std::string_view calendarLocale) {
    UErrorCode status = U_ZERO_ERROR;
    if (!slot.format || slot.calendarLocale != calendarLocale) {
        const icu::Locale locale = localeFor(calendarLocale);
        auto format = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString::fromUTF8(std::string(pattern)), locale, status);
        if (U_FAILURE(status)) {
            return false;
        }
        format->adoptCalendar(icu::Calendar::createInstance(zone.clone(), locale, status));
        if (U_FAILURE(status)) {
            return false;
        }
        slot.format = std::move(format);
        slot.calendarLocale = std::string(calendarLocale);
        slot.pattern = std::string(pattern);
        slot.lastMillis.reset();
    } else if (slot.pattern != pattern) {
        slot.format->applyPattern(icu::UnicodeString::fromUTF8(std::string(pattern)));
        slot.pattern = std::string(pattern);
        slot.lastMillis.reset();
    }
    return true;
}

}  // namespace

struct DateFormatter::Impl {
    std::unique_ptr<icu::TimeZone> zone{icu::TimeZone::createDefault()};
    std::unique_ptr<icu::TimeZone> utcZone{icu::TimeZone::createTimeZone("UTC")};
    ZoneFormatter local;
    ZoneFormatter utc;
};

DateFormatter::DateFormatter() : impl_(std::make_unique<Impl>()) {}

DateFormatter::~DateFormatter() = default;

bool DateFormatter::setTimeZone(std::string_view zoneId) {
    std::unique_ptr<icu::TimeZone> zone(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(std::string(zoneId))));
    if (*zone == icu::TimeZone::getUnknown()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    impl_->zone = std::move(zone);
    impl_->local = ZoneFormatter{};
    return true;
}

std::string DateFormatter::timeZone() const {
    std::lock_guard lock(mutex_);
    icu::UnicodeString id;
    impl_->zone->getID(id);
    std::string text;
    id.toUTF8String(text);
    return text;
}

std::string DateFormatter::format(std::string_view pattern, TimePoint when,
                                  std::string_view calendarLocale, bool utc) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    std::lock_guard lock(mutex_);
    ZoneFormatter& slot = utc ? impl_->utc : impl_->local;
    const icu::TimeZone& zone = utc ? *impl_->utcZone : *impl_->zone;
    if (!prepare(slot, zone, pattern, calendarLocale)) {
        return {};
    }
    if (slot.lastMillis != millis.count()) {
        icu::UnicodeString out;
        slot.format->format(static_cast<UDate>(millis.count()), out);
        slot.lastText.clear();
        out.toUTF8String(slot.lastText);
        slot.lastMillis = millis.count();
    }
    return slot.lastText;
}

}  // namespace scandesk
