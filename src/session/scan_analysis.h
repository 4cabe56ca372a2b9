// The per-page analysis of one scan pass: its pipeline, fed as pages are stored.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "imaging/page_job.h"
#include "ocr/page_pipeline.h"
#include "session/scan_request.h"

namespace scandesk {

/// The findings of a scan's pages by page number; a page without an entry was not
/// analysed.
using PageAnalyses = std::map<int, PageAnalysis>;

/// Told as pages are analysed: pages done, pages handed over so far.
using AnalysisProgress = std::function<void(int done, int total)>;

/// The steps the choices ask for, in pipeline order; empty when none is.
std::vector<PageStepFactory> analysisSteps(const ScanRequest& request);

/// The analysis of one scan pass. Inactive (every call a no-op) unless a step is asked
/// for and the pages are not kept for review. Pages stored during the scan are analysed at once;
/// combined pages only once they are combined. Dropping it stops the work at once.
class ScanAnalysis {
  public:
    ScanAnalysis(const ScanRequest& request, const PageJob& job, bool combine,
                 AnalysisProgress progress);

    /// A page file of the scan is stored (the number it is stored as).
    void pageStored(int pageNo);
    /// The page files 1 ... `pages` are final (after combining) and are analysed now
    /// unless they already were.
    void pagesFinal(int pages);
    /// Waits for the findings; nothing when `stop` comes first. Empty when inactive.
    std::optional<PageAnalyses> finish(std::stop_token stop);

  private:
    /// The pipeline, started on first use.
    PagePipeline& pipeline();

    std::string filePath_;
    bool combine_ = false;
    std::optional<PipelineOptions> options_;  // set when active
    std::unique_ptr<PagePipeline> pipeline_;
};

/// How many pages had recognition asked for and failed.
int pagesWithoutText(const PageAnalyses& findings);

}  // namespace scandesk
