// Cairo drawings of test sheets on an A4 grey page.
#include "support/rendered_sheet.h"

#include <cairo.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>

#include "imaging/jpeg_codec.h"

namespace scandesk::testing {
namespace {

constexpr double kA4WidthMm = 210;
constexpr double kA4HeightMm = 297;

constexpr const char* kProse[] = {
    "The committee met on Tuesday morning to review the quarterly budget and the",
    "plans for the new library building. Several members asked whether the costs of",
    "heating and lighting had been included in the estimate, and the treasurer agreed",
    "to prepare a detailed account before the next meeting. The proposal to extend",
    "the opening hours during the winter months was accepted without objection.",
    "Children from the local schools will be invited to visit the reading rooms, and",
    "volunteers are needed to help with the collection of donated books in April.",
    "Any questions about these decisions should be sent to the secretary in writing.",
};

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextRelease {
    void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};

/// Deterministic pseudo-random numbers in [0, 1).
struct Random {
    unsigned state = 12345;
    double next() {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};

void text(cairo_t* cairo, double xMm, double yMm, double points, const char* line) {
    cairo_select_font_face(cairo, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cairo, points * 25.4 / 72);
    cairo_move_to(cairo, xMm, yMm);
    cairo_show_text(cairo, line);
}

/// Draws the sheet's marks in millimetres, origin top-left.
void drawMarks(cairo_t* cairo, SheetKind kind) {
    Random random;
    switch (kind) {
        case SheetKind::Text:
            cairo_set_source_rgb(cairo, 0.05, 0.05, 0.05);
            text(cairo, 25, 40, 16, "Minutes of the Library Committee");
            for (int paragraph = 0; paragraph < 3; ++paragraph) {
                for (int n = 0; n < 8; ++n) {
                    text(cairo, 25, 60 + paragraph * 50 + n * 5.5, 11, kProse[n]);
                }
            }
            break;
        case SheetKind::OneLineNote:
            cairo_set_source_rgb(cairo, 0.1, 0.1, 0.1);
            text(cairo, 60, 120, 10, "Please call me back on Monday");
            break;
        case SheetKind::SmallPrint:
            cairo_set_source_rgb(cairo, 0.1, 0.1, 0.1);
            text(cairo, 40, 200, 6, "see overleaf, ref. 2024/117");
            break;
        case SheetKind::PunchHoles:
            cairo_set_source_rgb(cairo, 0.15, 0.15, 0.15);
            for (double y : {kA4HeightMm / 2 - 40, kA4HeightMm / 2 + 40}) {
                cairo_arc(cairo, 12, y, 3, 0, 2 * std::numbers::pi);
                cairo_fill(cairo);
            }
            cairo_rectangle(cairo, 6, 8, 9, 1.2);  // a staple in the corner
            cairo_fill(cairo);
            cairo_set_source_rgb(cairo, 0.3, 0.3, 0.3);
            cairo_rectangle(cairo, 0, 0, kA4WidthMm, 1.5);  // the feeder's edge shadow
            cairo_fill(cairo);
            break;
        case SheetKind::Noise:
            cairo_set_source_rgb(cairo, 0.1, 0.1, 0.1);
            for (int n = 0; n < 600; ++n) {
                cairo_arc(cairo, random.next() * kA4WidthMm, random.next() * kA4HeightMm,
                          0.05 + random.next() * 0.2, 0, 2 * std::numbers::pi);
                cairo_fill(cairo);
            }
            break;
        case SheetKind::BleedThrough:
            cairo_set_source_rgb(cairo, 0.8, 0.8, 0.8);
            cairo_save(cairo);
            cairo_translate(cairo, kA4WidthMm, 0);
            cairo_scale(cairo, -1, 1);
            for (int n = 0; n < 24; ++n) {
                text(cairo, 25, 50 + n * 8, 12, kProse[n % 8]);
            }
            cairo_restore(cairo);
            break;
    }
}

}  // namespace

Image renderSheet(const Sheet& sheet, double dotsPerInch) {
    const double pixelsPerMm = dotsPerInch / 25.4;
    const int width = static_cast<int>(std::lround(kA4WidthMm * pixelsPerMm));
    const int height = static_cast<int>(std::lround(kA4HeightMm * pixelsPerMm));
    std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    std::unique_ptr<cairo_t, ContextRelease> cairo(cairo_create(surface.get()));
    cairo_t* c = cairo.get();
    cairo_set_source_rgb(c, 0.98, 0.98, 0.97);
    cairo_paint(c);
    cairo_translate(c, width / 2.0, height / 2.0);
    cairo_rotate(c, (-sheet.skewDegrees + 90 * sheet.quarterTurns) * std::numbers::pi / 180);
    cairo_translate(c, -kA4WidthMm * pixelsPerMm / 2, -kA4HeightMm * pixelsPerMm / 2);
    cairo_scale(c, pixelsPerMm, pixelsPerMm);
    drawMarks(c, sheet.kind);
    cairo_surface_flush(surface.get());
    if (cairo_status(c) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot render a test sheet");
    }

    Image page{Raster(width, height, PixelFormat::Gray8), width * 72 / dotsPerInch,
               height * 72 / dotsPerInch};
    const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(pixels + static_cast<size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            page.raster.row(y)[x] =
                lumaOf((row[x] >> 16) & 0xFF, (row[x] >> 8) & 0xFF, row[x] & 0xFF);
        }
    }
    return page;
}

Bytes sheetJpeg(const Sheet& sheet, double dotsPerInch) {
    return encodeJpeg(renderSheet(sheet, dotsPerInch)).value.value();
}

}  // namespace scandesk::testing
