// Writing JPEG page files: a received page, or an image made in memory.
#pragma once

#include "common/bytes.h"
#include "common/result_pair.h"
#include "imaging/image.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// Decodes one page (a JPEG stream, or a bitmap built by `saveImages`), turns it by
/// `param.rotateAngle` and writes it as page file `pageNo` ("-%04d.jpg"). Returns
/// (true, "saveSuccessfully"), or (false, "saveImageError") when the data cannot be
/// decoded, turned, encoded or written.
ResultPair save2JPEG(const ScanParam& param, int pageNo, const Bytes& data);

/// Writes an in-memory image as page file `pageNo` of the job, without turning it.
/// Results as for `save2JPEG`.
ResultPair save2Images(const Image& image, int pageNo, const ScanParam& param);

}  // namespace scandesk
