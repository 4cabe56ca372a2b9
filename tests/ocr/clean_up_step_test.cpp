// The clean-up step in the per-page pipeline, on sheets rendered at test time.
#include <gtest/gtest.h>

#include "imaging/page_files.h"
#include "ocr/clean_up_step.h"
#include "ocr/page_pipeline.h"
#include "support/rendered_sheet.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

using testing::Sheet;
using testing::SheetKind;

// Blank pages are found and go no further; the others are turned upright by Tesseract's
// orientation (upside down and sideways) and their skew is read as they lie.
TEST(CleanUpStep, BlankTurnAndSkewOfEachPage) {
    struct Row {
        Sheet sheet;
        bool blank;
        int quarterTurns;
    };
    const Row rows[] = {
        {{SheetKind::Text, 2}, false, 0},     {{SheetKind::Text, -1.5, 2}, false, 2},
        {{SheetKind::Text, 3, 1}, false, 3},  {{SheetKind::Text, -4, 3}, false, 1},
        {{SheetKind::Noise}, true, 0},        {{SheetKind::PunchHoles}, true, 0},
        {{SheetKind::OneLineNote}, false, 0},
    };
    testing::TempDir dir;
    PagePipeline pipeline({2, {cleanUpStep({true, true, true})}, {}});
    for (size_t n = 0; n < std::size(rows); ++n) {
        const std::string file =
            pageFileName(dir.path() + "/page", static_cast<int>(n + 1), ".jpg");
        ASSERT_FALSE(writeFileAtomically(file, testing::sheetJpeg(rows[n].sheet)));
        pipeline.add(static_cast<int>(n + 1), file);
    }
    const auto found = pipeline.finish({});
    ASSERT_TRUE(found.has_value());
    for (size_t n = 0; n < std::size(rows); ++n) {
        SCOPED_TRACE(n + 1);
        const PageAnalysis& page = found->at(static_cast<int>(n + 1));
        EXPECT_TRUE(page.failures.empty());
        EXPECT_EQ(page.blank, rows[n].blank);
        EXPECT_EQ(page.quarterTurns, rows[n].quarterTurns);
        EXPECT_NEAR(page.skewDegrees, rows[n].blank ? 0 : rows[n].sheet.skewDegrees, 0.1);
    }
}

}  // namespace
}  // namespace scandesk
