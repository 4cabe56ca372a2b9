// Groups a destination's filters and counts how each group matches one log call.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logging/filter.h"

namespace scandesk {

using FilterList = std::vector<std::shared_ptr<FilterType>>;

class FilterValidator {
  public:
    /// The three groups a filter list splits into.
    enum class ValidationType { excluded, required, nonRequired };

    /// What one log call offers the filters.
    struct Input {
        FilterList filters;
        Level level = Level::verbose;
        std::string_view path;
        std::string_view function;
        std::optional<std::string_view> message;
    };

    /// Counts of a group that matched only in part.
    struct PartialMatchData {
        int fullMatchCount = 0;
        int conditionMatchCount = 0;
        int logLevelMatchCount = 0;

        friend bool operator==(const PartialMatchData&, const PartialMatchData&) = default;
    };

    /// How one group matched; `partial` is meaningful for `someFiltersMatch`.
    struct Result {
        enum class Kind { someFiltersMatch, allFiltersMatch, noFiltersMatchingType };

        Kind kind = Kind::noFiltersMatchingType;
        PartialMatchData partial;

        friend bool operator==(const Result&, const Result&) = default;
    };

    /// The filters of one group, in list order.
    static FilterList apply(ValidationType type, const FilterList& filters);

    /// How each of the given groups matches the call.
    static std::map<ValidationType, Result> validate(const Input& input,
                                                     const std::vector<ValidationType>& types);
};

}  // namespace scandesk
