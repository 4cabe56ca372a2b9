// Scratch directories, marked test pages and pixel probes.
#include "imaging_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "emulator/job_params.h"
#include "imaging/jpeg_codec.h"

namespace scandesk::testing {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "imaging-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch directory");
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDir::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScanParam jobParam(const ScratchDir& dir, const std::string& mode, int64_t w, int64_t h) {
    ScanParam param = emulator::test::smallJob(mode, w, h, "ADF");
    param.filePath = dir.file("page");
    param.fileType = mode == "TEXT" ? "BMP" : "JPEG";
    return param;
}

Image markedPage(int width, int height, PixelFormat format, double dotsPerInch) {
    Image image;
    image.raster = Raster(width, height, format);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.raster.row(y);
        for (int x = 0; x < width; ++x) {
            const bool mark = x < width / 4 && y < height / 4;
            if (format == PixelFormat::Gray8) {
                row[x] = mark ? 0 : 255;
            } else {
                const uint32_t pixel = mark ? 0x00FF0000u : 0x00FFFFFFu;
                std::memcpy(row + 4 * x, &pixel, 4);
            }
        }
    }
    image.width = width * 72.0 / dotsPerInch;
    image.height = height * 72.0 / dotsPerInch;
    return image;
}

Rgb colourAt(const Raster& raster, int x, int y) {
    uint32_t pixel = 0;
    std::memcpy(&pixel, raster.row(y) + 4 * x, 4);
    return Rgb{int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
}

int greyAt(const Raster& raster, int x, int y) {
    if (raster.format() == PixelFormat::Gray8) {
        return raster.row(y)[x];
    }
    const Rgb rgb = colourAt(raster, x, y);
    return lumaOf(uint8_t(rgb.red), uint8_t(rgb.green), uint8_t(rgb.blue));
}

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Image readJpegPage(const std::string& path) {
    Outcome<Image> decoded = decodeJpeg(fileBytes(path));
    EXPECT_TRUE(decoded) << path << ": " << decoded.error;
    return decoded ? std::move(*decoded.value) : Image{};
}

Bytes encodedPage(const Image& image) {
    Outcome<Bytes> jpeg = encodeJpeg(image, 95);
    EXPECT_TRUE(jpeg) << jpeg.error;
    return jpeg ? *jpeg.value : Bytes{};
}

std::string commandOutput(const std::string& command) {
    struct PipeClose {
        void operator()(FILE* pipe) const { ::pclose(pipe); }
    };
    std::unique_ptr<FILE, PipeClose> pipe(::popen(command.c_str(), "r"));
    std::string output;
    std::array<char, 4096> chunk{};
    while (pipe && std::fgets(chunk.data(), chunk.size(), pipe.get())) {
        output += chunk.data();
    }
    std::string squeezed;
    for (char c : output) {
        if (!(c == ' ' && !squeezed.empty() && squeezed.back() == ' ')) {
            squeezed += c;
        }
    }
    return squeezed;
}

}  // namespace scandesk::testing
