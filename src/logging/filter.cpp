// The comparisons of a compare filter.
#include "logging/filter.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

namespace scandesk {
namespace {

using Kind = Filter::ComparisonType::Kind;

// Full Unicode lower case, as case-insensitive comparisons need it.
std::string lowercased(std::string_view text) {
    std::string out;
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
        .toLower(icu::Locale::getRoot())
        .toUTF8String(out);
    return out;
}

// Whether one string of a list comparison holds for the value.
bool holds(Kind kind, std::string_view value, std::string_view s) {
    switch (kind) {
        case Kind::StartsWith:
            return value.starts_with(s);
        case Kind::Contains:
            return value.find(s) != std::string_view::npos;
        case Kind::Excludes:
            return value.find(s) == std::string_view::npos;
        case Kind::EndsWith:
            return value.ends_with(s);
        case Kind::Equals:
            return value == s;
        case Kind::Custom:
            break;
    }
    return false;
}

}  // namespace

CompareFilter::CompareFilter(TargetType target, bool required, Level minLevel)
    : Filter(std::move(target), required, minLevel), filterComparisonType(targetType.comparison) {}

bool CompareFilter::apply(std::optional<std::string_view> value) const {
    if (!value || !filterComparisonType) {
        return false;
    }
    const ComparisonType& comparison = *filterComparisonType;
    if (comparison.kind == Kind::Custom) {
        return comparison.predicate && comparison.predicate(std::string(*value));
    }
    if (comparison.caseSensitive) {
        return std::any_of(comparison.strings.begin(), comparison.strings.end(),
                           [&](const std::string& s) { return holds(comparison.kind, *value, s); });
    }
    const std::string lowerValue = lowercased(*value);
    return std::any_of(
        comparison.strings.begin(), comparison.strings.end(),
        [&](const std::string& s) { return holds(comparison.kind, lowerValue, lowercased(s)); });
}

bool CompareFilter::isExcluded() const {
    return filterComparisonType && filterComparisonType->kind == Kind::Excludes;
}

}  // namespace scandesk
