// The one-bit bitmap of black-and-white pages: built from bare scanner rows, and
// read back (only in the form built here) for re-encoding.
#pragma once

#include <cstdint>
#include <span>

#include "common/bytes.h"
#include "imaging/image.h"
#include "imaging/outcome.h"
#include "imaging/page_job.h"

namespace scandesk {

/// Size of the file and info headers plus the two-entry palette.
inline constexpr size_t kBWBMPHeaderSize = 62;

/// Bytes of one stored row for a page `width` pixels wide, as bitmap readers expect
/// them (whole 32-bit words). For the widths the scanner is driven with this is the
/// `width / 8` bytes received per row; otherwise the received bytes are padded white.
int64_t bwBitmapRowBytes(int64_t width);

/// Pixels per metre written for a resolution (300 dpi gives 11811; one the scanners do
/// not offer 0).
uint32_t pixelsPerMetre(int dpi);

/// Header plus pixel rows, bottom row first, from the scanner's top-first rows. Rows
/// missing from short data are white; bytes beyond `h` rows are ignored.
Outcome<Bytes> buildBWBitmap(const PageJob& job, std::span<const uint8_t> data);

/// The 62-byte header of a one-bit page bitmap for the job's page size and
/// resolution; also written as a diagnostic line of its byte values.
Bytes getBWBMPHeader(const PageJob& job);

/// Decodes a bitmap of the form `buildBWBitmap` writes into a grey image whose
/// nominal size follows from the header's resolution; anything else is refused.
Outcome<Image> decodeBWBitmap(std::span<const uint8_t> data);

/// Whether the bytes start like a bitmap file.
bool looksLikeBitmap(std::span<const uint8_t> data);

}  // namespace scandesk
