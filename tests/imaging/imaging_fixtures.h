// Shared helpers of the imaging tests: scratch directories, marked pages, probes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "imaging/image.h"
#include "protocol/scan_param.h"

namespace scandesk::testing {

/// A fresh directory under the system's temporary directory, removed with its content.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// A path inside the directory.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    /// Names of the entries, sorted.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path path_;
};

/// A job's parameters with page files under `dir` with the prefix "page".
ScanParam jobParam(const ScratchDir& dir, const std::string& mode, int64_t w, int64_t h);

/// A white page with a dark block filling the top-left quarter's upper-left half
/// (w/4 x h/4 from the corner): black on grey pages, red on colour pages.
Image markedPage(int width, int height, PixelFormat format, double dotsPerInch = 300);

/// Grey level of a pixel (luma for colour rasters).
int greyAt(const Raster& raster, int x, int y);
/// Red, green and blue of a pixel of a colour raster.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};
Rgb colourAt(const Raster& raster, int x, int y);

/// Reads a file whole (empty when it cannot be read).
Bytes fileBytes(const std::string& path);

/// Decodes a JPEG page file; fails the test when it cannot.
Image readJpegPage(const std::string& path);

/// Encodes an image as a JPEG stream at high quality, for input pages.
Bytes encodedPage(const Image& image);

/// Runs a shell command and returns what it wrote on standard output, with every run
/// of blanks squeezed to one blank.
std::string commandOutput(const std::string& command);

}  // namespace scandesk::testing
