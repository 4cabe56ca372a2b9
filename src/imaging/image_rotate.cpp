// Rotation of page images on a Cairo canvas.
#include "imaging/image_rotate.h"

#include <new>

#include "common/diagnostics.h"
#include "imaging/canvas.h"
#include "imaging/number_text.h"

namespace scandesk {

namespace {

/// Whether the turned picture covers the whole canvas exactly (no corner cut off,
/// nothing left uncovered).
bool coversCanvas(double degree) {
    return degree == 0 || degree == 90 || degree == 180 || degree == 270;
}

}  // namespace

std::optional<Image> imageRotate(double degree, const Image& image, double ratio) {
    const Raster& source = image.raster;
    if (source.empty()) {
        return std::nullopt;
    }
    const int pw = source.width();
    const int ph = source.height();
    const int nw = static_cast<int>(pw * ratio);
    const int nh = static_cast<int>(ph * ratio);
    diagDebug("rotate degree = ", floatText(degree));

    double cw = nw;
    double ch = nh;
    if (degree == 90 || degree == 270) {
        diagDebug("rotate and change w and h");
        std::swap(cw, ch);
    }
    diagDebug("rotate size w = ", floatText(cw), " and h = ", floatText(ch), " and w = ", nw,
              " and h = ", nh);
    if (nw <= 0 || nh <= 0) {
        return std::nullopt;
    }

    Image turned;
    try {
        turned.raster = Raster(static_cast<int>(cw), static_cast<int>(ch), source.format());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    const bool covered = coversCanvas(degree);
    if (!covered) {
        paintWhite(turned.raster);
    }
    // Whole quarter turns are centred exactly, so every pixel lands on a pixel; other
    // angles keep the integer half sizes of the picture's rectangle.
    const Rect rect = covered
                          ? Rect{-nw / 2.0, -nh / 2.0, double(nw), double(nh)}
                          : Rect{double(-(nw / 2)), double(-(nh - nh / 2)), double(nw), double(nh)};
    const Sampling sampling =
        covered && nw == pw && nh == ph ? Sampling::Nearest : Sampling::Bilinear;
    if (!drawRaster(turned.raster, source, rect, Placement::turnAbout(cw * 0.5, ch * 0.5, degree),
                    sampling)) {
        return std::nullopt;
    }
    turned.width = cw;
    turned.height = ch;
    return turned;
}

}  // namespace scandesk
