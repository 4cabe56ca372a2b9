// Cairo image surfaces over rasters, and the one drawing operation imaging needs.
#include "imaging/canvas.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace scandesk {

namespace {

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextRelease {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
struct PatternRelease {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;
using ContextPtr = std::unique_ptr<cairo_t, ContextRelease>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternRelease>;

/// A Cairo surface over the raster's own pixels (no copy).
SurfacePtr surfaceOver(const Raster& raster) {
    const cairo_format_t format =
        raster.format() == PixelFormat::Gray8 ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_RGB24;
    // Cairo only reads a source surface; the cast lets one helper serve both roles.
    SurfacePtr surface(cairo_image_surface_create_for_data(const_cast<uint8_t*>(raster.data()),
                                                           format, raster.width(), raster.height(),
                                                           raster.stride()));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return surface;
}

/// cos and sin of the angle, exact for whole quarter turns.
void cosSin(double degree, double& c, double& s) {
    const double turns = degree / 90.0;
    if (std::isfinite(turns) && turns == std::floor(turns)) {
        const long quarter = ((static_cast<long>(std::fmod(turns, 4.0)) % 4) + 4) % 4;
        static constexpr double kCos[] = {1, 0, -1, 0};
        static constexpr double kSin[] = {0, 1, 0, -1};
        c = kCos[quarter];
        s = kSin[quarter];
        return;
    }
    const double radians = degree * M_PI / 180.0;
    c = std::cos(radians);
    s = std::sin(radians);
}

}  // namespace

Placement Placement::turnAbout(double cx, double cy, double degree) {
    double c = 1;
    double s = 0;
    cosSin(degree, c, s);
    // Counter-clockwise on screen is clockwise in y-down coordinates: rotate by -degree.
    return Placement{c, -s, s, c, cx, cy};
}

void paintWhite(Raster& raster) {
    // 0xFF is white in both layouts (Cairo ignores the top byte of RGB24 pixels).
    if (!raster.empty()) {
        std::memset(raster.data(), 0xFF, raster.byteSize());
    }
}

bool drawRaster(Raster& canvas, const Raster& source, const Rect& rect, const Placement& placement,
                Sampling sampling) {
    if (canvas.empty() || source.empty() || rect.width <= 0 || rect.height <= 0) {
        return !canvas.empty() && !source.empty();
    }
    if (source.format() != canvas.format()) {
        return drawRaster(canvas, convertRaster(source, canvas.format()), rect, placement,
                          sampling);
    }
    SurfacePtr target = surfaceOver(canvas);
    SurfacePtr picture = surfaceOver(source);
    if (!target || !picture) {
        return false;
    }
    ContextPtr context(cairo_create(target.get()));
    cairo_matrix_t toCanvas;
    cairo_matrix_init(&toCanvas, placement.xx, placement.yx, placement.xy, placement.yy,
                      placement.x0, placement.y0);
    cairo_set_matrix(context.get(), &toCanvas);

    PatternPtr pattern(cairo_pattern_create_for_surface(picture.get()));
    cairo_matrix_t toSource;
    cairo_matrix_init_scale(&toSource, source.width() / rect.width, source.height() / rect.height);
    cairo_matrix_translate(&toSource, -rect.x, -rect.y);
    cairo_pattern_set_matrix(pattern.get(), &toSource);
    // Padding keeps the picture's edge pixels from fading into the surroundings.
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern.get(), sampling == Sampling::Nearest ? CAIRO_FILTER_NEAREST
                                                                          : CAIRO_FILTER_BILINEAR);
    cairo_set_source(context.get(), pattern.get());
    cairo_set_operator(context.get(), CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(context.get(), rect.x, rect.y, rect.width, rect.height);
    cairo_fill(context.get());
    const bool drawn = cairo_status(context.get()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_flush(target.get());
    return drawn;
}

}  // namespace scandesk
