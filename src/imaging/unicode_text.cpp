// Code points of UTF-8 text, and which of them are CJK characters.
#include "imaging/unicode_text.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace scandesk {

bool isCjkCodePoint(char32_t c) {
    static constexpr std::pair<char32_t, char32_t> kRanges[] = {
        {0x2E80, 0x2FDF},    // radicals
        {0x3000, 0x303F},    // CJK symbols and punctuation
        {0x3040, 0x30FF},    // kana
        {0x3100, 0x31FF},    // bopomofo, Hangul compatibility jamo, strokes
        {0x3200, 0x4DBF},    // enclosed, compatibility, extension A
        {0x4E00, 0x9FFF},    // unified ideographs
        {0xA960, 0xA97F},    // Hangul jamo extended
        {0xAC00, 0xD7AF},    // Hangul syllables
        {0xF900, 0xFAFF},    // compatibility ideographs
        {0xFE30, 0xFE4F},    // compatibility forms
        {0xFF00, 0xFFEF},    // full-width forms
        {0x20000, 0x3134F},  // extensions B to G
    };
    return std::any_of(std::begin(kRanges), std::end(kRanges),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

std::u32string codePointsOf(const std::string& utf8) {
    std::u32string points;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        char32_t point = length == 1   ? lead
                         : length == 2 ? lead & 0x1F
                         : length == 3 ? lead & 0x0F
                                       : lead & 0x07;
        bool valid = length > 0 && i + static_cast<size_t>(length) <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next >> 6) == 2;
            point = (point << 6) | (next & 0x3F);
        }
        points.push_back(valid ? point : U'\uFFFD');
        i += valid ? static_cast<size_t>(length) : 1;
    }
    return points;
}

}  // namespace scandesk
