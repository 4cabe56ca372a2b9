// Two-in-one pages: canvas geometry, slots, numbering, and no page lost on failure.
#include <gtest/gtest.h>

#include "imaging/combine_image.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging_fixtures.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::greyAt;
using testing::jobParam;
using testing::readJpegPage;
using testing::ScratchDir;

/// Level of the top-left mark of page n, so probes can tell pages apart.
int markLevel(int n) {
    return (n - 1) % 3 * 90;  // 0, 90, 180
}

/// Writes page file n: white, with its mark (w/4 x h/4) top-left.
void writePage(const ScanParam& param, int n, PixelFormat format = PixelFormat::Gray8) {
    Image page = testing::markedPage(static_cast<int>(param.w), static_cast<int>(param.h), format);
    for (int y = 0; y < page.raster.height() / 4; ++y) {
        for (int x = 0; x < page.raster.width() / 4; ++x) {
            if (format == PixelFormat::Gray8) {
                page.raster.row(y)[x] = static_cast<uint8_t>(markLevel(n));
            }
        }
    }
    const Bytes jpeg = testing::encodedPage(page);
    ASSERT_FALSE(writeFileAtomically(pageFileName(param.filePath, n, ".jpg"), jpeg));
}

/// A job of the combine type whose page files 1 ... `pages` are written.
ScanParam combineJob(const ScratchDir& dir, int64_t w, int64_t h, const std::string& type,
                     int pages, PixelFormat format = PixelFormat::Gray8) {
    ScanParam param = jobParam(dir, "GRAY256", w, h);
    param.combineType = type;
    for (int n = 1; n <= pages; ++n) {
        writePage(param, n, format);
    }
    return param;
}

/// Checks that the pixel shows the mark of page n (or white for n = 0).
void expectPage(const Raster& raster, int x, int y, int n) {
    const int expected = n == 0 ? 255 : markLevel(n);
    EXPECT_NEAR(greyAt(raster, x, y), expected, 30) << "at " << x << "," << y;
}

TEST(Combine, VerticalPairsStackTurnedPagesAndLeaveTheOddTopRowWhite) {
    ScratchDir dir;
    const ScanParam param = combineJob(dir, 240, 345, "CombinVertical", 4);
    testing::CapturedLines lines;

    ASSERT_EQ(combineImage(4, 1, param), (ResultPair{true, "saveSuccessfully"}));

    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"page-0001.jpg", "page-0002.jpg"}));
    EXPECT_TRUE(lines.contains("combine image w = 240 h = 345"));
    EXPECT_TRUE(lines.contains("read odd image = " + dir.file("page-0001.jpg")));
    for (int pair = 1; pair <= 2; ++pair) {
        const Image combined = readJpegPage(pageFileName(param.filePath, pair, ".jpg"));
        ASSERT_EQ(combined.raster.width(), 240);
        ASSERT_EQ(combined.raster.height(), 345);
        // Slots are rows 1..172 and 173..344; a page turned a quarter counter-clockwise
        // carries its mark bottom-left.
        expectPage(combined.raster, 120, 0, 0);
        expectPage(combined.raster, 20, 160, 2 * pair - 1);
        expectPage(combined.raster, 20, 332, 2 * pair);
        expectPage(combined.raster, 200, 60, 0);
        expectPage(combined.raster, 200, 230, 0);
        expectPage(combined.raster, 20, 100, 0);
    }
}

TEST(Combine, ThreePagesLeaveTwoFilesTheLastWithAWhiteSlot) {
    ScratchDir dir;
    ASSERT_TRUE(combineImage(3, 1, combineJob(dir, 240, 344, "CombinVertical", 3)).status);

    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"page-0001.jpg", "page-0002.jpg"}));
    const Image last = readJpegPage(dir.file("page-0002.jpg"));
    expectPage(last.raster, 20, 160, 3);
    expectPage(last.raster, 20, 330, 0);
    expectPage(last.raster, 120, 250, 0);
}

