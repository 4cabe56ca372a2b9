// Filter comparisons, filter groups and the destination's take-or-refuse decision.
#include <gtest/gtest.h>

#include "logging/base_destination.h"
#include "logging/filter_factories.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using Kind = Filter::ComparisonType::Kind;

struct ApplyRow {
    Kind kind;
    std::vector<std::string> strings;
    bool caseSensitive;
    std::optional<std::string> value;
    bool expected;
};

TEST(CompareFilter, AppliesEachComparison) {
    const std::vector<ApplyRow> rows{
        {Kind::StartsWith, {"Scan", "Usb"}, true, "UsbPipe", true},
        {Kind::StartsWith, {"scan"}, true, "ScanModel", false},
        {Kind::StartsWith, {"scan"}, false, "ScanModel", true},
        {Kind::Contains, {"pipe"}, false, "UsbPIPEReader", true},
        {Kind::Contains, {"pipe"}, true, "UsbPIPEReader", false},
        {Kind::Excludes, {"secret"}, true, "a secret line", false},
        {Kind::Excludes, {"secret"}, true, "an open line", true},
        {Kind::Excludes, {"secret", "open"}, true, "a secret line", true},
        {Kind::EndsWith, {".h", ".cpp"}, true, "/src/model.cpp", true},
        {Kind::EndsWith, {".CPP"}, true, "/src/model.cpp", false},
        {Kind::Equals, {"Straße"}, false, "STRASSE", false},
        {Kind::Equals, {"ÄRGER"}, false, "ärger", true},
        {Kind::Equals, {"main"}, true, "Main", false},
        {Kind::Equals, {"main"}, false, "Main", true},
        {Kind::Equals, {}, false, "anything", false},
        {Kind::Contains, {"x"}, false, std::nullopt, false},
    };
    for (const auto& row : rows) {
        const CompareFilter filter(
            Filter::TargetType{Filter::TargetType::Kind::Message,
                               {row.kind, row.strings, row.caseSensitive, {}}},
            false, Level::verbose);
        EXPECT_EQ(filter.apply(row.value), row.expected)
            << static_cast<int>(row.kind) << " " << row.value.value_or("<none>");
    }
}

TEST(CompareFilter, CustomPredicateAndFactoryTargets) {
    const auto even = Filters::Function::custom(
        true, Level::warning, [](const std::string& v) { return v.size() % 2 == 0; });
    EXPECT_TRUE(even->apply("ab"));
    EXPECT_FALSE(even->apply("abc"));
    EXPECT_FALSE(even->apply(std::nullopt));
    EXPECT_EQ(even->getTarget().kind, Filter::TargetType::Kind::Function);
    EXPECT_TRUE(even->isRequired());
    EXPECT_FALSE(even->reachedMinLevel(Level::info));
    EXPECT_TRUE(even->reachedMinLevel(Level::error));

    EXPECT_EQ(Filters::Path::excludes({"x"})->getTarget().kind, Filter::TargetType::Kind::Path);
    EXPECT_TRUE(Filters::Path::excludes({"x"})->isExcluded());
    EXPECT_FALSE(Filters::Message::contains({"x"})->isExcluded());
}

TEST(FilterValidator, GroupsAndCounts) {
    const FilterList filters{
        Filters::Message::excludes({"noise"}),
        Filters::Path::contains({"usb"}, false, true, Level::verbose),
        Filters::Function::startsWith({"read"}, false, false, Level::info),
        Filters::Function::startsWith({"write"}, false, false, Level::verbose),
        Filters::Path::contains({"usb"}, false, false, Level::error),
        Filters::Message::equals({"absent"}, false, false, Level::error),
    };
    using VT = FilterValidator::ValidationType;
    EXPECT_EQ(FilterValidator::apply(VT::excluded, filters).size(), 1u);
    EXPECT_EQ(FilterValidator::apply(VT::required, filters).size(), 1u);
    const FilterList optional = FilterValidator::apply(VT::nonRequired, filters);
    ASSERT_EQ(optional.size(), 4u);
    EXPECT_EQ(optional[0], filters[2]);

    const auto results = FilterValidator::validate(
        {filters, Level::info, "/src/usb/pipe.cpp", "readPage()", "a page"},
        {VT::excluded, VT::required, VT::nonRequired});
    using Result = FilterValidator::Result;
    EXPECT_EQ(results.at(VT::excluded), (Result{Result::Kind::allFiltersMatch, {}}));
    EXPECT_EQ(results.at(VT::required), (Result{Result::Kind::allFiltersMatch, {}}));
    // read: full; write: level only; path at error: condition only; equals at error: neither.
    EXPECT_EQ(results.at(VT::nonRequired), (Result{Result::Kind::someFiltersMatch, {1, 1, 1}}));

    const auto none = FilterValidator::validate({{}, Level::info, "", "", {}}, {VT::required});
    EXPECT_EQ(none.at(VT::required).kind, Result::Kind::noFiltersMatchingType);
}

