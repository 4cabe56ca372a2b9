// The settings window's choices, and the rows the choice rules show and enable.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "devices/device.h"
#include "session/scan_request.h"

namespace scandesk {

/// The user's choices as the window holds them: the chosen row of the scanner list and
/// the scan request its controls edit.
struct SettingState {
    int scannerIndex = 0;
    ScanRequest request;
    bool searchable = false;           ///< "Searchable PDF": text recognised into the PDF
    std::string ocrLanguages = "eng";  ///< its languages, Tesseract codes joined by '+'

    friend bool operator==(const SettingState&, const SettingState&) = default;
};

/// Which optional rows show and which controls accept input.
struct RowRules {
    bool combineShown = false;
    bool rotationShown = false;
    bool fileNameShown = false;
    bool scanSourceEnabled = false;
    bool pageSizeEnabled = false;
    bool saveTypeEnabled = false;
    bool straightenEnabled = false;  ///< straightening is drawn in a PDF only

    friend bool operator==(const RowRules&, const RowRules&) = default;
};

/// The visibility and enabled rules of the optional rows.
RowRules rowRules(const Device& scanner, const ScanRequest& request);

/// The request of a scan pass: the text of a searchable PDF recognised in the chosen
/// languages, none for page files or a plain PDF.
ScanRequest passRequest(const SettingState& state);

/// The recognition languages offered: each installed language, then Simplified Chinese
/// with English when both are installed.
std::vector<std::string> ocrLanguageChoices(const std::vector<std::string>& installed);

/// The languages a new user starts with: `preferred` (the interface language's
/// choice) when it is offered, else English, else the first offered; empty when none is.
std::string defaultOcrLanguages(const std::vector<std::string>& offered,
                                const std::string& preferred);

/// The key of the first failed scan check (no scanner, no directory, no file name).
std::optional<std::string> scanCheckFailure(const SettingState& state, size_t scannerCount);

}  // namespace scandesk
