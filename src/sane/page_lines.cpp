// Scanline decoding and cropping of received pages.
#include "sane/page_lines.h"

// jpeglib.h needs FILE declared first.
#include <cstdio>
//
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

namespace scandesk::sane {

// libjpeg reports errors through a callback that must not return: it jumps back to the
// call that started the failing step. Those calls hold no C++ objects with destructors.
struct ScanlineJpeg::State {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf failed{};
    bool started = false;

    ~State() { jpeg_destroy_decompress(&info); }
};

namespace {

[[noreturn]] void jumpOnError(j_common_ptr info) {
    std::longjmp(static_cast<ScanlineJpeg::State*>(info->client_data)->failed, 1);
}

// Warnings (a truncated stream, say) are not worth a line on the frontend's terminal.
void discardMessage(j_common_ptr) {}

// Reads the header and starts decompression; false when the stream is unusable.
bool startDecoding(ScanlineJpeg::State& s, const uint8_t* data, size_t size, bool rgb) {
    if (setjmp(s.failed)) {
        return false;
    }
    jpeg_mem_src(&s.info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&s.info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    s.info.out_color_space = rgb ? JCS_RGB : JCS_GRAYSCALE;
    s.started = jpeg_start_decompress(&s.info) == TRUE;
    return s.started;
}

bool readOneRow(ScanlineJpeg::State& s, uint8_t* row) {
    if (setjmp(s.failed)) {
        return false;
    }
    JSAMPROW rows[1] = {row};
    return s.info.output_scanline < s.info.output_height &&
           jpeg_read_scanlines(&s.info, rows, 1) == 1;
}

}  // namespace

std::unique_ptr<ScanlineJpeg> ScanlineJpeg::open(std::span<const uint8_t> data, bool rgb) {
    auto state = std::make_unique<State>();
    state->info.err = jpeg_std_error(&state->errors);
    state->errors.error_exit = jumpOnError;
    state->errors.output_message = discardMessage;
    state->info.client_data = state.get();
    jpeg_create_decompress(&state->info);
    if (!startDecoding(*state, data.data(), data.size(), rgb)) {
        return nullptr;
    }
    return std::make_unique<ScanlineJpeg>(std::move(state));
}

ScanlineJpeg::ScanlineJpeg(std::unique_ptr<State> state) : state_(std::move(state)) {}
ScanlineJpeg::~ScanlineJpeg() = default;

int ScanlineJpeg::width() const {
    return static_cast<int>(state_->info.output_width);
}

int ScanlineJpeg::height() const {
    return static_cast<int>(state_->info.output_height);
}

bool ScanlineJpeg::readRow(uint8_t* row) {
    return readOneRow(*state_, row);
}

std::optional<PageLines> PageLines::open(Bytes page, ColorMode mode, int64_t textWidth,
                                         int64_t textHeight, const Crop& crop) {
    PageLines lines;
    lines.mode_ = mode;
    int64_t pageW = textWidth;
    int64_t pageH = textHeight;
    if (mode != ColorMode::blackWhite) {
        lines.jpeg_ = ScanlineJpeg::open(page, mode == ColorMode::color);
        if (!lines.jpeg_) {
            return std::nullopt;
        }
        pageW = lines.jpeg_->width();
        pageH = lines.jpeg_->height();
        lines.format_.channels = mode == ColorMode::color ? 3 : 1;
        lines.decoded_.resize(static_cast<size_t>(pageW * lines.format_.channels));
    } else {
        lines.format_.depth = 1;
        lines.rowBytes_ = (pageW + 7) / 8;
    }
    lines.crop_ = clipCrop(crop, pageW, pageH);
    lines.format_.pixelsPerLine = lines.crop_.w;
    lines.format_.lines = lines.crop_.h;
    lines.page_ = std::move(page);
    return lines;
}

void PageLines::lineartLine(std::span<uint8_t> out, int64_t row) const {
    std::fill(out.begin(), out.end(), uint8_t{0});  // white
    const size_t start = static_cast<size_t>(row * rowBytes_);
    if (start + static_cast<size_t>(rowBytes_) > page_.size()) {
        return;  // rows the scanner did not send stay white
    }
    const uint8_t* in = page_.data() + start;
    for (int64_t i = 0; i < crop_.w; ++i) {
        const int64_t x = crop_.x + i;
        // The scanner sends 1 for white; SANE wants 1 for black.
        if (!(in[x / 8] & (0x80 >> (x % 8)))) {
            out[static_cast<size_t>(i / 8)] |= static_cast<uint8_t>(0x80 >> (i % 8));
        }
    }
}

bool PageLines::nextLine(std::span<uint8_t> out) {
    if (linesOut_ >= format_.lines) {
        return false;
    }
    const int64_t row = crop_.y + linesOut_++;
    if (mode_ == ColorMode::blackWhite) {
        lineartLine(out, row);
        return true;
    }
    while (!broken_ && sourceRow_ <= row) {
        broken_ = !jpeg_->readRow(decoded_.data());
        ++sourceRow_;
    }
    if (broken_) {
        std::fill(out.begin(), out.end(), uint8_t{255});
        return true;
    }
    const size_t channels = static_cast<size_t>(format_.channels);
    std::memcpy(out.data(), decoded_.data() + static_cast<size_t>(crop_.x) * channels,
                static_cast<size_t>(crop_.w) * channels);
    return true;
}

}  // namespace scandesk::sane
