// Recognition as a pipeline step: one Tesseract engine per worker, words for the PDF.
#include "ocr/recognition_step.h"

#include <exception>
#include <optional>

#include "imaging/image_rotate.h"

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
            lines = recognise(page, analysis.quarterTurns, std::move(stop));
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
        for (PdfWord& word : analysis.words) {
            word = wordInStoredPage(word, analysis.quarterTurns, uprightWidth_, uprightHeight_);
        }
    }

  private:
    /// The page's lines as read upright: a page an earlier step found turned (shown upright
    /// by `quarterTurns` clockwise quarters) is read turned that way.
    Outcome<std::vector<RecognisedLine>> recognise(PageContext& page, int quarterTurns,
                                                   std::stop_token stop) {
        using Lines = Outcome<std::vector<RecognisedLine>>;
        if (!engine_) {
            return Lines::failure(engine_.error);
        }
        const Outcome<Image>& image = page.image();
        if (!image) {
            return Lines::failure(image.error);
        }
        const int turns = ((quarterTurns % 4) + 4) % 4;
        std::optional<Image> upright;
        if (turns != 0) {
            // Clockwise by `turns` quarters, counter-clockwise by the rest of a whole turn.
            upright = imageRotate(90.0 * (4 - turns), *image.value, 1);
            if (!upright) {
                return Lines::failure("cannot turn the page upright");
            }
        }
        const Raster& raster = upright ? upright->raster : image.value->raster;
        uprightWidth_ = raster.width();
        uprightHeight_ = raster.height();
        return engine_.value->recognise(raster, page.dotsPerInch(), std::move(stop));
    }

    Outcome<TesseractEngine> engine_;
    double uprightWidth_ = 0;
    double uprightHeight_ = 0;
};

}  // namespace

PageStepFactory recognitionStep(std::vector<std::string> languages) {
    return [languages = std::move(languages)]() -> std::unique_ptr<PageStep> {
        return std::make_unique<RecognitionStep>(languages);
    };
}

}  // namespace scandesk
