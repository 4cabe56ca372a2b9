// Drawing one raster onto another through Cairo (y axis pointing down).
#pragma once

#include "imaging/image.h"

namespace scandesk {

/// A rectangle in pixels or user units, y axis pointing down.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

/// An affine map from a drawing's own coordinates to canvas pixels:
/// x' = xx·x + xy·y + x0, y' = yx·x + yy·y + y0.
struct Placement {
    double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;

    /// Origin moved to (cx, cy), then the picture turned counter-clockwise on screen by
    /// `degree`. Whole quarter turns are exact, so pixels land on pixels.
    static Placement turnAbout(double cx, double cy, double degree);
};

/// How the source is sampled when it is scaled or turned.
enum class Sampling {
    Nearest,   ///< for whole-pixel mappings, where no sample falls between pixels
    Bilinear,  ///< for everything else
};

/// Sets every pixel of the raster to white.
void paintWhite(Raster& raster);

/// Draws `source` scaled to fill `rect` (in the placement's coordinates), replacing
/// what lies below it; the rest of the canvas is left as it is. A source in another
/// pixel format is converted first. False when Cairo cannot draw.
bool drawRaster(Raster& canvas, const Raster& source, const Rect& rect,
                const Placement& placement = {}, Sampling sampling = Sampling::Bilinear);

}  // namespace scandesk
