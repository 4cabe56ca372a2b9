// Decoding, turning, encoding and writing JPEG page files.
#include "imaging/save_jpeg.h"

#include "common/diagnostics.h"
#include "imaging/bw_bitmap.h"
#include "imaging/image_rotate.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging/save_result.h"

namespace scandesk {

namespace {

/// Logs the pixel size after `linePrefix`, encodes the image and writes it to `path`.
ResultPair writeJpegPage(const Image& image, const std::string& path, const char* linePrefix) {
    diag(linePrefix, "pixelsWide = ", image.raster.width(),
         " and pixelsHigh =", image.raster.height());
    Outcome<Bytes> jpeg = encodeJpeg(image);
    if (!jpeg) {
        return saveFailure(jpeg.error);
    }
    if (auto error = writeFileAtomically(path, *jpeg.value)) {
        return saveFailure(*error);
    }
    return saveSuccess();
}

/// The page decoded: a bitmap built by `saveImages`, or a JPEG stream.
Outcome<Image> decodePage(const Bytes& data) {
    return looksLikeBitmap(data) ? decodeBWBitmap(data) : decodeJpeg(data);
}

/// `save2JPEG` without the guard against unexpected exceptions.
ResultPair saveTurnedJpeg(const ScanParam& param, int pageNo, const Bytes& data) {
    const std::string path = pageFileName(param.filePath, pageNo, ".jpg");
    Outcome<Image> decoded = decodePage(data);
    if (!decoded) {
        return saveFailure(decoded.error);
    }
    Image page = std::move(*decoded.value);
    const float nominalWidth = static_cast<float>(page.width);
    const float nominalHeight = static_cast<float>(page.height);
    page.width = nominalWidth;
    page.height = nominalHeight;
    if (param.rotateAngle != 0) {
        std::optional<Image> turned =
            imageRotate(static_cast<double>(param.rotateAngle), page, 1.0);
        if (!turned) {
            return saveFailure("the page cannot be turned by " + std::to_string(param.rotateAngle) +
                               " degrees");
        }
        const bool sideways = param.rotateAngle == 90 || param.rotateAngle == 270;
        page.raster = std::move(turned->raster);  // frees the unturned raster
        page.width = sideways ? nominalHeight : nominalWidth;
        page.height = sideways ? nominalWidth : nominalHeight;
    }
    return writeJpegPage(page, path, "");
}

}  // namespace

ResultPair save2JPEG(const ScanParam& param, int pageNo, const Bytes& data) {
    return guardedSave([&] { return saveTurnedJpeg(param, pageNo, data); });
}

ResultPair save2Images(const Image& image, int pageNo, const ScanParam& param) {
    return guardedSave([&] {
        const std::string path = pageFileName(param.filePath, pageNo, ".jpg");
        diag("save 2 image path = ", path);
        return writeJpegPage(image, path, "save2Images ");
    });
}

}  // namespace scandesk
