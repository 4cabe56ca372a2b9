// Combining pairs of page files into two-in-one pages.
#include "imaging/combine_image.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include "common/diagnostics.h"
#include "imaging/canvas.h"
#include "imaging/image_rotate.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging/save_jpeg.h"
#include "imaging/save_result.h"

namespace scandesk {

namespace {

/// Scale of the pages that are laid on their side.
constexpr double kTurnedPageRatio = 0.7;

/// The canvas and where the two pages of a pair go on it.
struct Layout {
    int width = 0;
    int height = 0;
    Rect first;   ///< upper half, or left half side by side
    Rect second;  ///< lower half, or right half side by side
};

/// Canvas size and slots for the job. Halves are truncated, so with an odd height the
/// top row stays white, and with an odd width side by side the right column does.
Layout layoutFor(const PageJob& job, int oriation) {
    const bool sideBySide = oriation == 0;
    int64_t width = sideBySide ? job.h : job.w;
    int64_t height = sideBySide ? job.w : job.h;
    if (job.combine == CombineType::idCard) {
        height *= 2;
    }
    constexpr int64_t kMaxSide = std::numeric_limits<int>::max();
    Layout layout;
    layout.width = static_cast<int>(std::clamp<int64_t>(width, 0, kMaxSide));
    layout.height = static_cast<int>(std::clamp<int64_t>(height, 0, kMaxSide));
    const double halfWidth = layout.width / 2;
    const double halfHeight = layout.height / 2;
    if (sideBySide) {
        layout.first = {0, 0, halfWidth, double(layout.height)};
        layout.second = {halfWidth, 0, halfWidth, double(layout.height)};
    } else {
        layout.first = {0, layout.height - 2 * halfHeight, double(layout.width), halfHeight};
        layout.second = {0, layout.height - halfHeight, double(layout.width), halfHeight};
    }
    return layout;
}

/// Reads and decodes one JPEG page file.
Outcome<Image> loadPage(const std::string& path) {
    Outcome<Bytes> content = readWholeFile(path);
    if (!content) {
        return Outcome<Image>::failure(content.error);
    }
    return decodeJpeg(*content.value);
}

/// The page as it goes on the canvas: laid on its side for the two-page types.
/// Pages of other types go on as they are (taken, not copied).
std::optional<Image> placedPage(Image page, CombineType combine) {
    if (combine == CombineType::horizontal) {
        return imageRotate(270, page, kTurnedPageRatio);
    }
    if (combine == CombineType::vertical) {
        return imageRotate(90, page, kTurnedPageRatio);
    }
    return page;
}

/// Logs why combining failed, for a failed outcome.
Outcome<int> failed(const std::string& description) {
    saveFailure(description);
    return Outcome<int>::failure(description);
}

/// Removes a page file whose page is now held by a combined page.
void removeCombinedPage(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        diagWarning("delete even image error : ", std::strerror(errno), " (", path, ")");
    }
}

/// `combineImage` without the guard against unexpected exceptions.
Outcome<int> combinePages(int pages, int oriation, const PageJob& job) {
    const Layout layout = layoutFor(job, oriation);
    diagDebug("combine image w = ", layout.width, " h = ", layout.height);
    if (pages < 1) {
        return failed("no pages to combine");
    }
    const auto pathOf = [&](int n) { return pageFileName(job.filePath, n, ".jpg"); };

    diagDebug("read odd image = ", pathOf(1));
    Outcome<Image> firstPage = loadPage(pathOf(1));
    if (!firstPage || firstPage.value->raster.empty()) {
        diagError("comImage to cgImage error");
        return failed(firstPage.error);
    }
    const bool sideBySide = oriation == 0;
    const double nominalWidth = sideBySide ? firstPage.value->height : firstPage.value->width;
    double nominalHeight = sideBySide ? firstPage.value->width : firstPage.value->height;
    if (job.combine == CombineType::idCard) {
        nominalHeight *= 2;
    }
    if (layout.width <= 0 || layout.height <= 0) {
        return failed("empty canvas");
    }
    Image canvas{Raster(layout.width, layout.height, firstPage.value->raster.format()),
                 nominalWidth, nominalHeight};

    for (int first = 1; first <= pages; first += 2) {
        const int combined = (first + 1) / 2;
        const int last = std::min(first + 1, pages);
        paintWhite(canvas.raster);
        for (int n = first; n <= last; ++n) {
            Outcome<Image> page = n == 1 ? std::move(firstPage) : loadPage(pathOf(n));
            if (!page) {
                return failed(page.error);
            }
            const std::optional<Image> placed = placedPage(std::move(*page.value), job.combine);
            if (!placed || !drawRaster(canvas.raster, placed->raster,
                                       n == first ? layout.first : layout.second)) {
                return failed("page " + std::to_string(n) + " cannot be placed");
            }
        }
        if (SaveError error = save2Images(canvas, combined, job)) {
            return Outcome<int>::failure(*error);  // already logged
        }
        // Only now that the combined page is on disk may its pages' own files go; the
        // first pair's file was replaced by the combined page itself.
        for (int n = first; n <= last; ++n) {
            if (n != combined) {
                removeCombinedPage(pathOf(n));
            }
        }
    }
    return {(pages + 1) / 2, {}};
}

}  // namespace

std::optional<int> combineImage(int pages, int oriation, const PageJob& job) {
    try {
        return combinePages(pages, oriation, job).value;
    } catch (const std::exception& error) {
        saveFailure(error.what());
        return std::nullopt;
    }
}

}  // namespace scandesk
