// Turning received pages into page files.
#include "imaging/save_images.h"

#include "common/diagnostics.h"
#include "imaging/bw_bitmap.h"
#include "imaging/page_files.h"
#include "imaging/save_result.h"

namespace scandesk {

namespace {

/// `saveImages` without the guard against unexpected exceptions.
ResultPair savePage(const ScanParam& param, int pageNo, const Bytes& data) {
    // The second pass of a two-pass scan always delivers page 2.
    const int page = param.isSecondScan ? 2 : pageNo;
    if (param.mode != "TEXT") {
        return save2JPEG(param, page, data);
    }
    Outcome<Bytes> bitmap = buildBWBitmap(param, data);
    if (!bitmap) {
        return saveFailure(bitmap.error);
    }
    if (param.fileType != "BMP") {
        return save2JPEG(param, page, *bitmap.value);
    }
    if (auto error =
            writeFileAtomically(pageFileName(param.filePath, page, ".bmp"), *bitmap.value)) {
        return saveFailure(*error);
    }
    return saveSuccess();
}

}  // namespace

ResultPair saveImages(const ScanParam& param, int pageNo, const Bytes& data) {
    return guardedSave([&] { return savePage(param, pageNo, data); });
}

}  // namespace scandesk
