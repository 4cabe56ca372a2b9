// Received pages to page files: turning, names, the one-bit bitmap, JPEG pages, and
// temporary files that never outlive a failure.
#include <gtest/gtest.h>

#include "imaging/bw_bitmap.h"
#include "imaging/image_rotate.h"
#include "imaging/page_files.h"
#include "imaging/save_images.h"
#include "imaging_fixtures.h"

namespace scandesk {
namespace {

using testing::entries;
using testing::fileBytes;
using testing::jobParam;
using testing::TempDir;

struct TurnRow {
    double degree;
    std::vector<std::vector<int>> rows;  // the turned picture, top row first
};

// Turns are counter-clockwise: at 90 degrees the top edge goes to the left.
TEST(ImageRotate, QuarterTurnsMoveEveryPixelAndSwapTheSize) {
    Image page{Raster(3, 2, PixelFormat::Gray8), 3, 2};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            page.raster.row(y)[x] = static_cast<uint8_t>(10 * y + x);
        }
    }
    const std::vector<TurnRow> turns{
        {0, {{0, 1, 2}, {10, 11, 12}}},
        {90, {{2, 12}, {1, 11}, {0, 10}}},
        {180, {{12, 11, 10}, {2, 1, 0}}},
        {270, {{10, 0}, {11, 1}, {12, 2}}},
    };
    for (const TurnRow& turn : turns) {
        const std::optional<Image> turned = imageRotate(turn.degree, page, 1.0);
        ASSERT_TRUE(turned) << turn.degree;
        const Raster& raster = turned->raster;
        std::vector<std::vector<int>> rows(static_cast<size_t>(raster.height()));
        for (int y = 0; y < raster.height(); ++y) {
            rows[size_t(y)].assign(raster.row(y), raster.row(y) + raster.width());
        }
        EXPECT_EQ(rows, turn.rows) << turn.degree;
        EXPECT_EQ(turned->width, raster.width()) << turn.degree;
        EXPECT_EQ(turned->height, raster.height()) << turn.degree;
    }
    EXPECT_FALSE(imageRotate(90, Image{}, 1.0));
}

TEST(PageFiles, NamesHaveAtLeastFourDigits) {
    EXPECT_EQ(pageFileName("/d/page", 3, ".jpg"), "/d/page-0003.jpg");
    EXPECT_EQ(pageFileName("/d/page", 12345, ".bmp"), "/d/page-12345.bmp");
}

TEST(PageFiles, AnAbandonedOrUnpublishableTemporaryFileIsRemoved) {
    const TempDir dir;
    {
        Outcome<PendingFile> pending = PendingFile::create(dir.path() + "/page-0001.jpg");
        ASSERT_TRUE(pending);
        ASSERT_FALSE(pending.value->write(toBytes("half a page")));
    }
    // A directory in the page's place: the rename fails.
    std::filesystem::create_directory(dir.path() + "/page-0002.jpg");
    EXPECT_TRUE(writeFileAtomically(dir.path() + "/page-0002.jpg", toBytes("page")));
    EXPECT_EQ(entries(dir), std::vector<std::string>{"page-0002.jpg"});
}

// Rows arrive top first, 9 bytes for 72 pixels; the file stores them bottom first in whole
// 32-bit words, padded white, with the rows that never arrived white.
TEST(SaveImages, TextPageBecomesAOneBitBitmap) {
    const TempDir dir;
    PageJob param = jobParam(dir, "TEXT", 72, 3);
    param.keepBitmap = true;
    const Bytes data{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  //
                     0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,  //
                     0x20, 0x21, 0x22, 0x23};
    ASSERT_EQ(saveImages(param, 1, data), std::nullopt);
    // clang-format off
    const Bytes expected{
        'B', 'M', 98, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,               // 98 bytes, pixels at 62
        40, 0, 0, 0, 72, 0, 0, 0, 3, 0, 0, 0, 1, 0, 1, 0,             // 72 x 3, 1 bit a pixel
        0, 0, 0, 0, 36, 0, 0, 0, 0x23, 0x2E, 0, 0, 0x23, 0x2E, 0, 0,  // 36 bytes, 300 dpi
        2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0,      // palette: black, white
        0x20, 0x21, 0x22, 0x23, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // bottom row
        0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0xFF, 0xFF, 0xFF,
        0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF, 0xFF, 0xFF,  // top row
    };
    // clang-format on
    EXPECT_EQ(fileBytes(dir.path() + "/page-0001.bmp"), expected);
}

