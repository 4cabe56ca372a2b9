// Turning a page image about its centre, optionally scaled.
#pragma once

#include <optional>

#include "imaging/image.h"

namespace scandesk {

/// The image turned counter-clockwise (as seen on screen) by `degree` about its centre
/// and scaled by `ratio`. The canvas is the scaled size, with width and height
/// exchanged for exactly 90 and 270 degrees; corners that other angles push outside
/// are cut off and the uncovered canvas is white. The nominal size of the result
/// equals its pixel size. Nothing when the image is empty or no canvas can be made.
std::optional<Image> imageRotate(double degree, const Image& image, double ratio);

}  // namespace scandesk
