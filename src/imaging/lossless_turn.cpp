// Quarter turns of JPEG page files (TurboJPEG's lossless transform) and of one-bit bitmaps.
#include "imaging/lossless_turn.h"

#include <turbojpeg.h>

#include <memory>
#include <optional>
#include <string>

#include "imaging/bw_bitmap.h"

namespace scandesk {

namespace {

constexpr uint8_t kMarker = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kBitmapWhiteByte = 0xFF;  // palette entry 1 is white

struct TurboRelease {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct TurboBufferRelease {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

/// Offset of the frame header (SOF0, SOF1 or SOF2 marker), if the markers lead to one.
std::optional<size_t> findFrameHeader(std::span<const uint8_t> data) {
    if (data.size() < 4 || data[0] != kMarker || data[1] != kStartOfImage) {
        return std::nullopt;
    }
    size_t at = 2;
    while (at + 9 <= data.size() && data[at] == kMarker) {
        const uint8_t marker = data[at + 1];
        if (marker == kStartOfScan) {
            break;
        }
        if (marker >= 0xC0 && marker <= 0xC2) {
            return at;
        }
        at += 2 + ((size_t{data[at + 2]} << 8) | data[at + 3]);
    }
    return std::nullopt;
}

void putBig16(Bytes& data, size_t at, int value) {
    data[at] = static_cast<uint8_t>(value >> 8);
    data[at + 1] = static_cast<uint8_t>(value & 0xFF);
}

/// `value` rounded up to a multiple of `block`.
int wholeBlocks(int value, int block) {
    return (value + block - 1) / block * block;
}

uint32_t getLittle32(std::span<const uint8_t> data, size_t at) {
    return uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 | uint32_t{data[at + 2]} << 16 |
           uint32_t{data[at + 3]} << 24;
}

void putLittle32(Bytes& data, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        data[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

int normalQuarterTurns(int quarterTurns) {
    return ((quarterTurns % 4) + 4) % 4;
}

Outcome<Bytes> turnJpeg(std::span<const uint8_t> jpeg, int quarterTurns) {
    const int turns = normalQuarterTurns(quarterTurns);
    if (turns == 0) {
        return {Bytes(jpeg.begin(), jpeg.end()), {}};
    }
    std::unique_ptr<void, TurboRelease> handle(tjInitTransform());
    if (!handle) {
        return Outcome<Bytes>::failure("jpeg: cannot start the transform");
    }
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(handle.get(), jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                            &colorspace) != 0 ||
        subsampling < 0 || subsampling >= TJ_NUMSAMP) {
        return Outcome<Bytes>::failure(std::string("jpeg: ") + tjGetErrorStr2(handle.get()));
    }
    // Partial blocks may stay at the right and bottom only: a clockwise quarter turn
    // brings the bottom edge to the left, a half turn both edges, three quarters the
    // right edge to the top.
    const int blockWidth = tjMCUWidth[subsampling];
    const int blockHeight = tjMCUHeight[subsampling];
    const int needWidth = turns == 1 ? width : wholeBlocks(width, blockWidth);
    const int needHeight = turns == 3 ? height : wholeBlocks(height, blockHeight);
    Bytes source(jpeg.begin(), jpeg.end());
    if (needWidth != width || needHeight != height) {
        const std::optional<size_t> frame = findFrameHeader(source);
        if (!frame || needWidth > 0xFFFF || needHeight > 0xFFFF) {
            return Outcome<Bytes>::failure("jpeg: no frame header to widen to whole blocks");
        }
        putBig16(source, *frame + 5, needHeight);
        putBig16(source, *frame + 7, needWidth);
    }
    static constexpr int kOperations[] = {TJXOP_NONE, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
    tjtransform transform{};
    transform.op = kOperations[turns];
    transform.options = TJXOPT_PERFECT;  // fail rather than drop or garble an edge
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int status =
        tjTransform(handle.get(), source.data(), source.size(), 1, &out, &outSize, &transform, 0);
    std::unique_ptr<unsigned char, TurboBufferRelease> owned(out);
    if (status != 0) {
        return Outcome<Bytes>::failure(std::string("jpeg: ") + tjGetErrorStr2(handle.get()));
    }
    return {Bytes(out, out + outSize), {}};
}

Outcome<Bytes> turnBWBitmap(std::span<const uint8_t> bitmap, int quarterTurns) {
    const int turns = normalQuarterTurns(quarterTurns);
    if (bitmap.size() < kBWBMPHeaderSize || !looksLikeBitmap(bitmap)) {
        return Outcome<Bytes>::failure("bitmap: too short");
    }
    const uint32_t offset = getLittle32(bitmap, 10);
    const uint32_t width = getLittle32(bitmap, 18);
    const uint32_t height = getLittle32(bitmap, 22);
    const bool oneBit = getLittle32(bitmap, 14) == 40 && bitmap[28] == 1 && bitmap[29] == 0 &&
                        getLittle32(bitmap, 30) == 0;
    if (!oneBit || offset < kBWBMPHeaderSize || offset > bitmap.size() || width == 0 ||
        height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        return Outcome<Bytes>::failure("bitmap: not a one-bit page bitmap");
    }
    const size_t stride = static_cast<size_t>(bwBitmapRowBytes(width));
    if ((bitmap.size() - offset) / stride < height) {
        return Outcome<Bytes>::failure("bitmap: pixel rows missing");
    }
    if (turns == 0) {
        return {Bytes(bitmap.begin(), bitmap.end()), {}};
    }
    const bool sideways = turns % 2 == 1;
    const uint32_t newWidth = sideways ? height : width;
    const uint32_t newHeight = sideways ? width : height;
    const size_t newStride = static_cast<size_t>(bwBitmapRowBytes(newWidth));
    Bytes out(bitmap.begin(), bitmap.begin() + kBWBMPHeaderSize);
    out.resize(kBWBMPHeaderSize + newStride * newHeight, kBitmapWhiteByte);
    // Rows are stored bottom row first; (x, y) below count from the top-left corner.
    const auto bitAt = [&](uint32_t x, uint32_t y) {
        const uint8_t byte = bitmap[offset + (height - 1 - y) * stride + x / 8];
        return (byte >> (7 - x % 8)) & 1;
    };
    for (uint32_t y = 0; y < newHeight; ++y) {
        uint8_t* row = out.data() + kBWBMPHeaderSize + (newHeight - 1 - y) * newStride;
        for (uint32_t x = 0; x < newWidth; ++x) {
            int bit = 0;
            if (turns == 1) {
                bit = bitAt(y, height - 1 - x);
            } else if (turns == 2) {
                bit = bitAt(width - 1 - x, height - 1 - y);
            } else {
                bit = bitAt(width - 1 - y, x);
            }
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
            row[x / 8] = bit ? (row[x / 8] | mask) : (row[x / 8] & ~mask);
        }
    }
    putLittle32(out, 10, kBWBMPHeaderSize);
    putLittle32(out, 2, static_cast<uint32_t>(out.size()));
    putLittle32(out, 18, newWidth);
    putLittle32(out, 22, newHeight);
    putLittle32(out, 34, static_cast<uint32_t>(newStride * newHeight));
    if (sideways) {
        putLittle32(out, 38, getLittle32(bitmap, 42));
        putLittle32(out, 42, getLittle32(bitmap, 38));
    }
    return {std::move(out), {}};
}

Outcome<Bytes> turnPageFile(std::span<const uint8_t> page, int quarterTurns) {
    return looksLikeBitmap(page) ? turnBWBitmap(page, quarterTurns) : turnJpeg(page, quarterTurns);
}

}  // namespace scandesk
