// Blank-page judgement: dark marks found by connected components on a reduced page.
#include "imaging/blank_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace scandesk {
namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kPointsPerInch = 72.0;
// Punch holes sit about 12 mm from the edge with a diameter of 6 mm; staples and the
// feeder's shadow lie closer still.
constexpr double kMarginMm = 17.0;
// Dust and scanner noise stay below this size; the smallest printed letters do not.
constexpr double kSpeckMm = 0.75;
// A mark this large is content on its own (a letter of 10 pt type, a stroke of a pen).
constexpr double kMarkMm = 2.4;
// Small marks count when they stand together, as the letters of a word do.
constexpr double kNeighbourMm = 6.0;
constexpr int kGroupNeighbours = 2;
// Dark means well below the paper: bleed-through and the paper's own grain stay above.
constexpr double kDarkShare = 0.6;
// A page whose paper is this dark is a dark picture or a dark sheet, never a blank.
constexpr int kDarkestPaper = 100;

/// The bounding box of one connected group of dark pixels.
struct Mark {
    int left, top, right, bottom;  // inclusive
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    double centreX() const { return (left + right) / 2.0; }
    double centreY() const { return (top + bottom) / 2.0; }
};

/// The grey level of the paper: 60 % of the page is at least this bright, which even a
/// page full of text and pictures leaves to its paper.
int paperLevel(const Raster& raster) {
    std::array<uint64_t, 256> histogram{};
    for (int y = 0; y < raster.height(); ++y) {
        const uint8_t* row = raster.row(y);
        for (int x = 0; x < raster.width(); ++x) {
            ++histogram[row[x]];
        }
    }
    const uint64_t total = static_cast<uint64_t>(raster.width()) * raster.height();
    uint64_t seen = 0;
    for (int level = 0; level < 256; ++level) {
        seen += histogram[level];
        if (seen * 5 >= total * 2) {
            return level;
        }
    }
    return 255;
}

/// The connected groups (eight neighbours) of pixels darker than `threshold`.
std::vector<Mark> findMarks(const Raster& raster, int threshold) {
    const int width = raster.width();
    const int height = raster.height();
    std::vector<uint8_t> dark(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = raster.row(y);
        for (int x = 0; x < width; ++x) {
            dark[static_cast<size_t>(y) * width + x] = row[x] < threshold;
        }
    }
    std::vector<Mark> marks;
    std::vector<int> stack;
    for (int start = 0; start < width * height; ++start) {
        if (!dark[start]) {
            continue;
        }
        dark[start] = 0;
        stack.push_back(start);
        Mark mark{start % width, start / width, start % width, start / width};
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int x = at % width;
            const int y = at / width;
            mark.left = std::min(mark.left, x);
            mark.right = std::max(mark.right, x);
            mark.top = std::min(mark.top, y);
            mark.bottom = std::max(mark.bottom, y);
            for (int ny = std::max(0, y - 1); ny <= std::min(height - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(width - 1, x + 1); ++nx) {
                    const int next = ny * width + nx;
                    if (dark[next]) {
                        dark[next] = 0;
                        stack.push_back(next);
                    }
                }
            }
        }
        marks.push_back(mark);
    }
    return marks;
}

}  // namespace

std::optional<int> inkThreshold(const Raster& grey) {
    const int paper = paperLevel(grey);
    if (paper < kDarkestPaper) {
        return std::nullopt;
    }
    return static_cast<int>(paper * kDarkShare);
}

PageContent judgePageContent(const Image& page) {
    Raster converted;
    const Raster& grey = greyOf(page.raster, converted);
    if (grey.empty() || page.width <= 0) {
        return PageContent::Blank;
    }
    const double pixelsPerMm = grey.width() / (page.width / kPointsPerInch * kMillimetresPerInch);
    const std::optional<int> threshold = inkThreshold(grey);
    if (!threshold) {
        return PageContent::Content;
    }
    const double margin = kMarginMm * pixelsPerMm;
    const double speck = kSpeckMm * pixelsPerMm;
    const double large = kMarkMm * pixelsPerMm;
    const double near = kNeighbourMm * pixelsPerMm;
    std::vector<Mark> small;
    for (const Mark& mark : findMarks(grey, *threshold)) {
        const bool touchesEdge = mark.left == 0 || mark.top == 0 ||
                                 mark.right == grey.width() - 1 || mark.bottom == grey.height() - 1;
        const bool inMargin = mark.centreX() < margin || mark.centreY() < margin ||
                              mark.centreX() > grey.width() - margin ||
                              mark.centreY() > grey.height() - margin;
        const int extent = std::max(mark.width(), mark.height());
        if (touchesEdge || inMargin || extent < speck) {
            continue;
        }
        if (extent >= large) {
            return PageContent::Content;
        }
        small.push_back(mark);
    }
    // A lone small mark is dust; a few together are a word in small type. Sorted by
    // column, each mark's neighbours lie in a window of the list.
    std::sort(small.begin(), small.end(),
              [](const Mark& a, const Mark& b) { return a.centreX() < b.centreX(); });
    size_t first = 0;
    for (size_t n = 0; n < small.size(); ++n) {
        while (small[n].centreX() - small[first].centreX() >= near) {
            ++first;
        }
        int neighbours = 0;
        for (size_t m = first; m < small.size() && small[m].centreX() - small[n].centreX() < near;
             ++m) {
            neighbours += m != n && std::abs(small[m].centreY() - small[n].centreY()) < near;
        }
        if (neighbours >= kGroupNeighbours) {
            return PageContent::Content;
        }
    }
    return PageContent::Blank;
}

}  // namespace scandesk
