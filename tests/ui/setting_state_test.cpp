// The window's choice rules below the widgets: listed page sizes, the change rules and
// the rows they show, indices kept in range, the scan checks.
#include "ui/setting_state.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace scandesk {

namespace {

Device scanner(OptionList sources, bool combines) {
    Device d;
    d.scanSource = std::move(sources);
    d.paperSize = {"A4", "A5", "Letter", "Folio", "Legal", "4R"};
    d.adfResolution = {"200dpi", "300dpi", "600dpi"};
    d.fbResolution = {"200dpi", "300dpi", "600dpi", "1200dpi"};
    d.supportCombine = combines;
    return d;
}
const Device kOffice = scanner({"AUTO", "ADF", "FB"}, true);
const Device kNoCombine = scanner({"AUTO", "ADF", "FB"}, false);
const Device kFlatbed = scanner({"FB"}, true);

// Choices by letter and index, as in "s2 c3": the scanner, colour mode, source,
// resolution, page size, file type, angle of rotation, combination.
int SettingState::*field(char letter) {
    using S = SettingState;
    constexpr int S::*fields[] = {&S::scannerIndex,     &S::colorModeIndex,  &S::scanSourceIndex,
                                  &S::resolutionIndex,  &S::pageSizeIndex,   &S::saveTypeIndex,
                                  &S::rotateAngleIndex, &S::combineTypeIndex};
    return fields[std::string_view("nmsrpfac").find(letter)];
}

// The choices made in order; with a scanner, each as the window makes it: the change
// rule of its row, then every index kept in range.
SettingState choose(const std::string& choices, const Device* scanner = nullptr) {
    SettingState state;
    std::istringstream in(choices);
    char letter;
    int index;
    while (in >> letter >> index) {
        state.*field(letter) = index;
        if (scanner && letter == 's') {
            applyScanSourceChange(state, *scanner);
        } else if (scanner && letter == 'm') {
            applyColorModeChange(state);
        } else if (scanner && letter == 'c') {
            applyCombineTypeChange(state, *scanner);
        }
        if (scanner) {
            keepIndicesInRange(state, *scanner, 1);
        }
    }
    return state;
}

TEST(SettingState, PageSizesListedFollowTheSource) {
    EXPECT_EQ(listedPageSizes(kOffice, choose("s0")), (std::vector{0, 1, 2}));
    EXPECT_EQ(listedPageSizes(kOffice, choose("s1")), (std::vector{0, 1, 2, 3, 4}));
    EXPECT_EQ(listedPageSizes(kOffice, choose("s2")), (std::vector{0, 1, 2, 5}));
}

TEST(SettingState, ChoicesRunTheirRulesAndDecideTheRows) {
    struct Row {
        const char* what;
        const Device& scanner;
        const char* choices;
        const char* expected;
        // shown: combination, rotation, file name; enabled: source, page size, file type
        RowRules rules;
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
        {"ID card selects FB",               kOffice,    "p2 c3",       "s2 c3",    {1, 0, 1, 0, 0, 1}},
        {"TEXT then combining forces PDF",   kFlatbed,   "a2 m2 c1",    "m2 f1 c1", {1, 0, 0, 1, 0, 0}},
        {"combining then TEXT forces PDF",   kFlatbed,   "c1 m2",       "m2 f1 c1", {1, 0, 0, 1, 0, 0}},
        {"no combining keeps the rest",      kFlatbed,   "m2 c3 c0",    "m2 f1",    {1, 0, 0, 1, 1, 1}},
        {"TEXT drops the rotation",          kNoCombine, "a3 m2",       "m2",       {0, 0, 1, 1, 1, 1}},
        {"PDF hides the file name",          kNoCombine, "f1",          "f1",       {0, 1, 0, 1, 1, 1}},
        {"leaving FB resets resolution ...", kOffice,    "s2 r3 p5 s1", "s1",       {1, 1, 1, 1, 1, 1}},
        {"... and going to FB keeps them",   kOffice,    "s1 r2 p1 s2", "s2 r2 p1", {1, 1, 1, 1, 1, 1}},
        {"but not Legal",                    kOffice,    "s1 p4 s2",    "s2",       {1, 1, 1, 1, 1, 1}},
    }) {
        // clang-format on
        SCOPED_TRACE(row.what);
        const SettingState state = choose(row.choices, &row.scanner);
        EXPECT_EQ(state, choose(row.expected));
        EXPECT_EQ(rowRules(row.scanner, state), row.rules);
    }
}

TEST(SettingState, IndicesAreKeptInsideTheirLists) {
    struct Row {
        const char* before;
        const Device& scanner;
        size_t scanners;
        const char* expected;
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
        {"n3 m3 s1 r3 f2 a4 c4",            kOffice,    2, "s1"},  // past the end of every list
        {"n3 s1",                           kOffice,    0, "s1"},
        {"s2 r3 p5",                        kFlatbed,   1, "r3 p5"},  // FB, the only source
        {"p5",                              kOffice,    1, "p0"},  // 4R is for the flatbed only
        {"s2 c3",                           kNoCombine, 1, "s2"},
        {"n-1 m-1 s-1 r-1 p-1 f-1 a-1 c-1", kOffice,    1, ""},
    }) {
        // clang-format on
        SCOPED_TRACE(row.before);
        SettingState state = choose(row.before);
        keepIndicesInRange(state, row.scanner, row.scanners);
        EXPECT_EQ(state, choose(row.expected));
    }
}

TEST(SettingState, AScanNeedsAScannerAFolderAndAFileName) {
    struct Row {
        size_t scanners;
        const char* saveDir;
        const char* prefix;
        std::optional<std::string> failure;
    };
    // clang-format off
    for (const Row& row : {Row{0, "/tmp", "file", "noScannerFound"}, Row{0, "", "", "noScannerFound"},
                           Row{1, "", "file", "noSaveDir"},          Row{1, "/tmp", "", "noSaveFileName"},
                           Row{1, "/tmp", "file", {}}}) {
        // clang-format on
        SettingState state;
        state.saveDir = row.saveDir;
        state.savePrefix = row.prefix;
        EXPECT_EQ(scanCheckFailure(state, row.scanners), row.failure)
            << row.scanners << " '" << row.saveDir << "' '" << row.prefix << "'";
    }
}

}  // namespace
}  // namespace scandesk
