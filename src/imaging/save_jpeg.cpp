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
SaveError writeJpegPage(const Image& image, const std::string& path, const char* linePrefix) {
    diagDebug(linePrefix, "pixelsWide = ", image.raster.width(),
              " and pixelsHigh =", image.raster.height());
    Outcome<Bytes> jpeg = encodeJpeg(image);
    if (!jpeg) {
        return saveFailure(jpeg.error);
    }
    if (auto error = writeFileAtomically(path, *jpeg.value)) {
        return saveFailure(*error);
    }
    return std::nullopt;
}

// A scanner may send a page a little larger than asked, never one of another order.
constexpr int64_t kAreaMarginPercent = 25;
constexpr int64_t kAreaMarginPixels = 64 * 1024;

/// Why a JPEG page must not be decoded: its header claims far more pixels than the job
/// asked for (a few bytes can claim gigabytes of raster). Nothing when it fits or when the
/// job names no area.
std::optional<std::string> oversizedPage(const Bytes& data, const PageJob& job) {
    if (job.w <= 0 || job.h <= 0) {
        return std::nullopt;
    }
    const Outcome<JpegInfo> info = readJpegInfo(data);
    if (!info) {
        return std::nullopt;  // the decoder reports what is wrong with it
    }
    const int64_t claimed = int64_t{info.value->width} * info.value->height;
    const int64_t asked = job.w * job.h;
    if (claimed <= asked + asked * kAreaMarginPercent / 100 + kAreaMarginPixels) {
        return std::nullopt;
    }
    return "the page claims " + std::to_string(info.value->width) + " x " +
           std::to_string(info.value->height) + " pixels, far more than the " +
           std::to_string(job.w) + " x " + std::to_string(job.h) + " asked for";
}

/// The page decoded: a bitmap built by `saveImages`, or a JPEG stream.
Outcome<Image> decodePage(const Bytes& data, const PageJob& job) {
    if (looksLikeBitmap(data)) {
        return decodeBWBitmap(data);
    }
    if (auto refused = oversizedPage(data, job)) {
        return Outcome<Image>::failure(*refused);
    }
    return decodeJpeg(data);
}

/// `save2JPEG` without the guard against unexpected exceptions.
SaveError saveTurnedJpeg(const PageJob& job, int pageNo, const Bytes& data) {
    const std::string path = pageFileName(job.filePath, pageNo, ".jpg");
    Outcome<Image> decoded = decodePage(data, job);
    if (!decoded) {
        return saveFailure(decoded.error);
    }
    Image page = std::move(*decoded.value);
    const float nominalWidth = static_cast<float>(page.width);
    const float nominalHeight = static_cast<float>(page.height);
    page.width = nominalWidth;
    page.height = nominalHeight;
    if (job.rotation != Rotation::none) {
        const int angle = degrees(job.rotation);
        std::optional<Image> turned = imageRotate(static_cast<double>(angle), page, 1.0);
        if (!turned) {
            return saveFailure("the page cannot be turned by " + std::to_string(angle) +
                               " degrees");
        }
        const bool sideways = angle == 90 || angle == 270;
        page.raster = std::move(turned->raster);  // frees the unturned raster
        page.width = sideways ? nominalHeight : nominalWidth;
        page.height = sideways ? nominalWidth : nominalHeight;
    }
    return writeJpegPage(page, path, "");
}

}  // namespace

SaveError save2JPEG(const PageJob& job, int pageNo, const Bytes& data) {
    return guardedSave([&] { return saveTurnedJpeg(job, pageNo, data); });
}

SaveError save2Images(const Image& image, int pageNo, const PageJob& job) {
    return guardedSave([&] {
        const std::string path = pageFileName(job.filePath, pageNo, ".jpg");
        diagDebug("save 2 image path = ", path);
        return writeJpegPage(image, path, "save2Images ");
    });
}

}  // namespace scandesk
