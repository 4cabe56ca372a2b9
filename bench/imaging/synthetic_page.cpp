// Deterministic scanner-like pages for the benchmarks.
#include "synthetic_page.h"

#include <cairo.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <numbers>

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

Image proseSheet(double dotsPerInch, double skewDegrees) {
    static constexpr const char* kLines[] = {
        "The committee met on Tuesday morning to review the quarterly budget and the",
        "plans for the new library building. Several members asked whether the costs of",
        "heating and lighting had been included in the estimate, and the treasurer agreed",
        "to prepare a detailed account before the next meeting. The proposal to extend",
    };
    const double perMm = dotsPerInch / 25.4;
    const int width = static_cast<int>(210 * perMm);
    const int height = static_cast<int>(297 * perMm);
    Image page{Raster(width, height, PixelFormat::Gray8), width * 72 / dotsPerInch,
               height * 72 / dotsPerInch};
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
    std::unique_ptr<cairo_t, void (*)(cairo_t*)> cairo(cairo_create(surface.get()), cairo_destroy);
    cairo_t* c = cairo.get();
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_paint(c);
    cairo_translate(c, width / 2.0, height / 2.0);
    cairo_rotate(c, -skewDegrees * std::numbers::pi / 180);
    cairo_translate(c, -width / 2.0, -height / 2.0);
    cairo_scale(c, perMm, perMm);
    cairo_set_source_rgb(c, 0, 0, 0);
    cairo_select_font_face(c, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(c, 11 * 25.4 / 72);
    for (int line = 0; line < 40; ++line) {
        cairo_move_to(c, 25, 30 + line * 6);
        cairo_show_text(c, kLines[line % 4]);
    }
    cairo_surface_flush(surface.get());
    const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            page.raster.row(y)[x] = pixels[static_cast<size_t>(y) * stride + 4 * x + 1];
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
