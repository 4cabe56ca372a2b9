// The in-memory page image: a raster and its nominal size in points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace scandesk {

/// How a raster stores its pixels. The layouts match Cairo's image formats, so a
/// raster can be drawn on and drawn from without copying.
enum class PixelFormat {
    Gray8,  ///< one byte per pixel, 0 black to 255 white (Cairo's A8 layout)
    Rgb32,  ///< four bytes per pixel, native-endian 0x00RRGGBB (Cairo's RGB24 layout)
};

/// A rectangle of pixels with rows of `stride` bytes, top row first. A value type:
/// copies are deep, moves are cheap.
class Raster {
  public:
    /// An empty raster (no pixels).
    Raster() = default;
    /// A raster of the given size whose pixels are not yet set; throws std::bad_alloc
    /// when it cannot be had.
    Raster(int width, int height, PixelFormat format);

    /// Copies are deep; a moved-from raster is empty.
    Raster(const Raster& other);
    Raster& operator=(const Raster& other);
    Raster(Raster&& other) noexcept;
    Raster& operator=(Raster&& other) noexcept;

    /// Size in pixels.
    int width() const { return width_; }
    int height() const { return height_; }
    /// Bytes from the start of one row to the start of the next.
    int stride() const { return stride_; }
    /// How the pixels are stored.
    PixelFormat format() const { return format_; }
    /// Whether the raster has no pixels at all.
    bool empty() const { return width_ <= 0 || height_ <= 0; }

    /// The first byte of the top row.
    uint8_t* data() { return pixels_.get(); }
    const uint8_t* data() const { return pixels_.get(); }
    /// First byte of row `y` (0 is the top row).
    uint8_t* row(int y) { return pixels_.get() + static_cast<size_t>(y) * stride_; }
    const uint8_t* row(int y) const { return pixels_.get() + static_cast<size_t>(y) * stride_; }
    /// Size of the pixel block in bytes.
    size_t byteSize() const { return static_cast<size_t>(stride_) * height_; }

  private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    PixelFormat format_ = PixelFormat::Gray8;
    std::unique_ptr<uint8_t[]> pixels_;
};

/// A page image: its raster and its nominal size in points (1/72 inch), which the
/// decoder takes from the stream's resolution and the encoder writes back.
struct Image {
    Raster raster;
    double width = 0;   ///< nominal width in points
    double height = 0;  ///< nominal height in points
};

/// Grey level of a colour (ITU-R BT.601 weights, as JPEG uses).
uint8_t lumaOf(uint8_t red, uint8_t green, uint8_t blue);

/// The same picture in another pixel format (grey from colour by luma weights).
Raster convertRaster(const Raster& source, PixelFormat format);

/// The raster in grey without copying one that is grey already: `raster` itself, or
/// `converted` holding its grey copy.
const Raster& greyOf(const Raster& raster, Raster& converted);

}  // namespace scandesk
