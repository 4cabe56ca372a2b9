// The invisible text layer of a page: content-stream operators and the font's Unicode map.
#pragma once

#include <string>
#include <vector>

#include "imaging/pdf_page.h"

namespace scandesk {

/// The resource name of the text layer's font on every page.
inline constexpr const char* kTextLayerFont = "/Txt";

/// Every glyph of the text layer's font advances by this many thousandths of the font size;
/// the descent below the baseline is kTextDescent thousandths.
inline constexpr int kTextAdvance = 500;
inline constexpr int kTextAscent = 800;
inline constexpr int kTextDescent = 200;

/// Content-stream operators that write the words in render mode 3 (invisible), each word
/// stretched over its box, for a page image of `pixelWidth` x `pixelHeight` drawn over a
/// media box of `boxWidth` x `boxHeight` points and shown turned by `quarterTurns`: the
/// words run upright as the page is shown. Codes are two bytes, the code point itself
/// (characters beyond the Basic Multilingual Plane become U+FFFD). Empty without words.
std::string textLayerContent(const std::vector<PdfWord>& words, int quarterTurns, int pixelWidth,
                             int pixelHeight, double boxWidth, double boxHeight);

/// The ToUnicode CMap of the font: every two-byte code is its own code point.
std::string identityToUnicodeCMap();

}  // namespace scandesk
