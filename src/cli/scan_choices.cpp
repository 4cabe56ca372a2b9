// Looking the option values up in the lists of the selected scanner.
#include "cli/scan_choices.h"

#include <algorithm>
#include <vector>

#include "devices/options.h"

namespace scandesk {
namespace {

// "A, B, C".
std::string joined(const std::vector<std::string>& values) {
    std::string text;
    for (const auto& value : values) {
        text += (text.empty() ? "" : ", ") + value;
    }
    return text;
}

// Finds `value` in `allowed`: its index, or a usage error listing the allowed values.
bool lookUp(const char* option, const std::optional<std::string>& value,
            const std::vector<std::string>& allowed, int& index, std::string& error) {
    if (!value) {
        index = 0;
        return true;
    }
    auto it = std::find(allowed.begin(), allowed.end(), *value);
    if (it == allowed.end()) {
        error =
            std::string(option) + ": '" + *value + "' is not offered; allowed: " + joined(allowed);
        return false;
    }
    index = static_cast<int>(it - allowed.begin());
    return true;
}

}  // namespace

ChoicesOutcome scanChoices(const CliOptions& o, const Device& scanner, const std::string& saveDir) {
    UIParams ui;
    ui.scannerName = scanner.name;
    ui.saveDir = saveDir;
    ui.savePrefix = o.prefix;
    ui.fileNamePrefix = o.prefix;
    // A scanner that cannot combine offers only the first entry.
    const std::vector<std::string> combinations =
        scanner.supportCombine ? combineTypeOption()
                               : std::vector<std::string>{combineTypeOption().front()};
    std::string error;
    bool fine = lookUp("--source", o.source, scanner.scanSource, ui.scanSourceIndex, error) &&
                lookUp("--mode", o.mode, colorModeOption(), ui.colorModeIndex, error) &&
                lookUp("--content", o.content, typeOption(), ui.contentTypeIndex, error) &&
                lookUp("--page-size", o.pageSize, scanner.paperSize, ui.pageSizeIndex, error) &&
                lookUp("--format", o.format, {"image", "pdf"}, ui.saveTypeIndex, error) &&
                lookUp("--rotate", o.rotate, rotateOptionTexts(), ui.rotateAngleIndex, error) &&
                lookUp("--combine", o.combine, combinations, ui.combineTypeIndex, error);
    if (fine && !scanner.scanSource.empty()) {
        const std::string& source = scanner.scanSource[static_cast<size_t>(ui.scanSourceIndex)];
        const auto& resolutions = source == "FB" ? scanner.fbResolution : scanner.adfResolution;
        fine = lookUp("--resolution", o.resolution, resolutions, ui.resolutionIndex, error);
    }
    if (!fine) {
        return {std::nullopt, error};
    }
    return {ui, ""};
}

}  // namespace scandesk
