// Entry point for every received page: BMP or JPEG page files.
#pragma once

#include "common/bytes.h"
#include "common/result_pair.h"
#include "imaging/image.h"
#include "imaging/image_rotate.h"
#include "imaging/save_jpeg.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// Stores one received page as page file `pageNo` (page 2 during a second pass): a
/// one-bit "TEXT" page as a BMP file when the file type is "BMP", every other page as
/// a JPEG file through `save2JPEG`. Returns (true, "saveSuccessfully") or
/// (false, "saveImageError").
ResultPair saveImages(const ScanParam& param, int pageNo, const Bytes& data);

/// The 62-byte header of a one-bit page bitmap for the job's page size and
/// resolution; also written as a diagnostic line of its byte values.
Bytes getBWBMPHeader(const ScanParam& param);

}  // namespace scandesk
