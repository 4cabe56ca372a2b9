// Turning page images: sizes, direction, scale and diagnostic lines.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/image_rotate.h"
#include "imaging_fixtures.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::greyAt;
using testing::markedPage;

/// Where a probe lands, as fractions of the result's width and height, and whether it
/// must be dark (on the turned mark) or white.
struct Probe {
    double fx;
    double fy;
    bool dark;
};

struct TurnRow {
    double degree;
    int expectedWidth;
    int expectedHeight;
    std::vector<Probe> probes;
};

class Turn : public ::testing::TestWithParam<std::tuple<TurnRow, PixelFormat>> {};

TEST_P(Turn, MovesTheTopLeftMarkWhereACounterClockwiseTurnPutsIt) {
    const auto& [row, format] = GetParam();
    const Image page = markedPage(160, 240, format);
    const std::optional<Image> turned = imageRotate(row.degree, page, 1.0);

    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->raster.format(), format);
    EXPECT_EQ(turned->raster.width(), row.expectedWidth);
    EXPECT_EQ(turned->raster.height(), row.expectedHeight);
    EXPECT_EQ(turned->width, row.expectedWidth);
    EXPECT_EQ(turned->height, row.expectedHeight);
    for (const Probe& probe : row.probes) {
        const int x = static_cast<int>(probe.fx * row.expectedWidth);
        const int y = static_cast<int>(probe.fy * row.expectedHeight);
        if (probe.dark) {
            EXPECT_LT(greyAt(turned->raster, x, y), 100) << "at " << x << "," << y;
        } else {
            EXPECT_GT(greyAt(turned->raster, x, y), 200) << "at " << x << "," << y;
        }
    }
}

// The mark covers the top-left 1/4 x 1/4 of the page.
INSTANTIATE_TEST_SUITE_P(
    Angles, Turn,
    ::testing::Combine(
        ::testing::Values(
            TurnRow{0, 160, 240, {{0.1, 0.1, true}, {0.9, 0.1, false}, {0.1, 0.9, false}}},
            // The top edge goes to the left: the mark ends bottom-left.
            TurnRow{90, 240, 160, {{0.1, 0.9, true}, {0.1, 0.1, false}, {0.9, 0.9, false}}},
            TurnRow{180, 160, 240, {{0.9, 0.9, true}, {0.1, 0.1, false}, {0.9, 0.1, false}}},
            // The top edge goes to the right: the mark ends top-right.
            TurnRow{270, 240, 160, {{0.9, 0.1, true}, {0.1, 0.1, false}, {0.9, 0.9, false}}},
            // Most of the mark is cut off and the uncovered corners are white; a point
            // just inside the mark's inner corner (-45, -65 from the centre) turns to
            // (-77.8, -14.1), near the left edge (a clockwise turn would put it at
            // (14, -78), which stays white here).
            TurnRow{45,
                    160,
                    240,
                    {{0.0, 0.0, false},
                     {0.5, 0.5, false},
                     {0.02, 0.4417, true},
                     {0.5875, 0.175, false},
                     {0.99, 0.99, false}}}),
        ::testing::Values(PixelFormat::Gray8, PixelFormat::Rgb32)));

TEST(Turn, QuarterTurnsMoveEveryPixelExactly) {
    Image page;
    page.raster = Raster(5, 3, PixelFormat::Gray8);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            page.raster.row(y)[x] = static_cast<uint8_t>(10 * y + x);
        }
    }
    const std::optional<Image> left = imageRotate(90, page, 1.0);
    ASSERT_TRUE(left);
    ASSERT_EQ(left->raster.width(), 3);
    ASSERT_EQ(left->raster.height(), 5);
    const std::optional<Image> back = imageRotate(270, *left, 1.0);
    const std::optional<Image> half = imageRotate(180, page, 1.0);
    ASSERT_TRUE(back && half);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            // Counter-clockwise: source (x, y) goes to (y, width - 1 - x).
            EXPECT_EQ(left->raster.row(4 - x)[y], 10 * y + x);
            EXPECT_EQ(back->raster.row(y)[x], 10 * y + x);
            EXPECT_EQ(half->raster.row(2 - y)[4 - x], 10 * y + x);
        }
    }
}

TEST(Turn, ScaledQuarterTurnOfAnA4PageAndItsLines) {
    const Image page = markedPage(2432, 3441, PixelFormat::Gray8);
    testing::CapturedLines lines;
    const std::optional<Image> turned = imageRotate(90, page, 0.7);

    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->raster.width(), 2408);
    EXPECT_EQ(turned->raster.height(), 1702);
    EXPECT_EQ(lines.lines(),
              (std::vector<std::string>{
                  "rotate degree = 90.0", "rotate and change w and h",
                  "rotate size w = 2408.0 and h = 1702.0 and w = 1702 and h = 2408"}));
    // Scaled but still a quarter turn: the mark sits bottom-left, edges stay white.
    EXPECT_LT(greyAt(turned->raster, 100, 1600), 100);
    EXPECT_GT(greyAt(turned->raster, 2300, 100), 200);
    EXPECT_GT(greyAt(turned->raster, 2407, 1701), 200);
}

TEST(Turn, NothingToTurnGivesNothing) {
    testing::CapturedLines lines;
    EXPECT_FALSE(imageRotate(90, Image{}, 1.0));
    EXPECT_FALSE(imageRotate(0, markedPage(4, 4, PixelFormat::Gray8), 0.1));
    EXPECT_FALSE(imageRotate(90, markedPage(4, 4, PixelFormat::Gray8), 1e8));  // no canvas
    EXPECT_TRUE(lines.contains("rotate size w = 0.0 and h = 0.0 and w = 0 and h = 0"));
}

}  // namespace
}  // namespace scandesk
