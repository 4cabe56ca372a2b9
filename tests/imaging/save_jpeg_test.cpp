// JPEG page files: turning, nominal sizes, grey and colour, failures.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/jpeg_codec.h"
#include "imaging/save_images.h"
#include "imaging_fixtures.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::encodedPage;
using testing::greyAt;
using testing::jobParam;
using testing::markedPage;
using testing::readJpegPage;
using testing::ScratchDir;

struct AngleRow {
    int64_t angle;
    bool sideways;
    double markFx;  ///< where the top-left mark ends, as fractions of the result
    double markFy;
};

class SaveTurned : public ::testing::TestWithParam<std::tuple<AngleRow, PixelFormat>> {};

TEST_P(SaveTurned, TurnsThePixelsAndSwapsTheNominalSizeForQuarterTurns) {
    const auto& [row, format] = GetParam();
    ScratchDir dir;
    ScanParam param = jobParam(dir, "CGRAY", 160, 240);
    param.rotateAngle = row.angle;
    testing::CapturedLines lines;

    ASSERT_EQ(save2JPEG(param, 4, encodedPage(markedPage(160, 240, format, 300))),
              (ResultPair{true, "saveSuccessfully"}));

    const Image page = readJpegPage(dir.file("page-0004.jpg"));
    const int width = row.sideways ? 240 : 160;
    const int height = row.sideways ? 160 : 240;
    ASSERT_EQ(page.raster.width(), width);
    ASSERT_EQ(page.raster.height(), height);
    EXPECT_EQ(page.raster.format(), format);  // grey stays grey, colour stays colour
    // 160 x 240 pixels at 300 dpi are 38.4 x 57.6 points.
    EXPECT_NEAR(page.width, row.sideways ? 57.6 : 38.4, 0.2);
    EXPECT_NEAR(page.height, row.sideways ? 38.4 : 57.6, 0.2);
    const int markX = static_cast<int>(row.markFx * width);
    const int markY = static_cast<int>(row.markFy * height);
    EXPECT_LT(greyAt(page.raster, markX, markY), 128);
    EXPECT_GT(greyAt(page.raster, width - 1 - markX, height - 1 - markY), 192);
    if (format == PixelFormat::Rgb32) {
        const testing::Rgb mark = testing::colourAt(page.raster, markX, markY);
        EXPECT_GT(mark.red, 200);
        EXPECT_LT(mark.green, 60);
    }
    EXPECT_TRUE(lines.contains("pixelsWide = " + std::to_string(width) +
                               " and pixelsHigh =" + std::to_string(height)));
}

INSTANTIATE_TEST_SUITE_P(
    Angles, SaveTurned,
    ::testing::Combine(::testing::Values(AngleRow{0, false, 0.1, 0.1}, AngleRow{90, true, 0.1, 0.9},
                                         AngleRow{180, false, 0.9, 0.9},
                                         AngleRow{270, true, 0.9, 0.1}),
                       ::testing::Values(PixelFormat::Gray8, PixelFormat::Rgb32)));

TEST(SaveJpeg, ReencodesAtTheFixedQualityEvenWithoutATurn) {
    ScratchDir dir;
    const Bytes input = encodedPage(markedPage(320, 480, PixelFormat::Gray8, 200));
    ASSERT_TRUE(save2JPEG(jobParam(dir, "GRAY256", 320, 480), 1, input).status);
    const Bytes output = testing::fileBytes(dir.file("page-0001.jpg"));
    EXPECT_NE(output, input);
    EXPECT_LT(output.size(), input.size());
    const std::optional<Density> density = readJfifDensity(output);
    ASSERT_TRUE(density);
    EXPECT_EQ(density->x, 200);
    EXPECT_EQ(density->y, 200);
}