TEST(Combine, IdCardDoublesTheHeightAndKeepsBothSidesUpright) {
    ScratchDir dir;
    const ScanParam param = combineJob(dir, 240, 172, "IDCard", 2);  // height already halved
    testing::CapturedLines lines;

    ASSERT_TRUE(combineImage(2, 1, param).status);

    EXPECT_TRUE(lines.contains("combine image w = 240 h = 344"));
    const Image card = readJpegPage(dir.file("page-0001.jpg"));
    ASSERT_EQ(card.raster.width(), 240);
    ASSERT_EQ(card.raster.height(), 344);
    expectPage(card.raster, 20, 20, 1);
    expectPage(card.raster, 20, 172 + 20, 2);
    expectPage(card.raster, 200, 100, 0);
    expectPage(card.raster, 200, 300, 0);
    // The nominal height doubles with the pixel height: the density stays 300 dpi.
    EXPECT_NEAR(card.height, 344 * 72.0 / 300, 0.3);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page-0001.jpg"});
}

TEST(Combine, SideBySideTurnsPagesTheOtherWayAndLeavesTheOddRightColumnWhite) {
    ScratchDir dir;
    ASSERT_TRUE(combineImage(2, 0, combineJob(dir, 240, 345, "CombinHorizontal", 2)).status);

    const Image sheet = readJpegPage(dir.file("page-0001.jpg"));
    ASSERT_EQ(sheet.raster.width(), 345);
    ASSERT_EQ(sheet.raster.height(), 240);
    // Turned 270 degrees, the mark goes top-right of each half (0..171, 172..343).
    expectPage(sheet.raster, 160, 20, 1);
    expectPage(sheet.raster, 172 + 160, 20, 2);
    expectPage(sheet.raster, 20, 20, 0);
    expectPage(sheet.raster, 172 + 20, 200, 0);
    expectPage(sheet.raster, 344, 120, 0);
}

TEST(Combine, ColourPagesStayColour) {
    ScratchDir dir;
    ASSERT_TRUE(
        combineImage(2, 1, combineJob(dir, 120, 170, "CombinVertical", 2, PixelFormat::Rgb32))
            .status);
    const Image sheet = readJpegPage(dir.file("page-0001.jpg"));
    ASSERT_EQ(sheet.raster.format(), PixelFormat::Rgb32);
    EXPECT_GT(testing::colourAt(sheet.raster, 10, 80).red, 180);
    EXPECT_LT(testing::colourAt(sheet.raster, 10, 80).green, 80);
}

TEST(Combine, AFailureMidwayLosesNoPage) {
    ScratchDir dir;
    const ScanParam param = combineJob(dir, 240, 344, "CombinVertical", 3);
    ASSERT_FALSE(writeFileAtomically(dir.file("page-0004.jpg"), toBytes("damaged")));
    const Bytes thirdPage = testing::fileBytes(dir.file("page-0003.jpg"));
    testing::CapturedLines lines;

    EXPECT_EQ(combineImage(4, 1, param), (ResultPair{false, "saveImageError"}));

    // Pages 1 and 2 are in the combined file 1; pages 3 and 4 keep their own files.
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"page-0001.jpg", "page-0003.jpg", "page-0004.jpg"}));
    EXPECT_EQ(testing::fileBytes(dir.file("page-0003.jpg")), thirdPage);
    const Image first = readJpegPage(dir.file("page-0001.jpg"));
    expectPage(first.raster, 20, 160, 1);
    expectPage(first.raster, 20, 330, 2);
}

TEST(Combine, NoPagesOrAMissingFirstPageIsAnError) {
    ScratchDir dir;
    const ScanParam param = combineJob(dir, 240, 344, "CombinVertical", 0);
    testing::CapturedLines lines;
    EXPECT_EQ(combineImage(0, 1, param), (ResultPair{false, "saveImageError"}));
    EXPECT_EQ(combineImage(2, 1, param), (ResultPair{false, "saveImageError"}));
    EXPECT_TRUE(lines.contains("comImage to cgImage error"));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(Combine, ACanvasTooLargeToHoldIsAnErrorThatKeepsThePages) {
    ScratchDir dir;
    ScanParam param = combineJob(dir, 240, 344, "IDCard", 2);
    param.w = int64_t{1} << 40;
    EXPECT_EQ(combineImage(2, 1, param), (ResultPair{false, "saveImageError"}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"page-0001.jpg", "page-0002.jpg"}));
}

}  // namespace
}  // namespace scandesk
