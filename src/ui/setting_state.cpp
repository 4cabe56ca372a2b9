// The rows the window shows and enables for its choices, and its scan checks.
#include "ui/setting_state.h"

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

}  // namespace scandesk
