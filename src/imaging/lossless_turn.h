// Turning stored page files by quarter turns without decoding and encoding them again.
#pragma once

#include <span>

#include "common/bytes.h"
#include "imaging/outcome.h"

namespace scandesk {

/// Clockwise quarter turns reduced to 0 ... 3 (-1 gives 3).
int normalQuarterTurns(int quarterTurns);

/// A JPEG stream turned clockwise by quarter turns with TurboJPEG's lossless transform:
/// the coefficients are moved, never quantised again. A transform can move only whole
/// blocks of pixels (8 or 16 wide); when the turn would carry a partial block at the
/// right or bottom edge to the top or left, the frame is first widened to whole blocks
/// (the stream always codes them in full), so the page keeps every pixel and gains at
/// most 15 rows or columns of the encoder's edge padding on that side. Nothing is ever
/// trimmed: a transform that would lose pixels fails instead.
Outcome<Bytes> turnJpeg(std::span<const uint8_t> jpeg, int quarterTurns);

/// A one-bit page bitmap (the form stored for black-and-white pages) turned clockwise by
/// quarter turns bit for bit, its resolution fields following the axes.
Outcome<Bytes> turnBWBitmap(std::span<const uint8_t> bitmap, int quarterTurns);

/// A page file's bytes turned: bitmaps bit for bit, everything else as JPEG.
Outcome<Bytes> turnPageFile(std::span<const uint8_t> page, int quarterTurns);

}  // namespace scandesk
