// Code points of UTF-8 text, and which of them are CJK characters.
#pragma once

#include <string>

namespace scandesk {

/// The code points of UTF-8 text (an invalid byte becomes U+FFFD).
std::u32string codePointsOf(const std::string& utf8);

/// Whether a code point is a Chinese, Japanese or Korean character or CJK punctuation,
/// which are written without spaces between them.
bool isCjkCodePoint(char32_t c);

}  // namespace scandesk
