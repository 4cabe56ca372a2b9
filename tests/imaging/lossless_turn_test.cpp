// Quarter turns of stored page files: where the pixels go, and that none is lost or changed.
#include <gtest/gtest.h>

#include <tuple>

#include "imaging/bw_bitmap.h"
#include "imaging/lossless_turn.h"
#include "imaging_fixtures.h"

namespace scandesk {
namespace {

using testing::greyAt;
using testing::markedPage;

Image decoded(const Bytes& jpeg) {
    Outcome<Image> image = decodeJpeg(jpeg);
    EXPECT_TRUE(image) << image.error;
    return image ? std::move(*image.value) : Image{};
}

/// The pixel of the unturned page that lands at (x, y) of the page turned clockwise.
std::pair<int, int> sourceOf(int x, int y, int turns, int width, int height) {
    switch (turns) {
        case 1:
            return {y, height - 1 - x};
        case 2:
            return {width - 1 - x, height - 1 - y};
        case 3:
            return {width - 1 - y, x};
        default:
            return {x, y};
    }
}

// Grey pages have 8-pixel blocks, colour pages 16 (4:2:0); sizes whole and partial
// blocks, as scanned areas (2432 x 3441 at 300 dpi) give.
TEST(LosslessTurn, JpegPagesKeepEveryPixelWhereverItLands) {
    const std::vector<std::tuple<int, int, PixelFormat>> pages{{64, 48, PixelFormat::Gray8},
                                                               {243, 344, PixelFormat::Gray8},
                                                               {96, 160, PixelFormat::Rgb32},
                                                               {152, 215, PixelFormat::Rgb32},
                                                               {117, 200, PixelFormat::Rgb32}};
    for (const auto& [width, height, format] : pages) {
        const Bytes stored = testing::encodedPage(markedPage(width, height, format, 40));
        const Image original = decoded(stored);
        const int block = format == PixelFormat::Gray8 ? 8 : 16;
        for (int turns : {-1, 1, 2, 3, 4}) {
            SCOPED_TRACE(::testing::Message() << width << "x" << height << " turns " << turns);
            const Outcome<Bytes> turned = turnJpeg(stored, turns);
            ASSERT_TRUE(turned) << turned.error;
            const int q = normalQuarterTurns(turns);
            const Image image = decoded(*turned.value);
            // Only an edge that moves to the top or left is widened to whole blocks.
            const int keptWidth = q == 1 ? width : (width + block - 1) / block * block;
            const int keptHeight = q == 3 ? height : (height + block - 1) / block * block;
            const int w = q == 0 ? width : keptWidth;
            const int h = q == 0 ? height : keptHeight;
            ASSERT_EQ(image.raster.width(), q % 2 ? h : w);
            ASSERT_EQ(image.raster.height(), q % 2 ? w : h);
            if (q == 0) {
                EXPECT_EQ(*turned.value, stored);
                continue;
            }
            // Every original pixel is in the turned page, with its value: the coefficients
            // are the same, only the decoder's rounding of transposed blocks differs.
            int worst = 0;
            for (int y = 0; y < image.raster.height(); ++y) {
                for (int x = 0; x < image.raster.width(); ++x) {
                    const auto [sx, sy] = sourceOf(x, y, q, w, h);
                    if (sx < width && sy < height) {
                        worst = std::max(worst, std::abs(greyAt(image.raster, x, y) -
                                                         greyAt(original.raster, sx, sy)));
                    }
                }
            }
            EXPECT_LE(worst, 1);
        }
        // A turn and its opposite give back the stored coefficients.
        const Outcome<Bytes> there = turnJpeg(stored, 1);
        ASSERT_TRUE(there);
        if (width % block == 0 && height % block == 0) {
            const Outcome<Bytes> back = turnJpeg(*there.value, 3);
            ASSERT_TRUE(back);
            const Image again = decoded(*back.value);
            EXPECT_EQ(0, std::memcmp(again.raster.data(), original.raster.data(),
                                     original.raster.byteSize()));
        }
    }
}

TEST(LosslessTurn, DamagedPagesAreRefused) {
    for (const Bytes& page :
         {toBytes("not a page"), Bytes{0xFF, 0xD8, 0xFF}, toBytes("BM short")}) {
        EXPECT_FALSE(turnPageFile(page, 1));
    }
    PageJob param;
    param.w = 16;
    param.h = 4;
    Outcome<Bytes> bitmap = buildBWBitmap(param, Bytes(8, 0x0F));
    ASSERT_TRUE(bitmap);
    bitmap.value->resize(bitmap.value->size() - 3);  // the top row is cut short
    EXPECT_FALSE(turnBWBitmap(*bitmap.value, 1));
}

// Widths with and without padding bits; rows of distinct patterns.
TEST(LosslessTurn, BlackAndWhitePagesTurnBitForBit) {
    for (const auto& [width, height] : {std::pair{16, 3}, std::pair{40, 9}, std::pair{24, 33}}) {
        PageJob param;
        param.w = width;
        param.h = height;
        param.dpi = 200;
        Bytes rows;
        for (int i = 0; i < width / 8 * height; ++i) {
            rows.push_back(static_cast<uint8_t>(i * 37 + 11));
        }
        const Bytes stored = *buildBWBitmap(param, rows).value;
        const Image original = *decodeBWBitmap(stored).value;
        for (int turns : {1, 2, 3}) {
            SCOPED_TRACE(::testing::Message() << width << "x" << height << " turns " << turns);
            const Outcome<Bytes> turned = turnPageFile(stored, turns);
            ASSERT_TRUE(turned) << turned.error;
            const Outcome<Image> image = decodeBWBitmap(*turned.value);
            ASSERT_TRUE(image) << image.error;
            const Raster& raster = image.value->raster;
            ASSERT_EQ(raster.width(), turns == 2 ? width : height);
            ASSERT_EQ(raster.height(), turns == 2 ? height : width);
            for (int y = 0; y < raster.height(); ++y) {
                for (int x = 0; x < raster.width(); ++x) {
                    const auto [sx, sy] = sourceOf(x, y, turns, width, height);
                    ASSERT_EQ(greyAt(raster, x, y), greyAt(original.raster, sx, sy))
                        << x << "," << y;
                }
            }
            EXPECT_EQ(turned.value->size(),
                      kBWBMPHeaderSize +
                          static_cast<size_t>(bwBitmapRowBytes(raster.width()) * raster.height()));
            // Four quarter turns give back the stored file.
            Bytes round = stored;
            for (int i = 0; i < 4; ++i) {
                round = *turnBWBitmap(round, turns).value;
            }
            EXPECT_EQ(round, stored);
        }
    }
}

}  // namespace
}  // namespace scandesk
