// Shared helpers of the imaging tests: jobs in a temporary directory, marked pages, probes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/jpeg_codec.h"
#include "imaging/page_job.h"
#include "support/temp_dir.h"

namespace scandesk::testing {

/// A job at 300 dpi whose page files are `dir`/page-NNNN.* (JPEG files, black-and-white
/// pages too, unless the job keeps bitmaps); `mode` as the command line spells it.
inline PageJob jobParam(const TempDir& dir, const std::string& mode, int64_t w, int64_t h) {
    PageJob job;
    job.dpi = 300;
    job.blackWhite = mode == "TEXT";
    job.w = w;
    job.h = h;
    job.filePath = dir.path() + "/page";
    return job;
}

/// Names in the directory, sorted.
inline std::vector<std::string> entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

/// A white page whose top-left w/4 x h/4 block has the grey level `mark`.
inline Image markedPage(int width, int height, PixelFormat format, uint8_t mark = 0) {
    Image image{Raster(width, height, format), width * 72.0 / 300, height * 72.0 / 300};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t level = x < width / 4 && y < height / 4 ? mark : 255;
            if (format == PixelFormat::Gray8) {
                image.raster.row(y)[x] = level;
            } else {
                const uint32_t pixel = level * 0x010101u;
                std::memcpy(image.raster.row(y) + 4 * x, &pixel, 4);
            }
        }
    }
    return image;
}

/// Grey level of a pixel (luma for colour rasters).
inline int greyAt(const Raster& raster, int x, int y) {
    if (raster.format() == PixelFormat::Gray8) {
        return raster.row(y)[x];
    }
    const uint8_t* pixel = raster.row(y) + 4 * x;
    uint32_t rgb = 0;
    std::memcpy(&rgb, pixel, 4);
    return lumaOf(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

inline Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// Decodes a JPEG page file; fails the test when it cannot.
inline Image readJpegPage(const std::string& path) {
    Outcome<Image> decoded = decodeJpeg(fileBytes(path));
    EXPECT_TRUE(decoded) << path << ": " << decoded.error;
    return decoded ? std::move(*decoded.value) : Image{};
}

/// A JPEG stream of the image at high quality, as a scanner sends a page.
inline Bytes encodedPage(const Image& image) {
    Outcome<Bytes> jpeg = encodeJpeg(image, 95);
    EXPECT_TRUE(jpeg) << jpeg.error;
    return jpeg ? *jpeg.value : Bytes{};
}

}  // namespace scandesk::testing
