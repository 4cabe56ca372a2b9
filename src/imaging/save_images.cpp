// Turning received pages into page files.
#include "imaging/save_images.h"

#include "common/diagnostics.h"
#include "imaging/bw_bitmap.h"
#include "imaging/page_files.h"
#include "imaging/save_jpeg.h"
#include "imaging/save_result.h"

namespace scandesk {

namespace {

/// `saveImages` without the guard against unexpected exceptions.
SaveError savePage(const PageJob& job, int pageNo, const Bytes& data) {
    if (!job.blackWhite) {
        return save2JPEG(job, pageNo, data);
    }
    Outcome<Bytes> bitmap = buildBWBitmap(job, data);
    if (!bitmap) {
        return saveFailure(bitmap.error);
    }
    if (!job.keepBitmap) {
        return save2JPEG(job, pageNo, *bitmap.value);
    }
    if (auto error =
            writeFileAtomically(pageFileName(job.filePath, pageNo, ".bmp"), *bitmap.value)) {
        return saveFailure(*error);
    }
    return std::nullopt;
}

}  // namespace

SaveError saveImages(const PageJob& job, int pageNo, const Bytes& data) {
    return guardedSave([&] { return savePage(job, pageNo, data); });
}

}  // namespace scandesk
