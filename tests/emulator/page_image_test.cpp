// Generated pages: size, encoding and the marks that rotation checks rely on.
#include "emulator/page_image.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <memory>

namespace scandesk::emulator {
namespace {

JobRequest job(const std::string& mode, int64_t w, int64_t h) {
    JobRequest j;
    j.dpi = 300;
    j.mode = mode;
    j.w = w;
    j.h = h;
    for (int i = 0; i < 256; ++i) {
        j.gamma[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    }
    return j;
}

struct Decoded {
    int w = 0, h = 0, channels = 0;
    std::vector<uint8_t> pixels;
    // Channel 0 (grey, or red) and the mean of all channels at (x, y).
    int red(int x, int y) const { return pixels[static_cast<size_t>((y * w + x) * channels)]; }
    int level(int x, int y) const {
        int sum = 0;
        for (int c = 0; c < channels; ++c) {
            sum += pixels[static_cast<size_t>((y * w + x) * channels + c)];
        }
        return sum / channels;
    }
};

Decoded decode(const Bytes& jpeg) {
    std::unique_ptr<void, int (*)(void*)> handle(tjInitDecompress(), tjDestroy);
    Decoded d;
    int subsamp = 0, colourspace = 0;
    EXPECT_EQ(tjDecompressHeader3(handle.get(), jpeg.data(), jpeg.size(), &d.w, &d.h, &subsamp,
                                  &colourspace),
              0);
    d.channels = colourspace == TJCS_GRAY ? 1 : 3;
    d.pixels.resize(static_cast<size_t>(d.w * d.h * d.channels));
    EXPECT_EQ(tjDecompress2(handle.get(), jpeg.data(), jpeg.size(), d.pixels.data(), d.w, 0, d.h,
                            d.channels == 1 ? TJPF_GRAY : TJPF_RGB, 0),
              0);
    return d;
}

bool textPixelBlack(const Bytes& rows, int64_t w, int64_t x, int64_t y) {
    const int64_t rowBytes = (w + 7) / 8;
    return (rows[static_cast<size_t>(y * rowBytes + x / 8)] & (0x80 >> (x % 8))) == 0;
}

TEST(TextPage, PackedRowsWithMarkTopLeftAndWhiteElsewhere) {
    const JobRequest j = job("TEXT", 203, 120);  // width not a multiple of 8
    const auto rows = renderPage(j, 1);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), static_cast<size_t>(26 * 120));
    const PageLayout layout = pageLayout(j);
    EXPECT_TRUE(textPixelBlack(*rows, j.w, 0, 0));
    EXPECT_TRUE(textPixelBlack(*rows, j.w, layout.markSide - 1, layout.markSide - 1));
    EXPECT_FALSE(textPixelBlack(*rows, j.w, layout.markSide, layout.markSide));
    EXPECT_FALSE(textPixelBlack(*rows, j.w, j.w - 1, j.h - 1));
    EXPECT_FALSE(textPixelBlack(*rows, j.w, 0, j.h - 1));
    EXPECT_EQ(rows->back() & 0x1F, 0x1F);  // the five padding bits stay white
}

TEST(TextPage, PageNumbersDiffer) {
    const JobRequest j = job("TEXT", 256, 256);
    EXPECT_NE(renderPage(j, 1), renderPage(j, 2));
    EXPECT_EQ(renderPage(j, 2), renderPage(j, 2));
}

TEST(TextPage, GammaTableDecidesWhatTurnsBlack) {
    JobRequest j = job("TEXT", 64, 64);
    j.gamma.fill(0);  // every level maps to black
    const auto rows = renderPage(j, 1);
    ASSERT_TRUE(rows);
    EXPECT_TRUE(textPixelBlack(*rows, j.w, j.w - 1, j.h - 1));
}

struct JpegCase {
    std::string mode;
    int channels;
};

class JpegPage : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegPage, DecodesToRequestedSizeWithMarkTopLeft) {
    const JobRequest j = job(GetParam().mode, 320, 200);
    const auto jpeg = renderPage(j, 12);
    ASSERT_TRUE(jpeg);
    const Decoded d = decode(*jpeg);
    EXPECT_EQ(d.w, 320);
    EXPECT_EQ(d.h, 200);
    EXPECT_EQ(d.channels, GetParam().channels);
    const int inMark = static_cast<int>(pageLayout(j).markSide / 2);
    EXPECT_LT(d.level(inMark, inMark), 128);
    EXPECT_GT(d.level(d.w - 5, d.h - 5), 230);
    EXPECT_GT(d.level(5, d.h - 5), 230);
    if (GetParam().channels == 3) {
        EXPECT_GT(d.red(inMark, inMark), 200);  // the colour page's mark is red
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, JpegPage,
                         ::testing::Values(JpegCase{"GRAY256", 1}, JpegCase{"CGRAY", 3}));

}  // namespace
}  // namespace scandesk::emulator
