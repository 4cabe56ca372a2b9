// The user's choices at the moment a scan pass starts.
#pragma once

#include <string>

namespace scandesk {

/// What the settings window (or the command line) hands to a scan pass: mostly indices
/// into the option lists of the selected scanner and of the fixed catalogue.
struct UIParams {
    std::string scannerName;   ///< `name` of the scanner chosen by the user
    int scanSourceIndex = 0;   ///< into the selected scanner's `scanSource`
    int colorModeIndex = 0;    ///< into `colorModeOption()`
    int resolutionIndex = 0;   ///< into `fbResolution` for "FB", else `adfResolution`
    int pageSizeIndex = 0;     ///< into the selected scanner's `paperSize`
    int saveTypeIndex = 0;     ///< 0: image file (BMP in TEXT mode, JPEG otherwise); else PDF
    int contentTypeIndex = 0;  ///< into `typeOption()`
    int rotateAngleIndex = 0;  ///< into `rotateOption()`
    int combineTypeIndex = 0;  ///< into `combineTypeOption()`
    std::string savePrefix = "file";      ///< file name prefix as typed
    std::string saveDir;                  ///< output directory
    std::string fileNamePrefix = "file";  ///< the same prefix; the one the page files use

    friend bool operator==(const UIParams&, const UIParams&) = default;
};

}  // namespace scandesk
