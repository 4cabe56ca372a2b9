// Reading and decoding a page file once for all the steps that look at it.
#include "ocr/page_step.h"

#include <cmath>

#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"

namespace scandesk {

PageContext::PageContext(int pageNo, std::string file) : pageNo_(pageNo), file_(std::move(file)) {}

const Outcome<Bytes>& PageContext::bytes() {
    if (!bytes_) {
        bytes_ = readWholeFile(file_);
    }
    return *bytes_;
}

const Outcome<Image>& PageContext::image() {
    if (!image_) {
        const Outcome<Bytes>& file = bytes();
        image_ = file ? decodeJpeg(*file.value) : Outcome<Image>::failure(file.error);
    }
    return *image_;
}

int PageContext::dotsPerInch() {
    const Outcome<Image>& decoded = image();
    if (!decoded || decoded.value->width <= 0) {
        return 300;
    }
    return static_cast<int>(
        std::lround(decoded.value->raster.width() * 72.0 / decoded.value->width));
}

}  // namespace scandesk
