// Storage and format conversion of in-memory rasters.
#include "imaging/image.h"

#include <cairo.h>

#include <cstring>
#include <new>
#include <utility>

namespace scandesk {

namespace {

/// Cairo's row length for the format, which every raster uses.
int strideFor(int width, PixelFormat format) {
    return cairo_format_stride_for_width(
        format == PixelFormat::Gray8 ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_RGB24, width);
}

}  // namespace

uint8_t lumaOf(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((red * 19595u + green * 38470u + blue * 7471u + 32768u) >> 16);
}

Raster::Raster(int width, int height, PixelFormat format)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0), format_(format) {
    stride_ = width_ > 0 ? strideFor(width_, format) : 0;
    if (stride_ < 0) {
        throw std::bad_alloc();  // wider than any raster Cairo can address
    }
    if (byteSize() > 0) {
        pixels_ = std::make_unique_for_overwrite<uint8_t[]>(byteSize());
    }
}

Raster::Raster(const Raster& other)
    : width_(other.width_), height_(other.height_), stride_(other.stride_), format_(other.format_) {
    if (other.pixels_) {
        pixels_ = std::make_unique_for_overwrite<uint8_t[]>(byteSize());
        std::memcpy(pixels_.get(), other.pixels_.get(), byteSize());
    }
}

Raster::Raster(Raster&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      format_(other.format_),
      pixels_(std::move(other.pixels_)) {}

Raster& Raster::operator=(Raster&& other) noexcept {
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    format_ = other.format_;
    pixels_ = std::move(other.pixels_);
    return *this;
}

Raster& Raster::operator=(const Raster& other) {
    if (this != &other) {
        Raster copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Raster convertRaster(const Raster& source, PixelFormat format) {
    if (source.format() == format) {
        return source;
    }
    Raster result(source.width(), source.height(), format);
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* in = source.row(y);
        uint8_t* out = result.row(y);
        if (format == PixelFormat::Gray8) {
            const auto* pixels = reinterpret_cast<const uint32_t*>(in);
            for (int x = 0; x < source.width(); ++x) {
                out[x] =
                    lumaOf(static_cast<uint8_t>(pixels[x] >> 16),
                           static_cast<uint8_t>(pixels[x] >> 8), static_cast<uint8_t>(pixels[x]));
            }
        } else {
            auto* pixels = reinterpret_cast<uint32_t*>(out);
            for (int x = 0; x < source.width(); ++x) {
                pixels[x] = 0x010101u * in[x];
            }
        }
    }
    return result;
}

const Raster& greyOf(const Raster& raster, Raster& converted) {
    if (raster.format() == PixelFormat::Gray8) {
        return raster;
    }
    converted = convertRaster(raster, PixelFormat::Gray8);
    return converted;
}

}  // namespace scandesk
