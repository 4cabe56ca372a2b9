// Writing words as invisible text placed and stretched over their boxes.
#include "imaging/text_layer.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "imaging/unicode_text.h"

namespace scandesk {

namespace {

/// A box in points, origin top-left.
struct Box {
    double x, y, w, h;
};

/// A number as a content stream wants it, whatever the process's locale.
std::string number(double value) {
    std::array<char, 32> text{};
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 3);
    return std::string(text.data(), result.ptr);
}

/// The word's box as the page is shown (turned clockwise by `turns` quarters), from its
/// box on the unturned page of `width` x `height` points.
Box shownBox(const Box& b, int turns, double width, double height) {
    switch (turns) {
        case 1:
            return {height - (b.y + b.h), b.x, b.h, b.w};
        case 2:
            return {width - (b.x + b.w), height - (b.y + b.h), b.w, b.h};
        case 3:
            return {b.y, width - (b.x + b.w), b.h, b.w};
        default:
            return b;
    }
}

/// The matrix from the shown page's space to the unturned page's space.
std::string turnMatrix(int turns, double width, double height) {
    switch (turns) {
        case 1:
            return "0 1 -1 0 " + number(width) + " 0 cm\n";
        case 2:
            return "-1 0 0 -1 " + number(width) + " " + number(height) + " cm\n";
        case 3:
            return "0 -1 1 0 0 " + number(height) + " cm\n";
        default:
            return "";
    }
}

/// The two-byte codes of the text as a hex string body, and how many glyphs they are.
std::string hexCodes(const std::u32string& points) {
    std::string hex;
    for (char32_t point : points) {
        const bool plain = point <= 0xFFFF && (point < 0xD800 || point > 0xDFFF);
        char text[8];
        std::snprintf(text, sizeof text, "%04X", plain ? static_cast<unsigned>(point) : 0xFFFDu);
        hex += text;
    }
    return hex;
}

}  // namespace

std::string textLayerContent(const std::vector<PdfWord>& words, int quarterTurns, int pixelWidth,
                             int pixelHeight, double boxWidth, double boxHeight) {
    if (words.empty() || pixelWidth <= 0 || pixelHeight <= 0) {
        return "";
    }
    const int turns = ((quarterTurns % 4) + 4) % 4;
    const double scaleX = boxWidth / pixelWidth;
    const double scaleY = boxHeight / pixelHeight;
    const double shownHeight = turns % 2 == 1 ? boxWidth : boxHeight;
    std::string content =
        "q\n" + turnMatrix(turns, boxWidth, boxHeight) + "BT\n3 Tr\n" + kTextLayerFont + " 1 Tf\n";
    for (const PdfWord& word : words) {
        const std::u32string points = codePointsOf(word.text);
        if (points.empty() || word.w <= 0 || word.h <= 0) {
            continue;
        }
        const Box box =
            shownBox({word.x * scaleX, word.y * scaleY, word.w * scaleX, word.h * scaleY}, turns,
                     boxWidth, boxHeight);
        // The font's height from descent to ascent fills the box; its glyphs fill its width.
        const double size = box.h * 1000.0 / (kTextAscent + kTextDescent);
        const double stretch = box.w * 1000.0 / (kTextAdvance * static_cast<double>(points.size()));
        const double baseline = shownHeight - (box.y + box.h) + size * kTextDescent / 1000.0;
        content += number(100 * stretch / size) + " Tz " + number(size) + " 0 0 " + number(size) +
                   " " + number(box.x) + " " + number(baseline) + " Tm <" + hexCodes(points) +
                   (word.spaceAfter ? "0020" : "") + "> Tj\n";
    }
    return content + "ET\nQ\n";
}

std::string identityToUnicodeCMap() {
    std::string ranges;
    int inBlock = 0;
    std::string block;
    auto flush = [&] {
        if (inBlock > 0) {
            ranges += std::to_string(inBlock) + " beginbfrange\n" + block + "endbfrange\n";
        }
        inBlock = 0;
        block.clear();
    };
    for (unsigned high = 0; high <= 0xFF; ++high) {
        if (high >= 0xD8 && high <= 0xDF) {
            continue;  // surrogates are no characters of their own
        }
        char line[40];
        std::snprintf(line, sizeof line, "<%02X00> <%02XFF> <%02X00>\n", high, high, high);
        block += line;
        if (++inBlock == 100) {
            flush();
        }
    }
    flush();
    return "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
           "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
           "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
           "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" +
           ranges + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

}  // namespace scandesk
