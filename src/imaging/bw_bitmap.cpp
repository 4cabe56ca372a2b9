// Building and reading the system's own one-bit page bitmaps.
#include "imaging/bw_bitmap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <sstream>

#include "common/diagnostics.h"
#include "imaging/jpeg_codec.h"
#include "imaging/save_images.h"

namespace scandesk {

namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint8_t kWhiteRowByte = 0xFF;  // palette entry 1 is white
constexpr double kMetresPerInch = 0.0254;

/// Appends a little-endian value of `size` bytes.
void putLittle(Bytes& out, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

/// Reads a little-endian 16- or 32-bit value.
uint32_t getLittle(std::span<const uint8_t> data, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | data[at + i];
    }
    return value;
}

/// The header's size fields are 32 bits wide; larger pages cannot be described.
bool fitsHeader(int64_t width, int64_t height) {
    constexpr int64_t kLimit = std::numeric_limits<uint32_t>::max();
    return width >= 0 && height >= 0 && width <= kLimit &&
           (height == 0 ||
            bwBitmapRowBytes(width) <= (kLimit - int64_t{kBWBMPHeaderSize}) / height);
}

}  // namespace

int64_t bwBitmapRowBytes(int64_t width) {
    return (std::max<int64_t>(width, 0) + 31) / 32 * 4;
}

uint32_t pixelsPerMetre(int dpi) {
    switch (dpi) {
        case 200:
            return 7874;
        case 300:
            return 11811;
        case 600:
            return 23622;
        case 1200:
            return 47244;
        default:
            return 0;
    }
}

Bytes getBWBMPHeader(const PageJob& job) {
    const uint64_t width = static_cast<uint32_t>(job.w);
    const uint64_t height = static_cast<uint32_t>(job.h);
    const uint64_t pixelBytes = static_cast<uint32_t>(bwBitmapRowBytes(job.w) * job.h);
    const uint32_t ppm = pixelsPerMetre(job.dpi);
    Bytes header{'B', 'M'};
    header.reserve(kBWBMPHeaderSize);
    putLittle(header, pixelBytes + kBWBMPHeaderSize, 4);
    putLittle(header, 0, 4);
    putLittle(header, kBWBMPHeaderSize, 4);
    putLittle(header, kInfoHeaderSize, 4);
    putLittle(header, width, 4);
    putLittle(header, height, 4);
    putLittle(header, 1, 2);  // colour planes
    putLittle(header, 1, 2);  // bits per pixel
    putLittle(header, 0, 4);  // no compression
    putLittle(header, pixelBytes, 4);
    putLittle(header, ppm, 4);
    putLittle(header, ppm, 4);
    putLittle(header, 2, 4);           // colours used
    putLittle(header, 0, 4);           // all colours important
    putLittle(header, 0x00000000, 4);  // black
    putLittle(header, 0x00FFFFFF, 4);  // white

    if (!diagWanted(DiagLevel::verbose)) {
        return header;
    }
    std::ostringstream line;
    line << '[';
    for (size_t i = 0; i < header.size(); ++i) {
        line << (i ? ", " : "") << unsigned{header[i]};
    }
    line << ']';
    diagLine(DiagLevel::verbose, line.str());
    return header;
}

Outcome<Bytes> buildBWBitmap(const PageJob& job, std::span<const uint8_t> data) {
    if (!fitsHeader(job.w, job.h)) {
        return Outcome<Bytes>::failure("page size " + std::to_string(job.w) + " x " +
                                       std::to_string(job.h) + " does not fit a bitmap");
    }
    const size_t received = static_cast<size_t>(job.w / 8);
    const size_t stored = static_cast<size_t>(bwBitmapRowBytes(job.w));
    const size_t rows = static_cast<size_t>(job.h);
    Bytes bitmap;
    try {
        bitmap = getBWBMPHeader(job);
        bitmap.resize(kBWBMPHeaderSize + stored * rows, kWhiteRowByte);
    } catch (const std::bad_alloc&) {
        return Outcome<Bytes>::failure("page too large for memory");
    }
    // The scanner sends the top row first; the bitmap stores the bottom row first.
    for (size_t i = 0; i < rows; ++i) {
        const size_t from = (rows - 1 - i) * received;
        if (from >= data.size()) {
            continue;  // rows the data lacks stay white
        }
        const size_t count = std::min(received, data.size() - from);
        std::memcpy(bitmap.data() + kBWBMPHeaderSize + i * stored, data.data() + from, count);
    }
    return {std::move(bitmap), {}};
}

bool looksLikeBitmap(std::span<const uint8_t> data) {
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
}

Outcome<Image> decodeBWBitmap(std::span<const uint8_t> data) {
    if (data.size() < kBWBMPHeaderSize || !looksLikeBitmap(data)) {
        return Outcome<Image>::failure("bitmap: too short");
    }
    const uint32_t offset = getLittle(data, 10, 4);
    const uint32_t width = getLittle(data, 18, 4);
    const uint32_t height = getLittle(data, 22, 4);
    if (getLittle(data, 14, 4) != kInfoHeaderSize || getLittle(data, 26, 2) != 1 ||
        getLittle(data, 28, 2) != 1 || getLittle(data, 30, 4) != 0 || offset < kBWBMPHeaderSize ||
        offset > data.size()) {
        return Outcome<Image>::failure("bitmap: not a one-bit page bitmap");
    }
    if (width == 0 || height == 0 || width > std::numeric_limits<int32_t>::max() ||
        height > std::numeric_limits<int32_t>::max()) {
        return Outcome<Image>::failure("bitmap: empty or bottom-up rows expected");
    }
    const size_t stride = static_cast<size_t>(bwBitmapRowBytes(width));
    if (stride == 0 || (data.size() - offset) / stride < height) {
        return Outcome<Image>::failure("bitmap: pixel rows missing");
    }
    // Each source byte becomes eight grey pixels; the palette gives their levels.
    const auto levelOf = [&](size_t entry) {
        const size_t at = 54 + 4 * entry;
        return lumaOf(data[at + 2], data[at + 1], data[at]);
    };
    const uint8_t levels[2] = {levelOf(0), levelOf(1)};
    std::array<std::array<uint8_t, 8>, 256> expand{};
    for (int byte = 0; byte < 256; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            expand[byte][bit] = levels[(byte >> (7 - bit)) & 1];
        }
    }
    Image image;
    try {
        image.raster =
            Raster(static_cast<int>(width), static_cast<int>(height), PixelFormat::Gray8);
    } catch (const std::bad_alloc&) {
        return Outcome<Image>::failure("bitmap: page too large for memory");
    }
    const size_t wholeBytes = width / 8;
    const int rest = static_cast<int>(width % 8);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = data.data() + offset + (height - 1 - y) * stride;
        uint8_t* out = image.raster.row(static_cast<int>(y));
        for (size_t i = 0; i < wholeBytes; ++i, out += 8) {
            std::memcpy(out, expand[in[i]].data(), 8);
        }
        if (rest > 0) {
            std::memcpy(out, expand[in[wholeBytes]].data(), rest);
        }
    }
    const double dpi = getLittle(data, 38, 4) * kMetresPerInch;
    const double dpiY = getLittle(data, 42, 4) * kMetresPerInch;
    image.width = pointsFor(static_cast<int>(width), dpi);
    image.height = pointsFor(static_cast<int>(height), dpiY);
    return {std::move(image), {}};
}

}  // namespace scandesk
