// One step of the per-page pipeline (blank check, orientation, skew, recognition) and the
// page it works on.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "common/bytes.h"
#include "imaging/image.h"
#include "imaging/outcome.h"
#include "ocr/page_analysis.h"

namespace scandesk {

/// A stored page as the steps see it: its number, its file and, each read once on first
/// use, the file's bytes and its decoded image.
class PageContext {
  public:
    PageContext(int pageNo, std::string file);

    int pageNo() const { return pageNo_; }
    const std::string& file() const { return file_; }
    /// The page file's bytes, or why they cannot be read.
    const Outcome<Bytes>& bytes();
    /// The page file decoded at full size, or why it cannot be.
    const Outcome<Image>& image();
    /// Dots per inch of the page file (from its nominal size; 300 when unknown).
    int dotsPerInch();

  private:
    int pageNo_;
    std::string file_;
    std::optional<Outcome<Bytes>> bytes_;
    std::optional<Outcome<Image>> image_;
};

/// A step of the pipeline. Each worker thread has its own instance, made on that thread,
/// so a step may keep per-thread state (a Tesseract engine) without locks.
class PageStep {
  public:
    virtual ~PageStep() = default;
    /// Adds what the step finds to `analysis`, in the order of the steps (a later step
    /// sees what an earlier one found). A failure is recorded in `analysis` by the step;
    /// the later steps still run. A stop request should end the step soon.
    virtual void run(PageContext& page, PageAnalysis& analysis, std::stop_token stop) = 0;
};

/// Makes a worker's instance of a step, on the worker's thread.
using PageStepFactory = std::function<std::unique_ptr<PageStep>()>;

}  // namespace scandesk