struct DecisionRow {
    std::string name;
    std::function<FilterList()> filters;
    Level minLevel;
    Level level;
    std::string function;
    std::optional<std::string> message;
    bool expected;
};

TEST(ShouldLevelBeLogged, DecidesByGroupsThenMinLevel) {
    const std::string path = "/src/usb/usb_pipe.cpp";
    const std::vector<DecisionRow> rows{
        {"no filters, level reached",
         [] { return FilterList{}; },
         Level::info,
         Level::info,
         "f()",
         {},
         true},
        {"no filters, level below",
         [] { return FilterList{}; },
         Level::info,
         Level::debug,
         "f()",
         {},
         false},
        {"excluded text present", [] { return FilterList{Filters::Message::excludes({"secret"})}; },
         Level::verbose, Level::error, "f()", "a secret", false},
        {"excluded text absent", [] { return FilterList{Filters::Message::excludes({"secret"})}; },
         Level::verbose, Level::verbose, "f()", "plain", true},
        {"excluded text absent, level still counts",
         [] { return FilterList{Filters::Message::excludes({"secret"})}; }, Level::warning,
         Level::info, "f()", "plain", false},
        {"required function, level short",
         [] {
             return FilterList{
                 Filters::Function::startsWith({"startScan"}, true, true, Level::warning)};
         },
         Level::verbose,
         Level::info,
         "startScan(uiParam:)",
         {},
         false},
        {"required function, level reached",
         [] {
             return FilterList{
                 Filters::Function::startsWith({"startScan"}, true, true, Level::warning)};
         },
         Level::error,
         Level::warning,
         "startScan(uiParam:)",
         {},
         true},
        {"optional path matched, level short",
         [] { return FilterList{Filters::Path::contains({"usb"}, true, false, Level::error)}; },
         Level::verbose,
         Level::warning,
         "f()",
         {},
         false},
        {"optional path matched, level reached",
         [] { return FilterList{Filters::Path::contains({"usb"}, true, false, Level::info)}; },
         Level::error,
         Level::info,
         "f()",
         {},
         true},
        {"optional unmatched, falls back to minLevel (taken)",
         [] { return FilterList{Filters::Path::contains({"net"})}; },
         Level::debug,
         Level::info,
         "f()",
         {},
         true},
        {"optional unmatched, falls back to minLevel (refused)",
         [] { return FilterList{Filters::Path::contains({"net"})}; },
         Level::error,
         Level::info,
         "f()",
         {},
         false},
        {"one of two optional fully matched",
         [] {
             return FilterList{Filters::Path::contains({"net"}),
                               Filters::Function::equals({"F()"}, false)};
         },
         Level::error,
         Level::info,
         "f()",
         {},
         true},
        {"message filter without a message",
         [] { return FilterList{Filters::Message::contains({"x"}, false, true)}; },
         Level::verbose,
         Level::error,
         "f()",
         {},
         false},
    };
    for (const auto& row : rows) {
        BaseDestination destination;
        destination.minLevel = row.minLevel;
        for (auto& filter : row.filters()) {
            destination.addFilter(filter);
        }
        EXPECT_EQ(destination.shouldLevelBeLogged(row.level, path, row.function, row.message),
                  row.expected)
            << row.name;
    }
}

TEST(ShouldLevelBeLogged, ExplainsItselfWhenAsked) {
    testing::CapturedLines captured;
    BaseDestination destination;
    destination.minLevel = Level::info;
    destination.shouldLevelBeLogged(Level::error, "p", "f");
    EXPECT_TRUE(captured.lines().empty());
    destination.debugPrint = true;
    destination.shouldLevelBeLogged(Level::error, "p", "f");
    destination.shouldLevelBeLogged(Level::debug, "p", "f");
    const auto excludes = Filters::Message::excludes({"x"});
    destination.addFilter(excludes);
    EXPECT_TRUE(destination.hasMessageFilters());
    destination.shouldLevelBeLogged(Level::error, "p", "f", "x");
    EXPECT_EQ(captured.lines(),
              (std::vector<std::string>{"filters are empty and level >= minLevel",
                                        "filters are empty and level < minLevel",
                                        "filters are not empty and message was excluded"}));
    destination.removeFilter(Filters::Message::excludes({"x"}));  // equal, but not the same
    EXPECT_TRUE(destination.hasMessageFilters());
    destination.removeFilter(excludes);
    EXPECT_FALSE(destination.hasMessageFilters());
}

}  // namespace
}  // namespace scandesk
