// Clean-up as a pipeline step: the page file's reduced decodes, Tesseract for orientation.
#include "ocr/clean_up_step.h"

#include <cmath>
#include <exception>

#include "ocr/tesseract_engine.h"

namespace scandesk {
namespace {

// Below this Tesseract's orientation guess is as often wrong as right.
constexpr double kLeastOrientationConfidence = 2.0;

class CleanUpStep : public PageStep {
  public:
    explicit CleanUpStep(CleanUpChoices choices) : choices_(choices) {
        if (choices_.turnUpright) {
            engine_.emplace(TesseractEngine::open({"osd"}));
        }
    }

    void run(PageContext& page, PageAnalysis& analysis, std::stop_token) override {
        Outcome<PageFindings> found = Outcome<PageFindings>::failure({});
        try {
            const Outcome<Bytes>& file = page.bytes();
            found = file ? examinePage(*file.value, choices_, orientationReader())
                         : Outcome<PageFindings>::failure(file.error);
        } catch (const std::exception& error) {
            found.error = error.what();
        }
        if (!found) {
            analysis.failures.push_back("page " + std::to_string(page.pageNo()) +
                                        " not cleaned up: " + found.error);
            return;
        }
        analysis.blank = found.value->blank;
        analysis.quarterTurns = found.value->quarterTurns;
        analysis.skewDegrees = found.value->skewDegrees;
    }

  private:
    OrientationReader orientationReader() {
        if (!engine_ || !*engine_) {
            return {};
        }
        return orientationReaderOf(*engine_->value);
    }

    CleanUpChoices choices_;
    std::optional<Outcome<TesseractEngine>> engine_;
};

}  // namespace

OrientationReader orientationReaderOf(TesseractEngine& engine) {
    return [&engine](const Image& page) -> std::optional<int> {
        const int dotsPerInch =
            static_cast<int>(std::lround(page.raster.width() * 72.0 / page.width));
        const Outcome<OrientationGuess> guess = engine.detectOrientation(page.raster, dotsPerInch);
        if (!guess || guess.value->confidence < kLeastOrientationConfidence) {
            return std::nullopt;
        }
        return guess.value->quarterTurns;
    };
}

PageStepFactory cleanUpStep(CleanUpChoices choices) {
    return
        [choices]() -> std::unique_ptr<PageStep> { return std::make_unique<CleanUpStep>(choices); };
}

}  // namespace scandesk
