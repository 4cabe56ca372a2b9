// Scanner-like test pages for the imaging benchmarks.
#pragma once

#include <string>

#include "common/bytes.h"
#include "imaging/image.h"

namespace scandesk::bench {

/// A grey page of lines of dark "glyphs" on slightly noisy white, like a scanned
/// letter, with a nominal size for `dotsPerInch`. Deterministic for a seed.
Image letterPage(int width, int height, double dotsPerInch, unsigned seed = 1);

/// A sheet of slightly noisy white paper with nothing on it.
Image emptyPage(int width, int height, double dotsPerInch, unsigned seed = 1);

/// An A4 letter of English prose in a real typeface (DejaVu Serif, 11 pt) at
/// `dotsPerInch`, turned counter-clockwise by `skewDegrees`: what orientation detection
/// and skew measurement read.
Image proseSheet(double dotsPerInch, double skewDegrees);

/// The page as the scanner sends it: a JPEG stream of middling quality.
Bytes scannerJpeg(const Image& page);

/// The page as one-bit rows, top row first, `width / 8` bytes each (TEXT mode).
Bytes oneBitRows(const Image& page);

/// Writes bytes to a file; false when it cannot.
bool writeBytes(const std::string& path, const Bytes& bytes);

}  // namespace scandesk::bench
