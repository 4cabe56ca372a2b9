// The Tesseract engine behind a small value type: setup, recognition, orientation.
#include "ocr/tesseract_engine.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>

namespace scandesk {

namespace {

/// Tesseract's cancel hook: the stop token passed through `cancel_this`.
bool stopRequested(void* token, int /*words*/) {
    return static_cast<const std::stop_token*>(token)->stop_requested();
}

struct TextDeleter {
    void operator()(char* text) const { delete[] text; }
};

}  // namespace

struct TesseractEngine::Api {
    tesseract::TessBaseAPI api;
    ~Api() { api.End(); }

    void setPage(const Raster& page, int dotsPerInch) {
        Raster converted;  // Tesseract reads 8-bit grey
        const Raster& grey = greyOf(page, converted);
        api.SetImage(grey.data(), grey.width(), grey.height(), 1, grey.stride());
        api.SetSourceResolution(std::max(dotsPerInch, 70));
    }
};

TesseractEngine::TesseractEngine(std::unique_ptr<Api> api) : api_(std::move(api)) {}
TesseractEngine::TesseractEngine(TesseractEngine&&) noexcept = default;
TesseractEngine& TesseractEngine::operator=(TesseractEngine&&) noexcept = default;
TesseractEngine::~TesseractEngine() = default;

Outcome<TesseractEngine> TesseractEngine::open(const std::vector<std::string>& languages,
                                               const std::string& dir) {
    if (languages.empty()) {
        return Outcome<TesseractEngine>::failure("no recognition language");
    }
    auto api = std::make_unique<Api>();
    const std::string codes = joinLanguages(languages);
    // Orientation detection has only the older engine's model; asking it for the newer one
    // prints an error line on standard error before it falls back.
    const auto engine = codes == "osd" ? tesseract::OEM_TESSERACT_ONLY : tesseract::OEM_LSTM_ONLY;
    if (api->api.Init(dir.c_str(), codes.c_str(), engine) != 0) {
        return Outcome<TesseractEngine>::failure("cannot load the languages " + codes + " from " +
                                                 dir);
    }
    // Tesseract's own notes would go to standard error, beside ours.
    api->api.SetVariable("debug_file", "/dev/null");
    return Outcome<TesseractEngine>{TesseractEngine(std::move(api)), {}};
}

Outcome<std::vector<RecognisedLine>> TesseractEngine::recognise(const Raster& page, int dotsPerInch,
                                                                std::stop_token stop) {
    using Failure = Outcome<std::vector<RecognisedLine>>;
    if (page.empty()) {
        return Failure::failure("empty page image");
    }
    api_->setPage(page, dotsPerInch);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &stopRequested;
    monitor.cancel_this = &stop;
    const int status = api_->api.Recognize(&monitor);
    if (stop.stop_requested()) {
        api_->api.Clear();
        return Failure::failure("recognition stopped");
    }
    if (status != 0) {
        api_->api.Clear();
        return Failure::failure("recognition failed");
    }
    std::vector<RecognisedLine> lines;
    std::unique_ptr<tesseract::ResultIterator> it(api_->api.GetIterator());
    for (bool more = it != nullptr; more; more = it->Next(tesseract::RIL_WORD)) {
        if (it->Empty(tesseract::RIL_WORD)) {
            continue;
        }
        const bool newLine = lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE);
        std::unique_ptr<char, TextDeleter> text(it->GetUTF8Text(tesseract::RIL_WORD));
        RecognisedWord word;
        word.text = text ? text.get() : "";
        if (word.text.empty() || !it->BoundingBox(tesseract::RIL_WORD, &word.left, &word.top,
                                                  &word.right, &word.bottom)) {
            continue;
        }
        const std::u32string points = codePointsOf(word.text);
        word.cjk = std::any_of(points.begin(), points.end(), isCjkCodePoint);
        if (newLine) {
            lines.emplace_back();
        }
        lines.back().push_back(std::move(word));
    }
    api_->api.Clear();
    return {std::move(lines), {}};
}

Outcome<OrientationGuess> TesseractEngine::detectOrientation(const Raster& page, int dotsPerInch) {
    if (page.empty()) {
        return Outcome<OrientationGuess>::failure("empty page image");
    }
    api_->setPage(page, dotsPerInch);
    int degrees = 0;
    float confidence = 0;
    const char* script = nullptr;
    float scriptConfidence = 0;
    const bool found =
        api_->api.DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence);
    api_->api.Clear();
    if (!found) {
        return Outcome<OrientationGuess>::failure("orientation not found");
    }
    // Tesseract reports how far the page is turned clockwise; turning it upright takes the
    // rest of a full turn.
    return {OrientationGuess{(4 - degrees / 90 % 4) % 4, confidence}, {}};
}

}  // namespace scandesk
