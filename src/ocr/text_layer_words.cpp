// Joining CJK runs and marking the spaces between the words of a line.
#include "ocr/text_layer_words.h"

#include <algorithm>
#include <utility>

#include "imaging/unicode_text.h"

namespace scandesk {

namespace {

bool endsCjk(const std::string& text) {
    const std::u32string points = codePointsOf(text);
    return !points.empty() && isCjkCodePoint(points.back());
}

bool startsCjk(const std::string& text) {
    const std::u32string points = codePointsOf(text);
    return !points.empty() && isCjkCodePoint(points.front());
}

PdfWord wordOf(const RecognisedWord& word) {
    return PdfWord{word.text,
                   static_cast<double>(word.left),
                   static_cast<double>(word.top),
                   static_cast<double>(word.right - word.left),
                   static_cast<double>(word.bottom - word.top),
                   false};
}

/// Extends `run` by `next`, which follows it on the line.
void append(PdfWord& run, const PdfWord& next) {
    const double right = std::max(run.x + run.w, next.x + next.w);
    const double bottom = std::max(run.y + run.h, next.y + next.h);
    run.x = std::min(run.x, next.x);
    run.y = std::min(run.y, next.y);
    run.w = right - run.x;
    run.h = bottom - run.y;
    run.text += next.text;
}

}  // namespace

PdfWord wordInStoredPage(PdfWord word, int quarterTurns, double width, double height) {
    for (int n = 0; n < ((quarterTurns % 4) + 4) % 4; ++n) {
        // One counter-clockwise quarter: the left edge goes to the bottom.
        const double x = word.x;
        word.x = word.y;
        word.y = width - x - word.w;
        std::swap(word.w, word.h);
        std::swap(width, height);
    }
    return word;
}

std::vector<PdfWord> textLayerWords(const std::vector<RecognisedLine>& lines) {
    std::vector<PdfWord> words;
    for (const RecognisedLine& line : lines) {
        bool lineStart = true;
        for (const RecognisedWord& recognised : line) {
            PdfWord word = wordOf(recognised);
            if (!lineStart && endsCjk(words.back().text) && startsCjk(word.text)) {
                append(words.back(), word);
                continue;
            }
            if (!lineStart) {
                words.back().spaceAfter = !endsCjk(words.back().text) && !startsCjk(word.text);
            }
            words.push_back(std::move(word));
            lineStart = false;
        }
    }
    return words;
}

}  // namespace scandesk
