// Measuring how far a page's lines of text are turned from the horizontal.
#pragma once

#include <optional>

#include "imaging/image.h"

namespace scandesk {

/// The skew of a grey page in degrees, within ±6: positive when its content is turned
/// counter-clockwise on screen. `sideways`: the lines run down the raster (a page stored
/// a quarter turn from upright). Nothing when the page has no lines to measure by (a
/// blank page, a picture). Reads pages from about 100 dpi up; 150 dpi gives ±0.1 degree.
std::optional<double> measureSkew(const Image& page, bool sideways = false);

}  // namespace scandesk
