// Filter groups and their match counts.
#include "logging/filter_validator.h"

#include <algorithm>

namespace scandesk {
namespace {

// Whether a filter belongs to the group of a validation type.
bool inGroup(FilterValidator::ValidationType type, const FilterType& filter) {
    switch (type) {
        case FilterValidator::ValidationType::excluded:
            return filter.isExcluded();
        case FilterValidator::ValidationType::required:
            return filter.isRequired() && !filter.isExcluded();
        case FilterValidator::ValidationType::nonRequired:
            break;
    }
    return !filter.isRequired() && !filter.isExcluded();
}

// The property of the call that a filter looks at.
std::optional<std::string_view> valueFor(const FilterType& filter,
                                         const FilterValidator::Input& input) {
    switch (filter.getTarget().kind) {
        case Filter::TargetType::Kind::Path:
            return input.path;
        case Filter::TargetType::Kind::Function:
            return input.function;
        case Filter::TargetType::Kind::Message:
            break;
    }
    return input.message;
}

}  // namespace

FilterList FilterValidator::apply(ValidationType type, const FilterList& filters) {
    FilterList group;
    std::copy_if(filters.begin(), filters.end(), std::back_inserter(group),
                 [type](const auto& filter) { return filter && inGroup(type, *filter); });
    return group;
}

std::map<FilterValidator::ValidationType, FilterValidator::Result> FilterValidator::validate(
    const Input& input, const std::vector<ValidationType>& types) {
    std::map<ValidationType, Result> results;
    for (const ValidationType type : types) {
        const FilterList group = apply(type, input.filters);
        if (group.empty()) {
            results[type] = Result{};
            continue;
        }
        PartialMatchData counts;
        for (const auto& filter : group) {
            const bool matched = filter->apply(valueFor(*filter, input));
            const bool levelReached = filter->reachedMinLevel(input.level);
            if (matched && levelReached) {
                ++counts.fullMatchCount;
            } else if (matched) {
                ++counts.conditionMatchCount;
            } else if (levelReached) {
                ++counts.logLevelMatchCount;
            }
        }
        if (counts.fullMatchCount == static_cast<int>(group.size())) {
            results[type] = Result{Result::Kind::allFiltersMatch, {}};
        } else {
            results[type] = Result{Result::Kind::someFiltersMatch, counts};
        }
    }
    return results;
}

}  // namespace scandesk
