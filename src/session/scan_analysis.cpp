// Running the per-page steps of a scan while it goes on.
#include "session/scan_analysis.h"

#include <algorithm>

#include "common/diagnostics.h"
#include "imaging/page_files.h"
#include "ocr/clean_up_step.h"
#include "ocr/languages.h"
#include "ocr/recognition_step.h"

namespace scandesk {

std::vector<PageStepFactory> analysisSteps(const ScanRequest& request) {
    std::vector<PageStepFactory> steps;
    // Black-and-white page files are bitmaps, which the clean-up steps do not read.
    const bool jpegPages =
        request.fileType == FileType::pdf || request.colorMode != ColorMode::blackWhite;
    if (request.cleanUp.any() && jpegPages) {
        steps.push_back(cleanUpStep(request.cleanUp));
    }
    if (auto languages = parseLanguages(request.ocrLanguages);
        languages && !request.ocrLanguages.empty()) {
        steps.push_back(recognitionStep(std::move(*languages)));
    }
    return steps;
}

ScanAnalysis::ScanAnalysis(const ScanRequest& request, const PageJob& job, bool combine,
                           AnalysisProgress progress)
    : filePath_(job.filePath), combine_(combine) {
    std::vector<PageStepFactory> steps = analysisSteps(request);
    if (request.keepPages || steps.empty()) {
        return;
    }
    options_.emplace();
    options_->steps = std::move(steps);
    options_->progress = std::move(progress);
    if (!combine_) {
        pipeline();  // the workers get ready while the scanner starts
    }
}

PagePipeline& ScanAnalysis::pipeline() {
    if (!pipeline_) {
        pipeline_ = std::make_unique<PagePipeline>(*options_);
    }
    return *pipeline_;
}

void ScanAnalysis::pageStored(int pageNo) {
    if (options_ && !combine_) {
        pipeline().add(pageNo, pageFileName(filePath_, pageNo, ".jpg"));
    }
}

void ScanAnalysis::pagesFinal(int pages) {
    if (options_ && combine_) {
        for (int n = 1; n <= pages; ++n) {
            pipeline().add(n, pageFileName(filePath_, n, ".jpg"));
        }
    }
}

std::optional<PageAnalyses> ScanAnalysis::finish(std::stop_token stop) {
    if (!options_) {
        return PageAnalyses{};
    }
    std::optional<PageAnalyses> findings = pipeline().finish(std::move(stop));
    for (const auto& [pageNo, analysis] : findings.value_or(PageAnalyses{})) {
        for (const std::string& failure : analysis.failures) {
            diagWarning(failure);
        }
    }
    return findings;
}

int pagesWithoutText(const PageAnalyses& findings) {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& entry) {
        return entry.second.textMissing;
    }));
}

}  // namespace scandesk
