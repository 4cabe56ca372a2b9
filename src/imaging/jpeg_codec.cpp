// TurboJPEG behind the page image type; JFIF density read and written by hand.
#include "imaging/jpeg_codec.h"

#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <new>

namespace scandesk {

namespace {

constexpr double kPointsPerInch = 72.0;
// Well above a 1200-dpi Legal page (167 million pixels); a header claiming more is
// taken as damaged rather than trusted with gigabytes of memory.
constexpr int64_t kMaxPagePixels = 400'000'000;
constexpr uint8_t kMarker = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kJfifDotsPerInch = 1;
constexpr uint8_t kJfifDotsPerCm = 2;

struct TurboRelease {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, TurboRelease>;

struct TurboBufferRelease {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

/// TurboJPEG's layout for the raster format (Cairo's RGB24 is B, G, R, X in memory on
/// little-endian machines).
int turboPixelFormat(PixelFormat format) {
    if (format == PixelFormat::Gray8) {
        return TJPF_GRAY;
    }
    return std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;
}

/// The description of the handle's last error.
std::string turboError(void* handle) {
    return std::string("jpeg: ") + tjGetErrorStr2(handle);
}

/// Reads a big-endian 16-bit value.
unsigned readU16(std::span<const uint8_t> data, size_t at) {
    return (unsigned{data[at]} << 8) | data[at + 1];
}

/// Offset of the JFIF APP0 segment's marker, if the stream opens with markers that
/// lead to one before the image data.
std::optional<size_t> findJfifSegment(std::span<const uint8_t> data) {
    if (data.size() < 4 || data[0] != kMarker || data[1] != kStartOfImage) {
        return std::nullopt;
    }
    size_t at = 2;
    while (at + 4 <= data.size() && data[at] == kMarker) {
        const uint8_t marker = data[at + 1];
        if (marker == kStartOfScan) {
            break;
        }
        const size_t length = readU16(data, at + 2);
        static constexpr uint8_t kJfif[] = {'J', 'F', 'I', 'F', 0};
        if (marker == kApp0 && length >= 16 && at + 2 + length <= data.size() &&
            std::equal(std::begin(kJfif), std::end(kJfif), data.begin() + at + 4)) {
            return at;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

/// Writes the density into the JFIF segment that libjpeg places first in its output.
void writeJfifDensity(Bytes& jpeg, double xDotsPerInch, double yDotsPerInch) {
    const auto field = [](double dpi) {
        return static_cast<unsigned>(std::clamp(std::lround(dpi), 1L, 65535L));
    };
    const std::optional<size_t> segment = findJfifSegment(jpeg);
    if (!segment) {
        return;
    }
    const size_t at = *segment + 11;
    const unsigned x = field(xDotsPerInch);
    const unsigned y = field(yDotsPerInch);
    jpeg[at] = kJfifDotsPerInch;
    jpeg[at + 1] = static_cast<uint8_t>(x >> 8);
    jpeg[at + 2] = static_cast<uint8_t>(x & 0xFF);
    jpeg[at + 3] = static_cast<uint8_t>(y >> 8);
    jpeg[at + 4] = static_cast<uint8_t>(y & 0xFF);
}

/// A decoder with the stream's header read.
struct OpenedJpeg {
    TurboHandle handle;
    int width = 0;
    int height = 0;
    int colorspace = 0;
};

/// Starts a decoder and reads the stream's header.
Outcome<OpenedJpeg> openJpeg(std::span<const uint8_t> data) {
    OpenedJpeg jpeg{TurboHandle(tjInitDecompress())};
    if (!jpeg.handle) {
        return Outcome<OpenedJpeg>::failure("jpeg: cannot start the decoder");
    }
    int subsampling = 0;
    if (tjDecompressHeader3(jpeg.handle.get(), data.data(), data.size(), &jpeg.width, &jpeg.height,
                            &subsampling, &jpeg.colorspace) != 0) {
        return Outcome<OpenedJpeg>::failure(turboError(jpeg.handle.get()));
    }
    // A stream cut before its frame header "succeeds" with no size at all.
    if (jpeg.width <= 0 || jpeg.height <= 0) {
        return Outcome<OpenedJpeg>::failure("jpeg: no frame header");
    }
    return {std::move(jpeg), {}};
}

/// Decodes an opened stream, scaled by `scale`, into a raster of `format`; the page keeps
/// the full-size stream's nominal size.
Outcome<Image> decodeOpened(OpenedJpeg& jpeg, std::span<const uint8_t> data, tjscalingfactor scale,
                            PixelFormat format) {
    const int width = TJSCALED(jpeg.width, scale);
    const int height = TJSCALED(jpeg.height, scale);
    if (int64_t{width} * height > kMaxPagePixels) {
        return Outcome<Image>::failure("jpeg: page of " + std::to_string(width) + " x " +
                                       std::to_string(height) + " pixels is too large");
    }
    Image image;
    try {
        image.raster = Raster(width, height, format);
    } catch (const std::bad_alloc&) {
        return Outcome<Image>::failure("jpeg: page too large for memory");
    }
    if (image.raster.empty()) {
        return Outcome<Image>::failure("jpeg: empty page");
    }
    // A warning (a truncated stream, say) still leaves a usable page; keep it.
    void* handle = jpeg.handle.get();
    if (tjDecompress2(handle, data.data(), data.size(), image.raster.data(), width,
                      image.raster.stride(), height, turboPixelFormat(format), 0) != 0 &&
        tjGetErrorCode(handle) != TJERR_WARNING) {
        return Outcome<Image>::failure(turboError(handle));
    }
    const Density density = readJfifDensity(data).value_or(Density{});
    image.width = pointsFor(jpeg.width, density.x);
    image.height = pointsFor(jpeg.height, density.y);
    return {std::move(image), {}};
}

}  // namespace

double pointsFor(int pixels, double dotsPerInch) {
    const double dpi = dotsPerInch > 0 ? dotsPerInch : kPointsPerInch;
    return pixels * kPointsPerInch / dpi;
}

std::optional<Density> readJfifDensity(std::span<const uint8_t> data) {
    const std::optional<size_t> segment = findJfifSegment(data);
    if (!segment) {
        return std::nullopt;
    }
    const size_t at = *segment + 11;
    const uint8_t unit = data[at];
    const double x = readU16(data, at + 1);
    const double y = readU16(data, at + 3);
    if (x == 0 || y == 0) {
        return std::nullopt;
    }
    if (unit == kJfifDotsPerInch) {
        return Density{x, y};
    }
    if (unit == kJfifDotsPerCm) {
        return Density{x * 2.54, y * 2.54};
    }
    return std::nullopt;
}

Outcome<JpegInfo> readJpegInfo(std::span<const uint8_t> data) {
    Outcome<OpenedJpeg> jpeg = openJpeg(data);
    if (!jpeg) {
        return Outcome<JpegInfo>::failure(jpeg.error);
    }
    int components = 3;
    if (jpeg.value->colorspace == TJCS_GRAY) {
        components = 1;
    } else if (jpeg.value->colorspace == TJCS_CMYK || jpeg.value->colorspace == TJCS_YCCK) {
        components = 4;
    }
    return {JpegInfo{jpeg.value->width, jpeg.value->height, components}, {}};
}

Outcome<Image> decodeJpeg(std::span<const uint8_t> data) {
    Outcome<OpenedJpeg> jpeg = openJpeg(data);
    if (!jpeg) {
        return Outcome<Image>::failure(jpeg.error);
    }
    const PixelFormat format =
        jpeg.value->colorspace == TJCS_GRAY ? PixelFormat::Gray8 : PixelFormat::Rgb32;
    return decodeOpened(*jpeg.value, data, {1, 1}, format);
}

Outcome<Image> decodeJpegGreyReduced(std::span<const uint8_t> data, double minDotsPerInch) {
    Outcome<OpenedJpeg> jpeg = openJpeg(data);
    if (!jpeg) {
        return Outcome<Image>::failure(jpeg.error);
    }
    const Density density = readJfifDensity(data).value_or(Density{kPointsPerInch, kPointsPerInch});
    const double dpi = std::min(density.x, density.y);
    int factorCount = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&factorCount);
    tjscalingfactor chosen{1, 1};
    for (int n = 0; factors && n < factorCount; ++n) {
        const tjscalingfactor f = factors[n];
        if (dpi * f.num / f.denom >= minDotsPerInch &&
            f.num * chosen.denom < chosen.num * f.denom) {
            chosen = f;
        }
    }
    return decodeOpened(*jpeg.value, data, chosen, PixelFormat::Gray8);
}

Outcome<Bytes> encodeJpeg(const Image& image, int quality) {
    const Raster& raster = image.raster;
    if (raster.empty()) {
        return Outcome<Bytes>::failure("jpeg: nothing to encode");
    }
    TurboHandle encoder(tjInitCompress());
    if (!encoder) {
        return Outcome<Bytes>::failure("jpeg: cannot start the encoder");
    }
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool grey = raster.format() == PixelFormat::Gray8;
    const int status = tjCompress2(encoder.get(), raster.data(), raster.width(), raster.stride(),
                                   raster.height(), turboPixelFormat(raster.format()), &out,
                                   &outSize, grey ? TJSAMP_GRAY : TJSAMP_420, quality, 0);
    std::unique_ptr<unsigned char, TurboBufferRelease> owned(out);
    if (status != 0) {
        return Outcome<Bytes>::failure(turboError(encoder.get()));
    }
    Bytes jpeg(out, out + outSize);
    const double xDpi = image.width > 0 ? raster.width() * kPointsPerInch / image.width : 0;
    const double yDpi = image.height > 0 ? raster.height() * kPointsPerInch / image.height : 0;
    writeJfifDensity(jpeg, xDpi > 0 ? xDpi : kPointsPerInch, yDpi > 0 ? yDpi : kPointsPerInch);
    return {std::move(jpeg), {}};
}

}  // namespace scandesk
