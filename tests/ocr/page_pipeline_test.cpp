// The per-page pipeline: every page analysed once by a bounded pool, failures kept to
// their page, a stop that ends the work at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>

#include "imaging/image_rotate.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "ocr/page_pipeline.h"
#include "ocr/recognition_step.h"
#include "ocr/text_layer_words.h"
#include "support/temp_dir.h"
#include "support/text_page.h"

namespace scandesk {
namespace {

using namespace std::chrono_literals;

/// Marks the page with its number and file, after waiting (a little) for other workers to
/// join in, so that an unbounded pool shows more pages at once.
class MarkingStep : public PageStep {
  public:
    explicit MarkingStep(std::atomic<int>& busy) : busy_(busy) {}
    void run(PageContext& page, PageAnalysis& analysis, std::stop_token) override {
        ++busy_;
        const auto until = std::chrono::steady_clock::now() + 50ms;
        while (busy_ < 3 && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(1ms);
        }
        analysis.words.push_back(PdfWord{page.file(), 0, 0, 1, 1, false});
        analysis.skewDegrees = page.pageNo();
        --busy_;
    }

  private:
    std::atomic<int>& busy_;
};

/// Blocks until it is asked to stop.
class BlockingStep : public PageStep {
  public:
    void run(PageContext&, PageAnalysis& analysis, std::stop_token stop) override {
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(1ms);
        }
        analysis.textMissing = true;
    }
};

TEST(PagePipeline, EveryPageOnceByABoundedPoolWithItsOwnFindings) {
    std::atomic<int> busy = 0;
    std::atomic<int> reports = 0;
    PipelineOptions options;
    options.workers = 2;
    options.steps = {[&busy] { return std::make_unique<MarkingStep>(busy); }};
    options.progress = [&reports](int done, int added) {
        EXPECT_LE(done, added);
        ++reports;
    };
    PagePipeline pipeline(std::move(options));
    for (int n = 1; n <= 7; ++n) {
        pipeline.add(n, "page-" + std::to_string(n));
    }
    std::optional<std::map<int, PageAnalysis>> results = pipeline.finish({});
    ASSERT_TRUE(results);
    ASSERT_EQ(results->size(), 7u);
    for (const auto& [pageNo, analysis] : *results) {
        ASSERT_EQ(analysis.words.size(), 1u);
        EXPECT_EQ(analysis.words[0].text, "page-" + std::to_string(pageNo));
        EXPECT_EQ(analysis.skewDegrees, pageNo);
    }
    EXPECT_EQ(reports, 7);
    EXPECT_EQ(pipeline.workers(), 2);
    EXPECT_LE(pipeline.mostAtOnce(), 2);
    EXPECT_EQ(PagePipeline(PipelineOptions{}).workers(), defaultWorkers());
}

TEST(PagePipeline, AStopEndsTheWaitAndTheWorkersAtOnce) {
    PipelineOptions options;
    options.workers = 2;
    options.steps = {[] { return std::make_unique<BlockingStep>(); }};
    auto pipeline = std::make_unique<PagePipeline>(std::move(options));
    for (int n = 1; n <= 3; ++n) {
        pipeline->add(n, "page");
    }
    std::stop_source cancel;
    std::jthread canceller([&cancel] {
        std::this_thread::sleep_for(50ms);
        cancel.request_stop();
    });
    EXPECT_FALSE(pipeline->finish(cancel.get_token()));
    pipeline.reset();  // returns only once the blocked workers have ended
}

/// An orientation step's finding: the third page is shown upright by a quarter turn.
class ThirdPageTurned : public PageStep {
  public:
    void run(PageContext& page, PageAnalysis& analysis, std::stop_token) override {
        analysis.quarterTurns = page.pageNo() == 3 ? 1 : 0;
    }
};

// Recognition on real pages: a page file that cannot be read goes without text, the
// others are recognised, a page stored sideways as an earlier step found it is read
// upright and its words placed in the stored page.
TEST(PagePipeline, APageThatCannotBeReadHasNoTextTheOthersDo) {
    testing::TempDir dir;
    const testing::TextPage page =
        testing::renderTextPage({"Pipeline page with words"}, "DejaVu Sans", 14, 1400, 500);
    const std::vector<std::string> files{dir.path() + "/1.jpg", dir.path() + "/2.jpg",
                                         dir.path() + "/3.jpg"};
    const Bytes jpeg = testing::pageJpeg(page);
    EXPECT_FALSE(writeFileAtomically(files[0], jpeg));
    EXPECT_FALSE(writeFileAtomically(files[1], Bytes(jpeg.begin(), jpeg.begin() + 200)));
    const std::optional<Image> sideways = imageRotate(90, page.image, 1);
    EXPECT_FALSE(writeFileAtomically(files[2], *encodeJpeg(*sideways, 95).value));

    PipelineOptions options;
    options.workers = 2;
    options.steps = {[] { return std::make_unique<ThirdPageTurned>(); }, recognitionStep({"eng"})};
    PagePipeline pipeline(std::move(options));
    for (int n = 1; n <= 3; ++n) {
        pipeline.add(n, files[n - 1]);
    }
    std::optional<std::map<int, PageAnalysis>> results = pipeline.finish({});
    ASSERT_TRUE(results);
    for (int n : {1, 3}) {
        EXPECT_FALSE(results->at(n).textMissing);
        ASSERT_EQ(results->at(n).words.size(), 4u) << n;
        EXPECT_EQ(results->at(n).words[0].text, "Pipeline");
        EXPECT_TRUE(results->at(n).words[0].spaceAfter);
    }
    const PdfWord upright = results->at(1).words[0];
    const PdfWord stored = wordInStoredPage(upright, 1, 1400, 500);
    const PdfWord found = results->at(3).words[0];
    EXPECT_EQ(results->at(3).quarterTurns, 1);
    EXPECT_LE(std::abs(found.x - stored.x) + std::abs(found.y - stored.y) +
                  std::abs(found.w - stored.w) + std::abs(found.h - stored.h),
              8)
        << found.x << "," << found.y << " " << found.w << "x" << found.h;
    EXPECT_TRUE(results->at(2).textMissing);
    EXPECT_TRUE(results->at(2).words.empty());
    EXPECT_EQ(results->at(2).failures.size(), 1u);
}

}  // namespace
}  // namespace scandesk
