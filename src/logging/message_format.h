// The pieces of the log format language: phrases, padding, elapsed time, trimming.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace scandesk {

/// The widest padding honoured; larger numbers in a format are clamped to it.
inline constexpr int kMaxFormatPadding = 1024;

/// One "$"-separated piece of a format: padding, token character and literal rest.
struct FormatPhrase {
    int padding = 0;
    /// The token character; '\0' when the phrase has none (only padding).
    char token = '\0';
    std::string_view rest;
    std::string_view whole;
};

/// Splits a format (already prefixed with "$I") at every "$", skipping empty phrases,
/// and calls `visit` with each parsed phrase in order.
template <typename Visit>
void forEachFormatPhrase(std::string_view format, Visit&& visit);

/// Reads the optional "-", the digits and the token of one phrase.
FormatPhrase parseFormatPhrase(std::string_view phrase);

/// Appends `value` padded to |padding| characters: right-aligned for a positive
/// padding, left-aligned for a negative one; a longer value is never cut.
void appendPadded(std::string& out, std::string_view value, int padding);

/// Time since a start as "hh:mm:ss.mmm" (hours not limited to two digits).
std::string elapsedText(std::chrono::milliseconds elapsed);

/// Removes trailing white space (tab, line feed, form feed, carriage return and every
/// Unicode separator) from the end of the text.
void trimTrailingWhitespace(std::string& text);

/// Removes leading and trailing blanks and line breaks.
std::string trimmedBlanksAndLineBreaks(std::string_view text);

template <typename Visit>
void forEachFormatPhrase(std::string_view format, Visit&& visit) {
    size_t start = 0;
    while (start <= format.size()) {
        size_t end = format.find('$', start);
        if (end == std::string_view::npos) {
            end = format.size();
        }
        if (end > start) {
            visit(parseFormatPhrase(format.substr(start, end - start)));
        }
        start = end + 1;
    }
}

}  // namespace scandesk
