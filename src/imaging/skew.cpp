// Skew by projection profiles: the angle at which the ink's row sums are sharpest.
#include "imaging/skew.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "imaging/blank_page.h"

namespace scandesk {
namespace {

constexpr double kLargestSkew = 6.0;
constexpr double kCoarseStep = 0.25;
constexpr double kFineStep = 0.02;
// The feeder's edges and punch holes would add lines of their own.
constexpr double kMarginShare = 0.06;
// Fewer ink pixels than this give no reliable line.
constexpr size_t kFewestInk = 200;
// Lines of text make the sharpest profile stand well above the blurred ones; a picture
// or scattered marks do not.
constexpr double kLeastContrast = 1.15;

struct Ink {
    float along;   // position along the lines
    float across;  // position across them
};

/// The ink pixels of the page's inner part, in line coordinates.
std::vector<Ink> inkOf(const Raster& grey, bool sideways) {
    std::vector<Ink> ink;
    const std::optional<int> threshold = inkThreshold(grey);
    if (!threshold) {
        return ink;
    }
    const int marginX = static_cast<int>(grey.width() * kMarginShare);
    const int marginY = static_cast<int>(grey.height() * kMarginShare);
    for (int y = marginY; y < grey.height() - marginY; ++y) {
        const uint8_t* row = grey.row(y);
        for (int x = marginX; x < grey.width() - marginX; ++x) {
            if (row[x] < *threshold) {
                ink.push_back(sideways ? Ink{static_cast<float>(y), static_cast<float>(x)}
                                       : Ink{static_cast<float>(x), static_cast<float>(y)});
            }
        }
    }
    return ink;
}

/// Sharpness of the profile across lines turned by `degrees`: the sum of squared bin
/// counts, largest when every line falls into few bins.
double sharpness(const std::vector<Ink>& ink, double degrees, int bins, double sign,
                 std::vector<uint32_t>& profile) {
    const double slope = sign * std::tan(degrees * std::numbers::pi / 180);
    const double offset = std::abs(slope) * bins;  // `along` never exceeds the bin count
    profile.assign(static_cast<size_t>(3 * bins), 0);
    for (const Ink& point : ink) {
        const auto bin = static_cast<ptrdiff_t>(point.across + point.along * slope + offset);
        if (bin >= 0 && bin < static_cast<ptrdiff_t>(profile.size())) {
            ++profile[static_cast<size_t>(bin)];
        }
    }
    double sum = 0;
    for (uint32_t count : profile) {
        sum += static_cast<double>(count) * count;
    }
    return sum;
}

}  // namespace

std::optional<double> measureSkew(const Image& page, bool sideways) {
    Raster converted;
    const Raster& grey = greyOf(page.raster, converted);
    const std::vector<Ink> ink = inkOf(grey, sideways);
    if (ink.size() < kFewestInk) {
        return std::nullopt;
    }
    const int bins = std::max(grey.width(), grey.height());
    // Content turned counter-clockwise climbs to the right (y falls as x grows); down
    // the raster it drifts to the right as y grows.
    const double sign = sideways ? -1.0 : 1.0;
    std::vector<uint32_t> profile;
    double best = 0;
    double bestScore = -1;
    double total = 0;
    int samples = 0;
    for (double degrees = -kLargestSkew; degrees <= kLargestSkew + 1e-9; degrees += kCoarseStep) {
        const double score = sharpness(ink, degrees, bins, sign, profile);
        total += score;
        ++samples;
        if (score > bestScore) {
            bestScore = score;
            best = degrees;
        }
    }
    if (bestScore < kLeastContrast * total / samples) {
        return std::nullopt;
    }
    const double coarse = best;
    for (double degrees = coarse - kCoarseStep; degrees <= coarse + kCoarseStep + 1e-9;
         degrees += kFineStep) {
        const double score = sharpness(ink, degrees, bins, sign, profile);
        if (score > bestScore) {
            bestScore = score;
            best = degrees;
        }
    }
    return best;
}

}  // namespace scandesk
