// The window's checks before a scan (its rows follow the session's choice rules, tested
// there and in the window test).
#include "ui/setting_state.h"

#include <gtest/gtest.h>

namespace scandesk {
namespace {

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
        state.request.saveDir = row.saveDir;
        state.request.prefix = row.prefix;
        EXPECT_EQ(scanCheckFailure(state, row.scanners), row.failure)
            << row.scanners << " '" << row.saveDir << "' '" << row.prefix << "'";
    }
}

// Recognition only for a searchable PDF; the languages offered and a new user's default.
TEST(SettingState, SearchablePdfLanguages) {
    const std::vector<std::tuple<bool, FileType, std::string>> passes{
        {true, FileType::pdf, "chi_sim+eng"},
        {true, FileType::image, ""},
        {false, FileType::pdf, ""},
    };
    for (const auto& [searchable, fileType, languages] : passes) {
        SettingState state;
        state.searchable = searchable;
        state.request.fileType = fileType;
        state.ocrLanguages = "chi_sim+eng";
        EXPECT_EQ(passRequest(state).ocrLanguages, languages) << searchable;
    }
    const std::vector<std::string> both{"chi_sim", "eng"};
    EXPECT_EQ(ocrLanguageChoices(both),
              (std::vector<std::string>{"chi_sim", "eng", "chi_sim+eng"}));
    EXPECT_EQ(ocrLanguageChoices({"eng"}), (std::vector<std::string>{"eng"}));
    const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> defaults{
        {ocrLanguageChoices(both), "chi_sim+eng", "chi_sim+eng"},
        {ocrLanguageChoices(both), "eng", "eng"},
        {{"eng"}, "chi_sim+eng", "eng"},
        {{"deu"}, "chi_sim+eng", "deu"},
        {{}, "eng", ""},
    };
    for (const auto& [offered, preferred, chosen] : defaults) {
        EXPECT_EQ(defaultOcrLanguages(offered, preferred), chosen) << preferred;
    }
}

}  // namespace
}  // namespace scandesk
