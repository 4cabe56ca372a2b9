// Factories that build compare filters for the path, function or message of a call.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "logging/filter.h"

namespace scandesk {

/// Builds compare filters whose target is one property of a call.
template <Filter::TargetType::Kind Target>
class TargetFilterFactory {
  public:
    using Strings = std::vector<std::string>;
    using Predicate = std::function<bool(const std::string&)>;

    /// Passes when the value begins with one of the strings.
    static std::shared_ptr<CompareFilter> startsWith(Strings prefixes, bool caseSensitive = false,
                                                     bool required = false,
                                                     Level minLevel = Level::verbose) {
        return make(Kind::StartsWith, std::move(prefixes), caseSensitive, required, minLevel);
    }
    /// Passes when the value contains one of the strings.
    static std::shared_ptr<CompareFilter> contains(Strings strings, bool caseSensitive = false,
                                                   bool required = false,
                                                   Level minLevel = Level::verbose) {
        return make(Kind::Contains, std::move(strings), caseSensitive, required, minLevel);
    }
    /// Passes when the value lacks one of the strings; such a filter excludes.
    static std::shared_ptr<CompareFilter> excludes(Strings strings, bool caseSensitive = false,
                                                   bool required = false,
                                                   Level minLevel = Level::verbose) {
        return make(Kind::Excludes, std::move(strings), caseSensitive, required, minLevel);
    }
    /// Passes when the value ends with one of the strings.
    static std::shared_ptr<CompareFilter> endsWith(Strings suffixes, bool caseSensitive = false,
                                                   bool required = false,
                                                   Level minLevel = Level::verbose) {
        return make(Kind::EndsWith, std::move(suffixes), caseSensitive, required, minLevel);
    }
    /// Passes when the value equals one of the strings.
    static std::shared_ptr<CompareFilter> equals(Strings strings, bool caseSensitive = false,
                                                 bool required = false,
                                                 Level minLevel = Level::verbose) {
        return make(Kind::Equals, std::move(strings), caseSensitive, required, minLevel);
    }
    /// Passes when the predicate accepts the value.
    static std::shared_ptr<CompareFilter> custom(bool required, Level minLevel,
                                                 Predicate filterPredicate) {
        Filter::ComparisonType comparison{Kind::Custom, {}, false, std::move(filterPredicate)};
        return std::make_shared<CompareFilter>(Filter::TargetType{Target, std::move(comparison)},
                                               required, minLevel);
    }

  private:
    using Kind = Filter::ComparisonType::Kind;

    static std::shared_ptr<CompareFilter> make(Kind kind, Strings strings, bool caseSensitive,
                                               bool required, Level minLevel) {
        Filter::ComparisonType comparison{kind, std::move(strings), caseSensitive, {}};
        return std::make_shared<CompareFilter>(Filter::TargetType{Target, std::move(comparison)},
                                               required, minLevel);
    }
};

using PathFilterFactory = TargetFilterFactory<Filter::TargetType::Kind::Path>;
using FunctionFilterFactory = TargetFilterFactory<Filter::TargetType::Kind::Function>;
using MessageFilterFactory = TargetFilterFactory<Filter::TargetType::Kind::Message>;

/// The three factories by the property they filter: `Filters::Path::startsWith(...)`.
struct Filters {
    using Path = PathFilterFactory;
    using Function = FunctionFilterFactory;
    using Message = MessageFilterFactory;
};

}  // namespace scandesk
