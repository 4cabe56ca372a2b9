// Entry point for every received page: BMP or JPEG page files.
#pragma once

#include "common/bytes.h"
#include "imaging/page_job.h"
#include "imaging/save_result.h"

namespace scandesk {

/// Stores one received page as page file `pageNo`: a black-and-white page as a BMP file
/// when the job keeps bitmaps, every other page as a JPEG file through `save2JPEG`. Why
/// it could not, if it could not.
SaveError saveImages(const PageJob& job, int pageNo, const Bytes& data);

}  // namespace scandesk
