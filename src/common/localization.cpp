// The process-wide localisation lookup, installed once by the front end.
#include "common/localization.h"

#include <mutex>

namespace scandesk {
namespace {

struct LookupState {
    std::mutex mutex;
    Localizer lookup;
};

LookupState& state() {
    static LookupState instance;
    return instance;
}

}  // namespace

std::string localized(std::string_view key) {
    Localizer lookup;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        lookup = s.lookup;
    }
    if (!lookup) {
        return std::string(key);
    }
    std::string text = lookup(key);
    return text.empty() ? std::string(key) : text;
}

std::string fillIn(std::string text, std::initializer_list<std::string> values) {
    int number = 1;
    for (const std::string& value : values) {
        const std::string place = "%" + std::to_string(number++);
        if (const size_t at = text.find(place); at != std::string::npos) {
            text.replace(at, place.size(), value);
        }
    }
    return text;
}

Localizer setLocalizer(Localizer lookup) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    std::swap(s.lookup, lookup);
    return lookup;
}

}  // namespace scandesk
