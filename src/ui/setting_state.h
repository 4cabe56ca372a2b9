// The settings window's choices and the rules that keep them consistent.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "devices/device.h"
#include "devices/options.h"
#include "session/ui_params.h"

namespace scandesk {

/// The user's choices as the window holds them: indices into option lists, the file
/// name prefix and the output directory.
struct SettingState {
    int scannerIndex = 0;
    int colorModeIndex = 0;
    int scanSourceIndex = 0;
    int contentTypeIndex = 0;
    int resolutionIndex = 0;
    int pageSizeIndex = 0;
    int saveTypeIndex = 0;  ///< 0: image file, 1: PDF
    int rotateAngleIndex = 0;
    int combineTypeIndex = 0;
    std::string savePrefix = "file";
    std::string saveDir;

    friend bool operator==(const SettingState&, const SettingState&) = default;
};

/// Index of "IDCard" in the combination list; the ID card needs the flatbed.
inline constexpr int kIdCardCombineIndex = 3;
/// Index of "PDF" in the file type chooser.
inline constexpr int kPdfSaveTypeIndex = 1;

/// Which optional rows show and which controls accept input.
struct RowRules {
    bool combineShown = false;
    bool rotationShown = false;
    bool fileNameShown = false;
    bool scanSourceEnabled = false;
    bool pageSizeEnabled = false;
    bool saveTypeEnabled = false;

    friend bool operator==(const RowRules&, const RowRules&) = default;
};

/// Whether the chosen colour mode is black-and-white ("TEXT").
bool isTextMode(const SettingState& state);

/// The selected source's name, or nothing when the index is outside the list.
std::optional<std::string> selectedSource(const Device& scanner, const SettingState& state);

/// The resolutions offered for the selected source: flatbed list for "FB", else feeder.
const OptionList& resolutionList(const Device& scanner, const SettingState& state);

/// The indices into `paperSize` that the page size chooser lists for the selected source.
std::vector<int> listedPageSizes(const Device& scanner, const SettingState& state);

/// The two file type entries: "BMP" or "JPEG" (by colour mode), then "PDF".
OptionList saveTypeEntries(const SettingState& state);

/// The visibility and enabled rules of the optional rows.
RowRules rowRules(const Device& scanner, const SettingState& state);

/// A different scanner was chosen: source and resolution start over.
void applyScannerChange(SettingState& state);

/// A different source was chosen: leaving the flatbed resets resolution and page size.
void applyScanSourceChange(SettingState& state, const Device& scanner);

/// A different colour mode was chosen: black-and-white forces PDF when combining and
/// drops the rotation.
void applyColorModeChange(SettingState& state);

/// A different combination was chosen: page size, file type, rotation and source
/// follow what combining allows.
void applyCombineTypeChange(SettingState& state, const Device& scanner);

/// Moves every index back inside the list it points into (and onto a listed page
/// size); a scanner that cannot combine drops the combination.
void keepIndicesInRange(SettingState& state, const Device& scanner, size_t scannerCount);

/// Choices read back from an earlier run, made to fit `scanner`: indices it does not
/// offer fall back as after a refresh, then the colour mode and combination rules run
/// as if the user had just chosen them.
void settleRestoredChoices(SettingState& state, const Device& scanner, size_t scannerCount);

/// The key of the first failed scan check (no scanner, no directory, no file name).
std::optional<std::string> scanCheckFailure(const SettingState& state, size_t scannerCount);

/// The scan pass's parameters for the current choices and the chosen scanner's name.
UIParams makeUIParams(const SettingState& state, const std::string& scannerName);

}  // namespace scandesk
