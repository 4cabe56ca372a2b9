// Received pages to page files: the one-bit bitmap, numbering and the JPEG hand-over.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "imaging/bw_bitmap.h"
#include "imaging/jpeg_codec.h"
#include "imaging/save_images.h"
#include "imaging_fixtures.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::fileBytes;
using testing::jobParam;
using testing::ScratchDir;

/// Little-endian 32-bit field of a byte block.
uint32_t field32(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

/// Top-first one-bit rows whose first byte is the row number (mod 256), rest 0xAA.
Bytes numberedRows(int64_t w, int64_t h) {
    Bytes rows;
    for (int64_t y = 0; y < h; ++y) {
        rows.push_back(static_cast<uint8_t>(y));
        rows.insert(rows.end(), static_cast<size_t>(w / 8 - 1), 0xAA);
    }
    return rows;
}

struct HeaderRow {
    std::string resolution;
    uint32_t pixelsPerMetre;
};

class BitmapHeader : public ::testing::TestWithParam<HeaderRow> {};

TEST_P(BitmapHeader, CarriesSizesResolutionAndPalette) {
    ScratchDir dir;
    ScanParam param = jobParam(dir, "TEXT", 1632, 2294);
    param.resolution = GetParam().resolution;
    testing::CapturedLines lines;
    const Bytes header = getBWBMPHeader(param);

    ASSERT_EQ(header.size(), 62u);
    EXPECT_EQ(header[0], 'B');
    EXPECT_EQ(header[1], 'M');
    const uint32_t pixelBytes = 204u * 2294u;
    EXPECT_EQ(field32(header, 2), pixelBytes + 62);
    EXPECT_EQ(field32(header, 6), 0u);
    EXPECT_EQ(field32(header, 10), 62u);
    EXPECT_EQ(field32(header, 14), 40u);
    EXPECT_EQ(field32(header, 18), 1632u);
    EXPECT_EQ(field32(header, 22), 2294u);
    EXPECT_EQ(header[26] | header[27] << 8, 1);
    EXPECT_EQ(header[28] | header[29] << 8, 1);
    EXPECT_EQ(field32(header, 30), 0u);
    EXPECT_EQ(field32(header, 34), pixelBytes);
    EXPECT_EQ(field32(header, 38), GetParam().pixelsPerMetre);
    EXPECT_EQ(field32(header, 42), GetParam().pixelsPerMetre);
    EXPECT_EQ(field32(header, 46), 2u);
    EXPECT_EQ(field32(header, 50), 0u);
    EXPECT_EQ(field32(header, 54), 0u);
    EXPECT_EQ(field32(header, 58), 0x00FFFFFFu);

    std::string expected = "[";
    for (size_t i = 0; i < header.size(); ++i) {
        expected += (i ? ", " : "") + std::to_string(header[i]);
    }
    EXPECT_EQ(lines.lines(), std::vector<std::string>{expected + "]"});
    EXPECT_EQ(expected.rfind("[66, 77, ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, BitmapHeader,
                         ::testing::Values(HeaderRow{"200,200", 7874}, HeaderRow{"300,300", 11811},
                                           HeaderRow{"600,600", 23622},
                                           HeaderRow{"1200,1200", 47244}, HeaderRow{"150,150", 0},
                                           HeaderRow{"300", 0}));

TEST(SaveImages, TextPageBecomesTheBitmapOfTheExampleWithRowsReversed) {
    ScratchDir dir;
    const ScanParam param = jobParam(dir, "TEXT", 2432, 3441);
    Bytes data = numberedRows(2432, 3441);
    data.insert(data.end(), 500, 0x00);  // bytes past the page are ignored

    EXPECT_EQ(saveImages(param, 3, data), (ResultPair{true, "saveSuccessfully"}));

    const Bytes file = fileBytes(dir.file("page-0003.bmp"));
    ASSERT_EQ(file.size(), 1046126u);
    EXPECT_EQ(Bytes(file.begin() + 2, file.begin() + 6), (Bytes{0x6E, 0xF6, 0x0F, 0x00}));
    EXPECT_EQ(Bytes(file.begin() + 38, file.begin() + 46),
              (Bytes{0x23, 0x2E, 0x00, 0x00, 0x23, 0x2E, 0x00, 0x00}));
    // The first received row ends the file; the last one starts the pixel block.
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 304, file.end() - 304));
    EXPECT_EQ(file[62], static_cast<uint8_t>(3440));
    EXPECT_EQ(file[62 + 304], static_cast<uint8_t>(3439));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page-0003.bmp"});
}

TEST(SaveImages, ShortTextDataKeepsThePageWithWhiteMissingRows) {
    ScratchDir dir;
    const ScanParam param = jobParam(dir, "TEXT", 64, 10);
    Bytes data = numberedRows(64, 10);
    data.resize(8 * 3 + 5);  // three whole rows and part of the fourth

    EXPECT_TRUE(saveImages(param, 1, data).status);

    const Bytes file = fileBytes(dir.file("page-0001.bmp"));
    ASSERT_EQ(file.size(), 62u + 80u);
    const auto storedRow = [&](int fromTop) {
        const size_t at = 62 + size_t(9 - fromTop) * 8;
        return Bytes(file.begin() + at, file.begin() + at + 8);
    };
    EXPECT_EQ(storedRow(0), Bytes(data.begin(), data.begin() + 8));
    EXPECT_EQ(storedRow(2), Bytes(data.begin() + 16, data.begin() + 24));
    Bytes partial(data.begin() + 24, data.end());
    partial.resize(8, 0xFF);
    EXPECT_EQ(storedRow(3), partial);
    for (int row = 4; row < 10; ++row) {
        EXPECT_EQ(storedRow(row), Bytes(8, 0xFF)) << "row " << row;
    }
}

TEST(SaveImages, EmptyPageAndOddWidthsGiveReadableBitmaps) {
    ScratchDir dir;
    ScanParam param = jobParam(dir, "TEXT", 2432, 0);
    EXPECT_TRUE(saveImages(param, 1, {}).status);
    EXPECT_EQ(fileBytes(dir.file("page-0001.bmp")).size(), 62u);

    // 1001 pixels: 125 bytes arrive per row, rows are stored in 128 (whole words).
    param = jobParam(dir, "TEXT", 1001, 2);
    Bytes data(250, 0x00);
    EXPECT_TRUE(saveImages(param, 2, data).status);
    const Bytes file = fileBytes(dir.file("page-0002.bmp"));
    ASSERT_EQ(file.size(), 62u + 256u);
    EXPECT_EQ(field32(file, 34), 256u);
    EXPECT_EQ(file[62 + 124], 0x00);
    EXPECT_EQ(file[62 + 125], 0xFF);
    Outcome<Image> decoded = decodeBWBitmap(file);
    ASSERT_TRUE(decoded) << decoded.error;
    EXPECT_EQ(decoded.value->raster.width(), 1001);
    EXPECT_EQ(decoded.value->raster.row(0)[999], 0);
    EXPECT_EQ(decoded.value->raster.row(0)[1000], 255);  // the bit no byte carried is white
}

struct NumberingRow {
    std::string mode;
    std::string fileType;
    int pageNo;
    bool secondScan;
    std::string expectedFile;
};

class PageNumbering : public ::testing::TestWithParam<NumberingRow> {};

TEST_P(PageNumbering, NamesTheOnePageFileItWrites) {
    const NumberingRow& row = GetParam();
    ScratchDir dir;
    ScanParam param = jobParam(dir, row.mode, 64, 48);
    param.fileType = row.fileType;
    param.isSecondScan = row.secondScan;
    const Bytes data = row.mode == "TEXT"
                           ? numberedRows(64, 48)
                           : testing::encodedPage(testing::markedPage(64, 48, PixelFormat::Rgb32));

    EXPECT_EQ(saveImages(param, row.pageNo, data), (ResultPair{true, "saveSuccessfully"}));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{row.expectedFile});
}

