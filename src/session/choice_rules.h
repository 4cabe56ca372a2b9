// The rules that keep a scan request's choices consistent, shared by every front end.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "devices/device.h"
#include "session/scan_request.h"

namespace scandesk {

/// A pair of choices that do not go together, found before the scanner is contacted.
enum class ChoiceConflict {
    blackWhiteCombinedNeedsPdf,  ///< combined black-and-white pages are kept only in a PDF
    blackWhiteNotTurned,         ///< black-and-white pages are never turned
    combinedNotTurned,           ///< combining turns the rotation off
    combinedPageSizeFixed,       ///< combining scans the scanner's first page size
    idCardNeedsFlatbed,          ///< the ID card lies on the flatbed
    pageSizeNotForSource,        ///< 4R is for the flatbed, Folio and Legal for the feeder
    straighteningNeedsPdf,       ///< pages are straightened only in a PDF's drawing
};

/// The conflict in words, naming the choices as the command line spells them.
std::string_view conflictText(ChoiceConflict conflict);

/// The first rule the request breaks on this scanner, if any.
std::optional<ChoiceConflict> findConflict(const ScanRequest& request, const Device& scanner);

/// The scanner's page sizes offered with a source.
std::vector<PageSize> pageSizesFor(const Device& scanner, ScanSource source);

/// Whether the request's pages may be turned (not black-and-white, not combined).
bool rotationApplies(const ScanRequest& request);

/// Whether the file type is fixed to PDF (combined black-and-white pages).
bool fileTypeFixed(const ScanRequest& request);

/// The request as it starts on a scanner: its first source, resolution and page size,
/// colour, no combining, page files unturned. Folder and prefix are kept.
ScanRequest firstOffered(const Device& scanner, ScanRequest request = {});

/// What changing one choice does to the others, as the window applies it right after
/// the user's change. A new scanner starts at its first source and resolution.
void afterScannerChange(ScanRequest& request, const Device& scanner);
void afterSourceChange(ScanRequest& request, const Device& scanner);
void afterColorModeChange(ScanRequest& request);
void afterCombineChange(ScanRequest& request, const Device& scanner);

/// Moves every choice onto a value the scanner offers (as after a refresh) and then
/// applies the rules as if the user had just chosen the colour mode and combination;
/// the result breaks no rule.
void settleOnScanner(ScanRequest& request, const Device& scanner);

}  // namespace scandesk
