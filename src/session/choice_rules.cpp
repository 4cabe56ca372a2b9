// The choice rules: which choices go together, and how one choice moves the others.
#include "session/choice_rules.h"

#include <algorithm>

namespace scandesk {
namespace {

template <typename T>
bool offered(const std::vector<T>& list, T value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// `value` when the list offers it, else the list's first entry (or `value` for none).
template <typename T>
T offeredOrFirst(const std::vector<T>& list, T value) {
    return list.empty() || offered(list, value) ? value : list.front();
}

// Whether a page size is scanned from a source: 4R only on the flatbed, Folio and Legal
// only in the feeder.
bool pageSizeFitsSource(PageSize size, ScanSource source) {
    if (size == PageSize::photo4R) {
        return source == ScanSource::flatbed;
    }
    if (size == PageSize::folio || size == PageSize::legal) {
        return source == ScanSource::feeder;
    }
    return true;
}

// The page size combining scans: the first one offered with the source.
std::optional<PageSize> combinedPageSize(const Device& scanner, ScanSource source) {
    const std::vector<PageSize> sizes = pageSizesFor(scanner, source);
    return sizes.empty() ? std::nullopt : std::optional(sizes.front());
}

bool offersFlatbed(const Device& scanner) {
    return offered(scanner.scanSource, ScanSource::flatbed);
}

}  // namespace

std::string_view conflictText(ChoiceConflict conflict) {
    switch (conflict) {
        case ChoiceConflict::blackWhiteCombinedNeedsPdf:
            return "combining black-and-white pages (--mode TEXT with --combine) needs "
                   "--format pdf";
        case ChoiceConflict::blackWhiteNotTurned:
            return "black-and-white pages (--mode TEXT) are not turned: leave out --rotate";
        case ChoiceConflict::combinedNotTurned:
            return "combined pages are not turned: --combine leaves out --rotate";
        case ChoiceConflict::combinedPageSizeFixed:
            return "combining scans the first page size the scanner offers: --combine leaves "
                   "out --page-size";
        case ChoiceConflict::idCardNeedsFlatbed:
            return "the ID card lies on the flatbed: --combine IDCard needs --source FB";
        case ChoiceConflict::pageSizeNotForSource:
            return "4R is scanned on the flatbed (--source FB), Folio and Legal in the feeder "
                   "(--source ADF)";
        case ChoiceConflict::straighteningNeedsPdf:
            return "pages are straightened in a PDF, never in page files: --deskew needs "
                   "--format pdf";
    }
    return "the choices do not go together";
}

std::vector<PageSize> pageSizesFor(const Device& scanner, ScanSource source) {
    std::vector<PageSize> sizes;
    std::copy_if(scanner.paperSize.begin(), scanner.paperSize.end(), std::back_inserter(sizes),
                 [source](PageSize size) { return pageSizeFitsSource(size, source); });
    return sizes;
}

bool rotationApplies(const ScanRequest& request) {
    return request.colorMode != ColorMode::blackWhite && !combines(request.combine);
}

bool fileTypeFixed(const ScanRequest& request) {
    return request.colorMode == ColorMode::blackWhite && combines(request.combine);
}

std::optional<ChoiceConflict> findConflict(const ScanRequest& request, const Device& scanner) {
    const bool combined = combines(request.combine);
    const bool turned = request.rotation != Rotation::none;
    if (fileTypeFixed(request) && request.fileType != FileType::pdf) {
        return ChoiceConflict::blackWhiteCombinedNeedsPdf;
    }
    if (request.colorMode == ColorMode::blackWhite && turned) {
        return ChoiceConflict::blackWhiteNotTurned;
    }
    if (combined && turned) {
        return ChoiceConflict::combinedNotTurned;
    }
    if (request.combine == CombineType::idCard && request.source != ScanSource::flatbed &&
        offersFlatbed(scanner)) {
        return ChoiceConflict::idCardNeedsFlatbed;
    }
    if (!pageSizeFitsSource(request.pageSize, request.source)) {
        return ChoiceConflict::pageSizeNotForSource;
    }
    if (combined && combinedPageSize(scanner, request.source) != request.pageSize) {
        return ChoiceConflict::combinedPageSizeFixed;
    }
    if (request.cleanUp.straighten && request.fileType != FileType::pdf) {
        return ChoiceConflict::straighteningNeedsPdf;
    }
    return std::nullopt;
}

ScanRequest firstOffered(const Device& scanner, ScanRequest request) {
    ScanRequest first;
    first.saveDir = std::move(request.saveDir);
    first.prefix = std::move(request.prefix);
    first.cleanUp = request.cleanUp;
    afterScannerChange(first, scanner);
    const std::vector<PageSize> sizes = pageSizesFor(scanner, first.source);
    first.pageSize = sizes.empty() ? first.pageSize : sizes.front();
    return first;
}

void afterScannerChange(ScanRequest& request, const Device& scanner) {
    if (!scanner.scanSource.empty()) {
        request.source = scanner.scanSource.front();
    }
    const std::vector<int>& dpis = scanner.resolutionsFor(request.source);
    request.dpi = dpis.empty() ? request.dpi : dpis.front();
}

void afterSourceChange(ScanRequest& request, const Device& scanner) {
    if (request.source == ScanSource::flatbed) {
        return;  // the flatbed offers every feeder resolution and page size too
    }
    const std::vector<int>& dpis = scanner.resolutionsFor(request.source);
    request.dpi = dpis.empty() ? request.dpi : dpis.front();
    request.pageSize = scanner.paperSize.empty() ? request.pageSize : scanner.paperSize.front();
}

void afterColorModeChange(ScanRequest& request) {
    if (request.colorMode != ColorMode::blackWhite) {
        return;
    }
    if (combines(request.combine)) {
        request.fileType = FileType::pdf;
    }
    request.rotation = Rotation::none;
}

void afterCombineChange(ScanRequest& request, const Device& scanner) {
    if (!combines(request.combine)) {
        return;
    }
    request.rotation = Rotation::none;
    if (request.colorMode == ColorMode::blackWhite) {
        request.fileType = FileType::pdf;
    }
    if (request.combine == CombineType::idCard && offersFlatbed(scanner)) {
        request.source = ScanSource::flatbed;
    }
    request.pageSize = combinedPageSize(scanner, request.source).value_or(request.pageSize);
}

void settleOnScanner(ScanRequest& request, const Device& scanner) {
    request.source = offeredOrFirst(scanner.scanSource, request.source);
    request.dpi = offeredOrFirst(scanner.resolutionsFor(request.source), request.dpi);
    const std::vector<PageSize> sizes = pageSizesFor(scanner, request.source);
    request.pageSize = offeredOrFirst(sizes, request.pageSize);
    if (!scanner.supportCombine) {
        request.combine = CombineType::none;
    }
    afterColorModeChange(request);
    afterCombineChange(request, scanner);
    request.cleanUp.straighten = request.cleanUp.straighten && request.fileType == FileType::pdf;
    request.dpi = offeredOrFirst(scanner.resolutionsFor(request.source), request.dpi);
    request.pageSize = offeredOrFirst(pageSizesFor(scanner, request.source), request.pageSize);
}

}  // namespace scandesk
