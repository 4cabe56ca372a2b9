// One Tesseract instance, single-threaded: text recognition and orientation detection.
#pragma once

#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "imaging/outcome.h"
#include "imaging/unicode_text.h"
#include "ocr/languages.h"

namespace scandesk {

/// A recognised word: its text and its box in the image's pixels (origin top-left).
struct RecognisedWord {
    std::string text;  ///< UTF-8
    int left = 0;
    int top = 0;
    int right = 0;     ///< exclusive
    int bottom = 0;    ///< exclusive
    bool cjk = false;  ///< holds Chinese, Japanese or Korean characters
};

/// The words of one text line, in reading order.
using RecognisedLine = std::vector<RecognisedWord>;

/// Which way up the page is: the clockwise quarter turns that bring it upright.
struct OrientationGuess {
    int quarterTurns = 0;
    double confidence = 0;  ///< Tesseract's orientation confidence (above about 2: reliable)
};

/// A Tesseract instance for one thread at a time. The page pipeline runs one page per
/// core, so Tesseract's own OpenMP teams only slow it down: programs that recognise
/// start with `limitOpenMpThreads` (openmp_limit.h).
class TesseractEngine {
  public:
    /// An engine for the languages (codes as `parseLanguages` gives them; {"osd"} for
    /// orientation only), or why there is none.
    static Outcome<TesseractEngine> open(const std::vector<std::string>& languages,
                                         const std::string& dir = tessdataDir());

    TesseractEngine(TesseractEngine&&) noexcept;
    TesseractEngine& operator=(TesseractEngine&&) noexcept;
    ~TesseractEngine();

    /// The text lines of a page image (grey or colour) at `dotsPerInch`. A stop request
    /// ends the recognition early with a failure.
    Outcome<std::vector<RecognisedLine>> recognise(const Raster& page, int dotsPerInch,
                                                   std::stop_token stop = {});

    /// Which way up the page is; needs an engine opened with "osd".
    Outcome<OrientationGuess> detectOrientation(const Raster& page, int dotsPerInch);

  private:
    struct Api;
    explicit TesseractEngine(std::unique_ptr<Api> api);
    std::unique_ptr<Api> api_;
};

}  // namespace scandesk
