// One received page handed out line by line, cropped, in the form SANE frontends read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "common/bytes.h"
#include "sane/scan_settings.h"

namespace scandesk::sane {

/// The shape of the lines a page yields.
struct LineFormat {
    int channels = 1;  ///< 3 for RGB
    int depth = 8;     ///< 1 for lineart: 1 is black, most significant bit leftmost
    int64_t pixelsPerLine = 0;
    int64_t lines = 0;

    int64_t bytesPerLine() const { return (pixelsPerLine * channels * depth + 7) / 8; }
};

/// A JPEG stream decoded one scanline at a time, so that no whole page is ever held.
class ScanlineJpeg {
  public:
    /// The decoder's libjpeg state, opaque outside page_lines.cpp.
    struct State;

    /// Starts decoding into grey or RGB rows; nothing when the header is unreadable.
    static std::unique_ptr<ScanlineJpeg> open(std::span<const uint8_t> data, bool rgb);
    explicit ScanlineJpeg(std::unique_ptr<State> state);
    ~ScanlineJpeg();
    ScanlineJpeg(const ScanlineJpeg&) = delete;
    ScanlineJpeg& operator=(const ScanlineJpeg&) = delete;

    int width() const;
    int height() const;
    /// Decodes the next row into `row` (width × channels bytes); false on a broken stream
    /// or after the last row.
    bool readRow(uint8_t* row);

  private:
    std::unique_ptr<State> state_;
};

/// The lines of one page within a crop window.
class PageLines {
  public:
    /// A page as the scanner sent it: a JPEG stream for colour and grey, packed rows
    /// (0 black) of `textWidth` pixels for lineart. Nothing when a JPEG cannot be read.
    static std::optional<PageLines> open(Bytes page, ColorMode mode, int64_t textWidth,
                                         int64_t textHeight, const Crop& crop);

    const LineFormat& format() const { return format_; }
    /// Fills `out` (bytesPerLine) with the next line; false once every line is out. Rows
    /// past a break in the stream come out white.
    bool nextLine(std::span<uint8_t> out);

  private:
    PageLines() = default;
    void lineartLine(std::span<uint8_t> out, int64_t row) const;

    Bytes page_;
    ColorMode mode_ = ColorMode::color;
    Crop crop_;
    LineFormat format_;
    int64_t rowBytes_ = 0;  ///< of a lineart page as sent
    std::unique_ptr<ScanlineJpeg> jpeg_;
    Bytes decoded_;  ///< one full-width decoded row
    int64_t sourceRow_ = 0;
    bool broken_ = false;
    int64_t linesOut_ = 0;
};

}  // namespace scandesk::sane
