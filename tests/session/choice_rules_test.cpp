// The choice rules below the front ends: the page sizes of a source, what one choice does
// to the others, the conflicts a request can hold, and settling onto a scanner.
#include "session/choice_rules.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace scandesk {
namespace {

using enum ScanSource;
using enum PageSize;

Device scanner(std::vector<ScanSource> sources, bool combines) {
    Device d;
    d.scanSource = std::move(sources);
    d.paperSize = {a4, a5, letter, folio, legal, photo4R};
    d.adfResolution = {200, 300, 600};
    d.fbResolution = {200, 300, 600, 1200};
    d.supportCombine = combines;
    return d;
}
const Device kOffice = scanner({automatic, feeder, flatbed}, true);
const Device kNoCombine = scanner({automatic, feeder, flatbed}, false);
const Device kFlatbed = scanner({flatbed}, true);

// A request from choices spelled as on the command line ("source=FB mode=TEXT dpi=300");
// with a scanner, each choice is followed by its change rule, as the window applies it.
ScanRequest choose(const std::string& choices, const Device* on = nullptr) {
    ScanRequest r;
    std::istringstream in(choices);
    for (std::string word; in >> word;) {
        const std::string key = word.substr(0, word.find('='));
        const std::string value = word.substr(word.find('=') + 1);
        if (key == "source") {
            r.source = parseOption<ScanSource>(value).value();
            on ? afterSourceChange(r, *on) : void();
        } else if (key == "mode") {
            r.colorMode = parseOption<ColorMode>(value).value();
            on ? afterColorModeChange(r) : void();
        } else if (key == "combine") {
            r.combine = parseOption<CombineType>(value).value();
            on ? afterCombineChange(r, *on) : void();
        } else if (key == "rotate") {
            r.rotation = parseOption<Rotation>(value).value();
        } else if (key == "page") {
            r.pageSize = parseOption<PageSize>(value).value();
        } else if (key == "format") {
            r.fileType = parseOption<FileType>(value).value();
        } else {
            r.dpi = parseResolution(value).value();
        }
    }
    return r;
}

TEST(ChoiceRules, PageSizesFollowTheSource) {
    EXPECT_EQ(pageSizesFor(kOffice, automatic), (std::vector{a4, a5, letter}));
    EXPECT_EQ(pageSizesFor(kOffice, feeder), (std::vector{a4, a5, letter, folio, legal}));
    EXPECT_EQ(pageSizesFor(kOffice, flatbed), (std::vector{a4, a5, letter, photo4R}));
}

TEST(ChoiceRules, OneChoiceMovesTheOthers) {
    struct Row {
        const char* what;
        const Device& on;
        const char* choices;
        const char* expected;
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
        {"ID card selects FB and the first page size", kOffice, "page=A5 combine=IDCard",    "source=FB combine=IDCard"},
        {"TEXT then combining forces PDF",   kFlatbed, "rotate=180 mode=TEXT combine=CombinHorizontal", "mode=TEXT format=pdf combine=CombinHorizontal"},
        {"combining then TEXT forces PDF",   kFlatbed, "combine=CombinHorizontal mode=TEXT", "mode=TEXT format=pdf combine=CombinHorizontal"},
        {"combining drops the rotation",     kFlatbed, "rotate=90 combine=CombinVertical",   "combine=CombinVertical"},
        {"no combining keeps the rest",      kFlatbed, "mode=TEXT combine=IDCard combine=NoCombine", "mode=TEXT format=pdf source=FB"},
        {"TEXT drops the rotation",          kNoCombine, "rotate=270 mode=TEXT",             "mode=TEXT"},
        {"leaving FB resets resolution ...", kOffice, "source=FB dpi=1200dpi page=4R source=ADF", "source=ADF"},
        {"... and going to FB keeps them",   kOffice, "source=ADF dpi=600dpi page=Letter source=FB", "source=FB dpi=600dpi page=Letter"},
    }) {
        // clang-format on
        SCOPED_TRACE(row.what);
        EXPECT_EQ(choose(row.choices, &row.on), choose(row.expected));
    }
}

TEST(ChoiceRules, ConflictsAreFoundAndSettlingLeavesNone) {
    using enum ChoiceConflict;
    struct Row {
        const char* request;
        const Device& on;
        std::optional<ChoiceConflict> conflict;
        const char* settled;  // after settling onto the scanner
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
        {"source=FB mode=TEXT combine=CombinHorizontal", kFlatbed, blackWhiteCombinedNeedsPdf, "source=FB mode=TEXT combine=CombinHorizontal format=pdf"},
        {"mode=TEXT rotate=90",                           kOffice,  blackWhiteNotTurned,        "mode=TEXT"},
        {"source=FB combine=CombinVertical rotate=180",   kFlatbed, combinedNotTurned,          "source=FB combine=CombinVertical"},
        {"source=ADF combine=IDCard",                     kOffice,  idCardNeedsFlatbed,         "source=FB combine=IDCard"},
        {"source=FB combine=IDCard page=A5",              kOffice,  combinedPageSizeFixed,      "source=FB combine=IDCard"},
        {"source=ADF page=4R",                            kOffice,  pageSizeNotForSource,       "source=ADF"},
        {"source=FB page=Legal",                          kOffice,  pageSizeNotForSource,       "source=FB"},
        {"source=FB page=4R dpi=1200dpi rotate=90",       kOffice,  std::nullopt,               "source=FB page=4R dpi=1200dpi rotate=90"},
        {"source=FB mode=TEXT combine=IDCard format=pdf", kFlatbed, std::nullopt,               "source=FB mode=TEXT combine=IDCard format=pdf"},
        // What the scanner does not offer falls back to its first offer.
        {"source=ADF dpi=1200dpi combine=IDCard",         kNoCombine, idCardNeedsFlatbed,       "source=ADF"},
        {"source=ADF page=Folio",                         kFlatbed, std::nullopt,               "source=FB"},
        {"format=image deskew",                           kOffice,  straighteningNeedsPdf,      "format=image"},
        {"format=pdf deskew",                             kOffice,  std::nullopt,               "format=pdf deskew"},
    }) {
        // clang-format on
        SCOPED_TRACE(row.request);
        ScanRequest request = choose(row.request);
        EXPECT_EQ(findConflict(request, row.on), row.conflict);
        settleOnScanner(request, row.on);
        EXPECT_EQ(request, choose(row.settled));
        EXPECT_EQ(findConflict(request, row.on), std::nullopt);
    }
}

TEST(ChoiceRules, ARequestStartsAtTheScannersFirstOffers) {
    ScanRequest kept;
    kept.saveDir = "/scans";
    kept.prefix = "bill";
    kept.colorMode = ColorMode::gray;
    kept.cleanUp = {true, false, true};
    ScanRequest expected = choose("source=FB");
    expected.saveDir = "/scans";
    expected.prefix = "bill";
    expected.cleanUp = kept.cleanUp;
    EXPECT_EQ(firstOffered(kFlatbed, kept), expected);
}

}  // namespace
}  // namespace scandesk