// The density a page file states follows the job's resolution for black-and-white pages
// (kept as bitmaps, or as JPEG bound for a PDF) and the scanner's own for grey pages: a
// viewer and the PDF show the page at its real size only with the right one.
TEST(SaveImages, PageFilesStateTheResolutionAsTheirDensity) {
    const auto le32 = [](const Bytes& b, size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
    };
    for (const auto& [dpi, pixelsPerMetre] :
         {std::pair{200, 7874u}, {300, 11811u}, {600, 23622u}, {1200, 47244u}}) {
        SCOPED_TRACE(dpi);
        const TempDir dir;
        PageJob param = jobParam(dir, "TEXT", 64, 8);
        param.dpi = dpi;
        param.keepBitmap = true;
        ASSERT_EQ(saveImages(param, 1, Bytes(64, 0xFF)), std::nullopt);
        const Bytes bitmap = fileBytes(dir.path() + "/page-0001.bmp");
        ASSERT_EQ(bitmap.size(), 62u + 64u);
        EXPECT_EQ(std::pair(le32(bitmap, 38), le32(bitmap, 42)),
                  std::pair(pixelsPerMetre, pixelsPerMetre));
        param.keepBitmap = false;  // bound for a PDF
        ASSERT_EQ(saveImages(param, 2, Bytes(64, 0xFF)), std::nullopt);
        param = jobParam(dir, "GRAY256", 64, 48);
        param.rotation = Rotation::quarter;
        const Image scanned{Raster(64, 48, PixelFormat::Gray8), 64 * 72.0 / dpi, 48 * 72.0 / dpi};
        ASSERT_EQ(saveImages(param, 3, testing::encodedPage(scanned)), std::nullopt);
        for (const char* file : {"/page-0002.jpg", "/page-0003.jpg"}) {
            const auto density = readJfifDensity(fileBytes(dir.path() + file));
            ASSERT_TRUE(density) << file;
            EXPECT_EQ(std::pair(density->x, density->y), std::pair(double(dpi), double(dpi)))
                << file;
        }
    }
}

struct SaveRow {
    std::string mode;
    int angle;
    int pageNo;
    std::string file;
    int width;  // of the stored picture
    int height;
    int markX;  // where the top-left mark of the page ends
    int markY;
};

TEST(SaveImages, EachPageBecomesOneTurnedPageFile) {
    const std::vector<SaveRow> rows{
        {"GRAY256", 0, 3, "page-0003.jpg", 64, 48, 4, 4},
        {"GRAY256", 90, 12, "page-0012.jpg", 48, 64, 4, 59},
        {"CGRAY", 180, 2, "page-0002.jpg", 64, 48, 59, 43},
        {"CGRAY", 270, 10000, "page-10000.jpg", 48, 64, 43, 4},
        {"TEXT", 0, 7, "page-0007.jpg", 64, 48, 4, 4},  // bound for a PDF: a JPEG file
    };
    for (const SaveRow& row : rows) {
        SCOPED_TRACE(row.file);
        const TempDir dir;
        PageJob param = jobParam(dir, row.mode, 64, 48);
        param.rotation = static_cast<Rotation>(row.angle / 90);
        Bytes data;
        if (row.mode == "TEXT") {
            data.assign(8 * 48, 0xFF);
            for (size_t y = 0; y < 12; ++y) {
                data[8 * y] = data[8 * y + 1] = 0x00;  // black top-left 16 x 12 pixels
            }
        } else {
            const auto format = row.mode == "CGRAY" ? PixelFormat::Rgb32 : PixelFormat::Gray8;
            data = testing::encodedPage(testing::markedPage(64, 48, format));
        }
        ASSERT_EQ(saveImages(param, row.pageNo, data), std::nullopt);
        ASSERT_EQ(entries(dir), std::vector<std::string>{row.file});
        const Image page = testing::readJpegPage(dir.path() + "/" + row.file);
        ASSERT_EQ(page.raster.width(), row.width);
        ASSERT_EQ(page.raster.height(), row.height);
        EXPECT_EQ(page.raster.format(),
                  row.mode == "CGRAY" ? PixelFormat::Rgb32 : PixelFormat::Gray8);
        EXPECT_LT(testing::greyAt(page.raster, row.markX, row.markY), 96);
        EXPECT_GT(
            testing::greyAt(page.raster, row.width - 1 - row.markX, row.height - 1 - row.markY),
            160);
    }
}

// A few bytes can claim a raster of gigabytes: a page far larger than the job asked for is
// refused before it is decoded, and nothing is written.
TEST(SaveImages, PagesFarBeyondTheJobOrUndecodableAreRefused) {
    const TempDir dir;
    for (const uint8_t side : {0xFD, 0x07}) {  // 65021 and about 2000 pixels a side
        Bytes jpeg = testing::encodedPage(testing::markedPage(16, 16, PixelFormat::Gray8));
        // The frame header: FF C0, length, precision, height, width.
        const uint8_t frameMarker[] = {0xFF, 0xC0};
        const auto frame =
            std::search(jpeg.begin(), jpeg.end(), std::begin(frameMarker), std::end(frameMarker));
        ASSERT_NE(frame, jpeg.end());
        frame[5] = frame[7] = side;
        EXPECT_NE(saveImages(jobParam(dir, "GRAY256", 16, 16), 1, jpeg), std::nullopt) << int(side);
    }
    EXPECT_NE(saveImages(jobParam(dir, "GRAY256", 16, 16), 1, toBytes("not an image")),
              std::nullopt);
    EXPECT_NE(saveImages(jobParam(dir, "TEXT", int64_t{1} << 33, 4), 1, Bytes(64, 0)),
              std::nullopt);
    EXPECT_TRUE(entries(dir).empty());
}

}  // namespace
}  // namespace scandesk