INSTANTIATE_TEST_SUITE_P(
    Files, PageNumbering,
    ::testing::Values(NumberingRow{"TEXT", "BMP", 3, false, "page-0003.bmp"},
                      NumberingRow{"TEXT", "BMP", 1, true, "page-0002.bmp"},
                      NumberingRow{"TEXT", "JPEG", 12, false, "page-0012.jpg"},
                      NumberingRow{"TEXT", "PDF", 10000, false, "page-10000.jpg"},
                      NumberingRow{"CGRAY", "BMP", 7, false, "page-0007.jpg"},
                      NumberingRow{"GRAY256", "JPEG", 1, true, "page-0002.jpg"},
                      NumberingRow{"CGRAY", "PDF", 123456, false, "page-123456.jpg"}));

TEST(SaveImages, TextPageBoundForJpegBecomesAGreyPageOfTheSamePicture) {
    ScratchDir dir;
    ScanParam param = jobParam(dir, "TEXT", 64, 32);
    param.fileType = "PDF";
    Bytes rows(8 * 32, 0xFF);
    for (int y = 0; y < 8; ++y) {
        rows[size_t(y) * 8] = 0x00;  // black top-left block of 8 x 8 pixels
    }
    EXPECT_TRUE(saveImages(param, 1, rows).status);

    const Image page = testing::readJpegPage(dir.file("page-0001.jpg"));
    EXPECT_EQ(page.raster.format(), PixelFormat::Gray8);
    EXPECT_EQ(page.raster.width(), 64);
    EXPECT_EQ(page.raster.height(), 32);
    EXPECT_LT(testing::greyAt(page.raster, 3, 3), 64);
    EXPECT_GT(testing::greyAt(page.raster, 40, 3), 192);
    EXPECT_GT(testing::greyAt(page.raster, 3, 28), 192);
    EXPECT_NEAR(page.width, 64 * 72.0 / 300, 0.01);  // density kept from 11811 px/m
}

