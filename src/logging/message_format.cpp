// Phrase parsing, padding and trimming for rendered log lines.
#include "logging/message_format.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>

namespace scandesk {
namespace {

// Characters (code points) in UTF-8 text; stray continuation bytes count as one each.
size_t characterCount(std::string_view text) {
    size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

// White space as line ends are trimmed of it: tab, line breaks and Unicode separators.
bool isTrailingWhitespace(UChar32 c) {
    if (c == '\t' || c == '\n' || c == '\f' || c == '\r') {
        return true;
    }
    const int8_t type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

// Blanks and line breaks as a context description is trimmed of them.
bool isBlankOrLineBreak(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

FormatPhrase parseFormatPhrase(std::string_view phrase) {
    FormatPhrase parsed;
    parsed.whole = phrase;
    size_t i = 0;
    const bool negative = !phrase.empty() && phrase[0] == '-';
    if (negative) {
        ++i;
    }
    int number = 0;
    while (i < phrase.size() && phrase[i] >= '0' && phrase[i] <= '9') {
        number = std::min(number * 10 + (phrase[i] - '0'), kMaxFormatPadding);
        ++i;
    }
    parsed.padding = negative ? -number : number;
    if (i < phrase.size()) {
        parsed.token = phrase[i];
        parsed.rest = phrase.substr(i + 1);
    }
    return parsed;
}

void appendPadded(std::string& out, std::string_view value, int padding) {
    const size_t width = static_cast<size_t>(padding < 0 ? -padding : padding);
    const size_t length = width == 0 ? 0 : characterCount(value);
    const size_t fill = length < width ? width - length : 0;
    if (padding > 0) {
        out.append(fill, ' ');
    }
    out.append(value);
    if (padding < 0) {
        out.append(fill, ' ');
    }
}

std::string elapsedText(std::chrono::milliseconds elapsed) {
    const long long total = elapsed.count();
    const long long seconds = total / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld.%03lld", seconds / 3600,
                  (seconds / 60) % 60, seconds % 60, total % 1000);
    return text;
}

void trimTrailingWhitespace(std::string& text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    int32_t end = static_cast<int32_t>(text.size());
    while (end > 0) {
        int32_t before = end;
        UChar32 c = 0;
        U8_PREV(bytes, 0, before, c);
        if (c < 0 || !isTrailingWhitespace(c)) {
            break;
        }
        end = before;
    }
    text.resize(static_cast<size_t>(end));
}

std::string trimmedBlanksAndLineBreaks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlankOrLineBreak(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlankOrLineBreak(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

}  // namespace scandesk
