// JPEG decoding and encoding of page images (TurboJPEG), with the nominal size
// carried in the JFIF density fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.h"
#include "imaging/image.h"
#include "imaging/outcome.h"

namespace scandesk {

/// JPEG quality of every page file (compression factor 0.2).
inline constexpr int kPageJpegQuality = 20;

/// Decodes a JPEG stream: grey streams become Gray8 rasters, all others Rgb32. The
/// nominal size follows from the JFIF density (72 dpi when there is none).
Outcome<Image> decodeJpeg(std::span<const uint8_t> data);

/// Decodes a JPEG stream to grey at the smallest of the decoder's scaling factors that
/// keeps at least `minDotsPerInch` (the full size when none is smaller): cheap page
/// analysis reads far fewer pixels than the stored page has.
Outcome<Image> decodeJpegGreyReduced(std::span<const uint8_t> data, double minDotsPerInch);

/// Encodes the raster at the given quality (grey stays grey) and records the nominal
/// size as the density in dots per inch.
Outcome<Bytes> encodeJpeg(const Image& image, int quality = kPageJpegQuality);

/// Pixel size and colour components of a JPEG stream, read from its header only.
struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;  ///< 1 for grey, 3 for colour
};

/// The header facts of a JPEG stream, without decoding it.
Outcome<JpegInfo> readJpegInfo(std::span<const uint8_t> data);

/// Dots per inch on both axes as recorded in a stream's JFIF header, if it has one
/// with a usable unit and non-zero values.
struct Density {
    double x = 0;
    double y = 0;
};
std::optional<Density> readJfifDensity(std::span<const uint8_t> data);

/// Nominal size in points of `pixels` at `dotsPerInch` (72 when not positive).
double pointsFor(int pixels, double dotsPerInch);

}  // namespace scandesk
