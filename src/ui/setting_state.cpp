// The consistency rules of the settings window's choices.
#include "ui/setting_state.h"

#include <algorithm>

namespace scandesk {
namespace {

const char* const kFlatbed = "FB";
const char* const kFeeder = "ADF";
const char* const kTextMode = "TEXT";

// Whether `index` points into a list of `size` entries.
bool inRange(int index, size_t size) {
    return index >= 0 && static_cast<size_t>(index) < size;
}

// `index` when it points into the list, else the first entry.
int clampIndex(int index, size_t size) {
    return inRange(index, size) ? index : 0;
}

// Whether the page size chooser lists this paper size for the given source.
bool pageSizeListed(const std::string& paperSize, const std::string& source) {
    if (paperSize == "4R") {
        return source == kFlatbed;
    }
    if (paperSize == "Folio" || paperSize == "Legal") {
        return source == kFeeder;
    }
    return true;
}

}  // namespace

bool isTextMode(const SettingState& state) {
    const auto& modes = colorModeOption();
    return inRange(state.colorModeIndex, modes.size()) && modes[state.colorModeIndex] == kTextMode;
}

std::optional<std::string> selectedSource(const Device& scanner, const SettingState& state) {
    if (!inRange(state.scanSourceIndex, scanner.scanSource.size())) {
        return std::nullopt;
    }
    return scanner.scanSource[state.scanSourceIndex];
}

const OptionList& resolutionList(const Device& scanner, const SettingState& state) {
    return selectedSource(scanner, state) == kFlatbed ? scanner.fbResolution
                                                      : scanner.adfResolution;
}

std::vector<int> listedPageSizes(const Device& scanner, const SettingState& state) {
    const std::string source = selectedSource(scanner, state).value_or("");
    std::vector<int> listed;
    for (size_t i = 0; i < scanner.paperSize.size(); ++i) {
        if (pageSizeListed(scanner.paperSize[i], source)) {
            listed.push_back(static_cast<int>(i));
        }
    }
    return listed;
}

OptionList saveTypeEntries(const SettingState& state) {
    return {isTextMode(state) ? "BMP" : "JPEG", "PDF"};
}

RowRules rowRules(const Device& scanner, const SettingState& state) {
    const bool combining = state.combineTypeIndex != 0;
    RowRules rules;
    rules.combineShown = scanner.supportCombine;
    rules.rotationShown = !isTextMode(state) && !combining;
    rules.fileNameShown = state.saveTypeIndex != kPdfSaveTypeIndex;
    rules.scanSourceEnabled = state.combineTypeIndex != kIdCardCombineIndex;
    rules.pageSizeEnabled = !combining;
    rules.saveTypeEnabled = !(isTextMode(state) && combining);
    return rules;
}

void applyScannerChange(SettingState& state) {
    state.scanSourceIndex = 0;
    state.resolutionIndex = 0;
}

void applyScanSourceChange(SettingState& state, const Device& scanner) {
    if (selectedSource(scanner, state) != kFlatbed) {
        state.resolutionIndex = 0;
        state.pageSizeIndex = 0;
    }
}

void applyColorModeChange(SettingState& state) {
    if (!isTextMode(state)) {
        return;
    }
    if (state.combineTypeIndex != 0) {
        state.saveTypeIndex = kPdfSaveTypeIndex;
    }
    state.rotateAngleIndex = 0;
}

void applyCombineTypeChange(SettingState& state, const Device& scanner) {
    if (state.combineTypeIndex == 0) {
        return;
    }
    state.pageSizeIndex = 0;
    if (isTextMode(state)) {
        state.saveTypeIndex = kPdfSaveTypeIndex;
        state.rotateAngleIndex = 0;
    }
    if (state.combineTypeIndex == kIdCardCombineIndex && scanner.scanSource.size() > 1) {
        // The ID card lies on the flatbed; a scanner without one keeps its source
        // rather than pointing past its list.
        const auto& sources = scanner.scanSource;
        auto flatbed = std::find(sources.begin(), sources.end(), kFlatbed);
        if (flatbed != sources.end()) {
            state.scanSourceIndex = static_cast<int>(flatbed - sources.begin());
        }
    }
}

void keepIndicesInRange(SettingState& state, const Device& scanner, size_t scannerCount) {
    state.scannerIndex = clampIndex(state.scannerIndex, scannerCount);
    state.colorModeIndex = clampIndex(state.colorModeIndex, colorModeOption().size());
    state.contentTypeIndex = clampIndex(state.contentTypeIndex, typeOption().size());
    state.rotateAngleIndex = clampIndex(state.rotateAngleIndex, rotateOption().size());
    state.combineTypeIndex =
        scanner.supportCombine ? clampIndex(state.combineTypeIndex, combineTypeOption().size()) : 0;
    state.saveTypeIndex = clampIndex(state.saveTypeIndex, 2);
    state.scanSourceIndex = clampIndex(state.scanSourceIndex, scanner.scanSource.size());
    state.resolutionIndex =
        clampIndex(state.resolutionIndex, resolutionList(scanner, state).size());
    const auto listed = listedPageSizes(scanner, state);
    if (std::find(listed.begin(), listed.end(), state.pageSizeIndex) == listed.end()) {
        state.pageSizeIndex = listed.empty() ? 0 : listed.front();
    }
}

void settleRestoredChoices(SettingState& state, const Device& scanner, size_t scannerCount) {
    keepIndicesInRange(state, scanner, scannerCount);
    applyColorModeChange(state);
    applyCombineTypeChange(state, scanner);
    keepIndicesInRange(state, scanner, scannerCount);
}

std::optional<std::string> scanCheckFailure(const SettingState& state, size_t scannerCount) {
    if (scannerCount == 0) {
        return "noScannerFound";
    }
    if (state.saveDir.empty()) {
        return "noSaveDir";
    }
    if (state.savePrefix.empty()) {
        return "noSaveFileName";
    }
    return std::nullopt;
}

UIParams makeUIParams(const SettingState& state, const std::string& scannerName) {
    return UIParams{scannerName,
                    state.scanSourceIndex,
                    state.colorModeIndex,
                    state.resolutionIndex,
                    state.pageSizeIndex,
                    state.saveTypeIndex,
                    state.contentTypeIndex,
                    state.rotateAngleIndex,
                    state.combineTypeIndex,
                    state.savePrefix,
                    state.saveDir,
                    state.savePrefix};
}

}  // namespace scandesk
