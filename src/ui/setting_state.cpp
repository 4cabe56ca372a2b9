// The rows the window shows and enables for its choices, and its scan checks.
#include "ui/setting_state.h"

#include <algorithm>

#include "session/choice_rules.h"

namespace scandesk {

RowRules rowRules(const Device& scanner, const ScanRequest& request) {
    const bool combining = combines(request.combine);
    RowRules rules;
    rules.combineShown = scanner.supportCombine;
    rules.rotationShown = rotationApplies(request);
    rules.fileNameShown = request.fileType != FileType::pdf;
    rules.scanSourceEnabled = request.combine != CombineType::idCard;
    rules.pageSizeEnabled = !combining;
    rules.saveTypeEnabled = !fileTypeFixed(request);
    rules.straightenEnabled = request.fileType == FileType::pdf;
    return rules;
}

std::optional<std::string> scanCheckFailure(const SettingState& state, size_t scannerCount) {
    if (scannerCount == 0) {
        return "noScannerFound";
    }
    if (state.request.saveDir.empty()) {
        return "noSaveDir";
    }
    if (state.request.prefix.empty()) {
        return "noSaveFileName";
    }
    return std::nullopt;
}

ScanRequest passRequest(const SettingState& state) {
    ScanRequest request = state.request;
    const bool recognise = state.searchable && request.fileType == FileType::pdf;
    request.ocrLanguages = recognise ? state.ocrLanguages : std::string();
    return request;
}

std::vector<std::string> ocrLanguageChoices(const std::vector<std::string>& installed) {
    std::vector<std::string> choices = installed;
    const auto has = [&installed](const char* code) {
        return std::find(installed.begin(), installed.end(), code) != installed.end();
    };
    if (has("chi_sim") && has("eng")) {
        choices.push_back("chi_sim+eng");
    }
    return choices;
}

std::string defaultOcrLanguages(const std::vector<std::string>& offered,
                                const std::string& preferred) {
    for (const std::string& choice : {preferred, std::string("eng")}) {
        if (std::find(offered.begin(), offered.end(), choice) != offered.end()) {
            return choice;
        }
    }
    return offered.empty() ? std::string() : offered.front();
}

}  // namespace scandesk
