// Writing JPEG page files: a received page, or an image made in memory.
#pragma once

#include "common/bytes.h"
#include "imaging/image.h"
#include "imaging/page_job.h"
#include "imaging/save_result.h"

namespace scandesk {

/// Decodes one page (a JPEG stream, or a bitmap built by `saveImages`), turns it by the
/// job's rotation and writes it as page file `pageNo` ("-%04d.jpg"). Why it could not
/// be decoded, turned, encoded or written, if it could not.
SaveError save2JPEG(const PageJob& job, int pageNo, const Bytes& data);

/// Writes an in-memory image as page file `pageNo` of the job, without turning it.
/// Results as for `save2JPEG`.
SaveError save2Images(const Image& image, int pageNo, const PageJob& job);

}  // namespace scandesk
