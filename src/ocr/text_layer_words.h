// From recognised lines to the words of a page's text layer.
#pragma once

#include <vector>

#include "imaging/pdf_page.h"
#include "ocr/tesseract_engine.h"

namespace scandesk {

/// The words of the text layer, line by line: neighbouring CJK words of a line become one
/// run (their boxes joined, no space inside), so a word of several characters is found as
/// it is typed; Latin words are followed by a space when another word follows on the line.
std::vector<PdfWord> textLayerWords(const std::vector<RecognisedLine>& lines);

/// A word's box on the upright page of `width` x `height` pixels as it lies in the stored
/// page, which is the upright page turned counter-clockwise by `quarterTurns` (and shown
/// upright by as many clockwise quarter turns).
PdfWord wordInStoredPage(PdfWord word, int quarterTurns, double width, double height);

}  // namespace scandesk
