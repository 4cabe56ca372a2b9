// Deterministic scanner-like pages for the benchmarks.
#include "synthetic_page.h"

#include <fstream>

#include "imaging/jpeg_codec.h"

namespace scandesk::bench {

namespace {

constexpr int kScannerQuality = 75;

/// A small linear congruential generator: deterministic and fast.
struct Lcg {
    unsigned state;
    unsigned next() { return state = state * 1664525u + 1013904223u; }
};

}  // namespace

Image emptyPage(int width, int height, double dotsPerInch, unsigned seed) {
    Image page;
    page.raster = Raster(width, height, PixelFormat::Gray8);
    page.width = width * 72.0 / dotsPerInch;
    page.height = height * 72.0 / dotsPerInch;
    Lcg random{seed};
    for (int y = 0; y < height; ++y) {
        uint8_t* row = page.raster.row(y);
        for (int x = 0; x < width; ++x) {
            row[x] = static_cast<uint8_t>(246 + (random.next() >> 29));
        }
    }
    return page;
}

Image letterPage(int width, int height, double dotsPerInch, unsigned seed) {
    Image page = emptyPage(width, height, dotsPerInch, seed);
    Lcg random{seed};
    const int scale = std::max(1, static_cast<int>(dotsPerInch / 100));
    const int lineHeight = 14 * scale;
    const int margin = width / 10;
    for (int top = height / 12; top + lineHeight < height - height / 12; top += lineHeight * 2) {
        int x = margin;
        while (x < width - margin) {
            const int glyph = (3 + static_cast<int>(random.next() >> 29)) * scale;
            const bool gap = (random.next() >> 28) < 3;
            if (!gap) {
                const int level = static_cast<int>(random.next() >> 26);
                for (int y = top; y < top + lineHeight; ++y) {
                    for (int gx = x; gx < std::min(x + glyph, width - margin); ++gx) {
                        page.raster.row(y)[gx] = static_cast<uint8_t>(20 + level);
                    }
                }
            }
            x += glyph + scale * 2;
        }
    }
    return page;
}

Bytes scannerJpeg(const Image& page) {
    return encodeJpeg(page, kScannerQuality).value.value_or(Bytes{});
}

Bytes oneBitRows(const Image& page) {
    const int rowBytes = page.raster.width() / 8;
    Bytes rows(static_cast<size_t>(rowBytes) * page.raster.height(), 0);
    for (int y = 0; y < page.raster.height(); ++y) {
        const uint8_t* in = page.raster.row(y);
        for (int i = 0; i < rowBytes; ++i) {
            uint8_t byte = 0;
            for (int bit = 0; bit < 8; ++bit) {
                byte = static_cast<uint8_t>(byte << 1 | (in[8 * i + bit] > 128 ? 1 : 0));
            }
            rows[static_cast<size_t>(y) * rowBytes + i] = byte;
        }
    }
    return rows;
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace scandesk::bench
