// Log filters: what property of a call a filter tests, how, and from which level on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logging/level.h"

namespace scandesk {

class Filter {
  public:
    /// How a filter compares the value it sees.
    struct ComparisonType {
        enum class Kind { StartsWith, Contains, Excludes, EndsWith, Equals, Custom };

        Kind kind = Kind::Equals;
        /// The strings of the five list comparisons.
        std::vector<std::string> strings;
        bool caseSensitive = false;
        /// The predicate of `Custom`.
        std::function<bool(const std::string&)> predicate;
    };

    /// Which property of a call a filter sees, with its comparison.
    struct TargetType {
        enum class Kind { Path, Function, Message };

        Kind kind = Kind::Message;
        ComparisonType comparison;
    };

    Filter(TargetType target, bool required, Level minLevel)
        : targetType(std::move(target)), required(required), minLevel(minLevel) {}
    virtual ~Filter() = default;

    /// Whether the filter belongs to the required group.
    bool isRequired() const { return required; }
    /// Whether `level` is at least the filter's minimum level.
    bool reachedMinLevel(Level level) const { return levelReaches(level, minLevel); }

    const TargetType targetType;
    const bool required;
    const Level minLevel;
};

/// The operations a destination asks of each of its filters.
class FilterType {
  public:
    virtual ~FilterType() = default;
    /// Whether the value passes the filter's test; no value never passes.
    virtual bool apply(std::optional<std::string_view> value) const = 0;
    /// The property the filter sees and how it compares it.
    virtual const Filter::TargetType& getTarget() const = 0;
    /// Whether the filter belongs to the required group.
    virtual bool isRequired() const = 0;
    /// Whether the filter excludes: its comparison is `Excludes`.
    virtual bool isExcluded() const = 0;
    /// Whether `level` is at least the filter's minimum level.
    virtual bool reachedMinLevel(Level level) const = 0;
};

/// A filter that compares one property of a call with strings or a predicate.
class CompareFilter final : public Filter, public FilterType {
  public:
    CompareFilter(TargetType target, bool required, Level minLevel);

    bool apply(std::optional<std::string_view> value) const override;
    const TargetType& getTarget() const override { return targetType; }
    bool isRequired() const override { return Filter::isRequired(); }
    bool isExcluded() const override;
    bool reachedMinLevel(Level level) const override { return Filter::reachedMinLevel(level); }

    const std::optional<ComparisonType> filterComparisonType;
};

}  // namespace scandesk
