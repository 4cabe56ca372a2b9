// Recognition as a pipeline step: one Tesseract engine per worker, words for the PDF.
#include "ocr/recognition_step.h"

#include <exception>

#include "ocr/tesseract_engine.h"
#include "ocr/text_layer_words.h"

namespace scandesk {

namespace {

class RecognitionStep : public PageStep {
  public:
    explicit RecognitionStep(const std::vector<std::string>& languages)
        : engine_(TesseractEngine::open(languages)) {}

    void run(PageContext& page, PageAnalysis& analysis, std::stop_token stop) override {
        Outcome<std::vector<RecognisedLine>> lines =
            Outcome<std::vector<RecognisedLine>>::failure({});
        try {
            lines = recognise(page, std::move(stop));
        } catch (const std::exception& error) {
            lines.error = error.what();
        }
        if (!lines) {
            analysis.textMissing = true;
            analysis.failures.push_back("page " + std::to_string(page.pageNo()) +
                                        " not recognised: " + lines.error);
            return;
        }
        analysis.words = textLayerWords(*lines.value);
    }

  private:
    Outcome<std::vector<RecognisedLine>> recognise(PageContext& page, std::stop_token stop) {
        using Lines = Outcome<std::vector<RecognisedLine>>;
        if (!engine_) {
            return Lines::failure(engine_.error);
        }
        const Outcome<Image>& image = page.image();
        if (!image) {
            return Lines::failure(image.error);
        }
        return engine_.value->recognise(image.value->raster, page.dotsPerInch(), std::move(stop));
    }

    Outcome<TesseractEngine> engine_;
};

}  // namespace

PageStepFactory recognitionStep(std::vector<std::string> languages) {
    return [languages = std::move(languages)]() -> std::unique_ptr<PageStep> {
        return std::make_unique<RecognitionStep>(languages);
    };
}

}  // namespace scandesk