TEST(SaveImages, UnwritableDirectoryIsASaveErrorWithItsLine) {
    ScratchDir dir;
    ScanParam param = jobParam(dir, "TEXT", 64, 8);
    param.filePath = dir.file("missing/page");
    testing::CapturedLines lines;
    EXPECT_EQ(saveImages(param, 1, Bytes(64, 0)), (ResultPair{false, "saveImageError"}));
    EXPECT_TRUE(lines.containsFragment("save image error = "));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(SaveImages, RewritingAPageReplacesItWholeAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const ScanParam param = jobParam(dir, "TEXT", 64, 8);
    ASSERT_TRUE(saveImages(param, 1, Bytes(64, 0x00)).status);
    ASSERT_TRUE(saveImages(param, 1, Bytes(64, 0x0F)).status);
    const Bytes file = fileBytes(dir.file("page-0001.bmp"));
    ASSERT_EQ(file.size(), 62u + 64u);
    EXPECT_EQ(file.back(), 0x0F);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"page-0001.bmp"});
}

struct RejectedBitmap {
    std::string what;
    size_t offset;
    std::vector<uint8_t> bytes;
};

TEST(BitmapReader, RefusesEverythingButTheSystemsOwnBitmaps) {
    ScratchDir dir;
    const ScanParam param = jobParam(dir, "TEXT", 64, 4);
    const Bytes good = *buildBWBitmap(param, Bytes(32, 0x55)).value;
    ASSERT_TRUE(decodeBWBitmap(good));
    const std::vector<RejectedBitmap> rows{
        {"eight bits per pixel", 28, {8, 0}},
        {"compressed rows", 30, {1, 0, 0, 0}},
        {"another info header", 14, {12, 0, 0, 0}},
        {"pixels before the header's end", 10, {20, 0, 0, 0}},
        {"pixels past the end", 10, {0xFF, 0xFF, 0, 0}},
        {"top-down rows", 22, {0xFC, 0xFF, 0xFF, 0xFF}},
        {"no width", 18, {0, 0, 0, 0}},
        {"rows beyond the data", 22, {40, 0, 0, 0}},
    };
    for (const RejectedBitmap& row : rows) {
        Bytes bad = good;
        std::copy(row.bytes.begin(), row.bytes.end(), bad.begin() + row.offset);
        EXPECT_FALSE(decodeBWBitmap(bad)) << row.what;
    }
    EXPECT_FALSE(decodeBWBitmap(Bytes(good.begin(), good.begin() + 61)));
    EXPECT_FALSE(decodeBWBitmap(Bytes(good.begin(), good.end() - 1)));
}

TEST(SaveImages, UndecodablePagesAreSaveErrorsAndWriteNothing) {
    ScratchDir dir;
    const Bytes jpeg = testing::encodedPage(testing::markedPage(64, 48, PixelFormat::Gray8));
    const std::vector<std::pair<std::string, Bytes>> pages{
        {"nothing", {}},
        {"text", toBytes("not an image")},
        {"a bitmap header alone", Bytes{'B', 'M', 0, 0}},
        {"a JPEG cut inside its header", Bytes(jpeg.begin(), jpeg.begin() + 40)},
    };
    for (const auto& [what, data] : pages) {
        testing::CapturedLines lines;
        EXPECT_EQ(saveImages(jobParam(dir, "GRAY256", 64, 48), 1, data),
                  (ResultPair{false, "saveImageError"}))
            << what;
        EXPECT_TRUE(lines.containsFragment("save image error = ")) << what;
    }
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace scandesk