TEST(SaveJpeg, PagesWithoutDensityAreSeventyTwoDotsPerInch) {
    Image page = markedPage(100, 50, PixelFormat::Gray8);
    page.width = 0;  // no nominal size: the encoder falls back to 72 dpi
    const Outcome<Bytes> jpeg = encodeJpeg(page);
    ASSERT_TRUE(jpeg);
    const Outcome<Image> decoded = decodeJpeg(*jpeg.value);
    ASSERT_TRUE(decoded);
    EXPECT_DOUBLE_EQ(decoded.value->width, 100);
    EXPECT_DOUBLE_EQ(decoded.value->height, 50 * 72.0 / 300);
}

TEST(SaveImagesInMemory, WritesTheImageAsItIsWithItsLines) {
    ScratchDir dir;
    ScanParam param = jobParam(dir, "CGRAY", 10, 10);
    param.rotateAngle = 90;  // not applied to images made in memory
    testing::CapturedLines lines;

    ASSERT_EQ(save2Images(markedPage(120, 80, PixelFormat::Rgb32), 2, param),
              (ResultPair{true, "saveSuccessfully"}));

    const Image page = readJpegPage(dir.file("page-0002.jpg"));
    EXPECT_EQ(page.raster.width(), 120);
    EXPECT_EQ(page.raster.height(), 80);
    EXPECT_LT(greyAt(page.raster, 5, 5), 128);
    EXPECT_EQ(lines.lines(),
              (std::vector<std::string>{"save 2 image path = " + dir.file("page-0002.jpg"),
                                        "save2Images pixelsWide = 120 and pixelsHigh =80"}));
}

TEST(SaveImagesInMemory, FailuresAreSaveErrors) {
    ScratchDir dir;
    ScanParam param = jobParam(dir, "CGRAY", 10, 10);
    testing::CapturedLines lines;
    EXPECT_EQ(save2Images(Image{}, 1, param), (ResultPair{false, "saveImageError"}));
    param.filePath = dir.file("no/such/dir/page");
    EXPECT_EQ(save2Images(markedPage(8, 8, PixelFormat::Gray8), 1, param),
              (ResultPair{false, "saveImageError"}));
    EXPECT_EQ(lines.count("save2Images pixelsWide = 0 and pixelsHigh =0"), 1u);
    EXPECT_GE(lines.lines().size(), 5u);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(SaveJpeg, TruncatedPageIsKeptAsFarAsItArrived) {
    ScratchDir dir;
    const Bytes whole = encodedPage(markedPage(256, 256, PixelFormat::Gray8));
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
    EXPECT_TRUE(save2JPEG(jobParam(dir, "GRAY256", 256, 256), 1, cut).status);
    EXPECT_EQ(readJpegPage(dir.file("page-0001.jpg")).raster.height(), 256);
}

// A few bytes can claim a raster of gigabytes: a page far larger than the job asked for
// is refused before it is decoded.
TEST(SaveJpeg, PagesFarBeyondTheJobAreRefusedBeforeAnyAllocation) {
    ScratchDir dir;
    for (const uint8_t side : {0xFD, 0x07}) {  // 65021 and about 2000 pixels a side
        Bytes jpeg = encodedPage(markedPage(16, 16, PixelFormat::Gray8));
        // The frame header: FF C0, length, precision, height, width.
        const uint8_t frameMarker[] = {0xFF, 0xC0};
        const auto frame =
            std::search(jpeg.begin(), jpeg.end(), std::begin(frameMarker), std::end(frameMarker));
        ASSERT_NE(frame, jpeg.end());
        frame[5] = frame[7] = side;
        EXPECT_EQ(save2JPEG(jobParam(dir, "GRAY256", 16, 16), 1, jpeg),
                  (ResultPair{false, "saveImageError"}))
            << int(side);
    }
    ScanParam huge = jobParam(dir, "TEXT", int64_t{1} << 33, 4);
    EXPECT_EQ(saveImages(huge, 1, Bytes(64, 0)), (ResultPair{false, "saveImageError"}));
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace scandesk
