// Test page drawing and encoding.
#include "emulator/page_image.h"

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace scandesk::emulator {
namespace {

constexpr int kJpegQuality = 85;
constexpr int64_t kFontWidth = 5;
constexpr int64_t kFontHeight = 7;

// Digits 0-9 of a 5 x 7 dot font: one row per entry, bit 4 is the leftmost dot.
constexpr std::array<std::array<uint8_t, 7>, 10> kDigits{{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
}};

struct Colour {
    uint8_t r, g, b;
};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kRed{255, 0, 0};

// A white picture of one or three channels per pixel.
class Canvas {
  public:
    Canvas(int64_t w, int64_t h, int channels)
        : w_(w),
          h_(h),
          channels_(channels),
          pixels_(static_cast<size_t>(w * h * channels), uint8_t{255}) {}

    // Paints the rectangle, clipped to the canvas.
    void fill(int64_t left, int64_t top, int64_t width, int64_t height, Colour colour) {
        const int64_t right = std::min(w_, left + width);
        const int64_t bottom = std::min(h_, top + height);
        const uint8_t grey =
            static_cast<uint8_t>((colour.r * 299 + colour.g * 587 + colour.b * 114) / 1000);
        for (int64_t y = std::max<int64_t>(0, top); y < bottom; ++y) {
            for (int64_t x = std::max<int64_t>(0, left); x < right; ++x) {
                uint8_t* pixel = &pixels_[static_cast<size_t>((y * w_ + x) * channels_)];
                if (channels_ == 1) {
                    pixel[0] = grey;
                } else {
                    pixel[0] = colour.r;
                    pixel[1] = colour.g;
                    pixel[2] = colour.b;
                }
            }
        }
    }

    const std::vector<uint8_t>& pixels() const { return pixels_; }

  private:
    int64_t w_, h_;
    int channels_;
    std::vector<uint8_t> pixels_;
};

// Draws the page number in the dot font with its top-left corner at (left, 0).
void drawNumber(Canvas& canvas, int pageNo, int64_t left, int64_t scale) {
    const std::string digits = std::to_string(pageNo);
    for (size_t i = 0; i < digits.size(); ++i) {
        const auto& glyph = kDigits[static_cast<size_t>(digits[i] - '0')];
        const int64_t glyphLeft = left + static_cast<int64_t>(i) * (kFontWidth + 1) * scale;
        for (int64_t row = 0; row < kFontHeight; ++row) {
            for (int64_t dot = 0; dot < kFontWidth; ++dot) {
                if (glyph[static_cast<size_t>(row)] & (0x10 >> dot)) {
                    canvas.fill(glyphLeft + dot * scale, row * scale, scale, scale, kBlack);
                }
            }
        }
    }
}

// Packs grey pixels into 1-bit rows: white where the gamma-corrected level is 128 or more.
Bytes packRows(const std::vector<uint8_t>& grey, const JobRequest& job) {
    const size_t rowBytes = static_cast<size_t>((job.w + 7) / 8);
    Bytes rows(rowBytes * static_cast<size_t>(job.h), 0);
    for (int64_t y = 0; y < job.h; ++y) {
        uint8_t* row = &rows[static_cast<size_t>(y) * rowBytes];
        for (int64_t x = 0; x < job.w; ++x) {
            if (job.gamma[grey[static_cast<size_t>(y * job.w + x)]] >= 128) {
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        for (int64_t x = job.w; x < static_cast<int64_t>(rowBytes) * 8; ++x) {
            row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));  // padding stays white
        }
    }
    return rows;
}

struct CompressorDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct JpegBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

// Encodes grey or RGB pixels as a JPEG stream.
std::optional<Bytes> encodeJpeg(const std::vector<uint8_t>& pixels, const JobRequest& job,
                                bool colour) {
    std::unique_ptr<void, CompressorDeleter> compressor(tjInitCompress());
    if (!compressor) {
        return std::nullopt;
    }
    unsigned char* raw = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(compressor.get(), pixels.data(), static_cast<int>(job.w), 0,
                                   static_cast<int>(job.h), colour ? TJPF_RGB : TJPF_GRAY, &raw,
                                   &size, colour ? TJSAMP_420 : TJSAMP_GRAY, kJpegQuality, 0);
    std::unique_ptr<unsigned char, JpegBufferDeleter> encoded(raw);
    if (status != 0 || !encoded) {
        return std::nullopt;
    }
    return Bytes(encoded.get(), encoded.get() + size);
}

}  // namespace

PageLayout pageLayout(const JobRequest& job) {
    // A quarter inch at the job's resolution, but never more than a quarter of the page.
    const int64_t wanted = job.dpi > 0 ? job.dpi / 4 : 50;
    const int64_t markSide = std::max<int64_t>(1, std::min({wanted, job.w / 4, job.h / 4}));
    const int64_t digitScale = std::max<int64_t>(1, markSide / kFontHeight);
    return PageLayout{markSide, digitScale, markSide + 2 * digitScale};
}

std::optional<Bytes> renderPage(const JobRequest& job, int pageNo) {
    const bool colour = job.mode == "CGRAY";
    Canvas canvas(job.w, job.h, colour ? 3 : 1);
    const PageLayout layout = pageLayout(job);
    canvas.fill(0, 0, layout.markSide, layout.markSide, colour ? kRed : kBlack);
    drawNumber(canvas, pageNo, layout.digitsLeft, layout.digitScale);
    if (job.mode == "TEXT") {
        return packRows(canvas.pixels(), job);
    }
    return encodeJpeg(canvas.pixels(), job, colour);
}

}  // namespace scandesk::emulator
