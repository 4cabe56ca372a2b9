// Blank-page judgement and skew measurement on sheets rendered at test time.
#include <gtest/gtest.h>

#include "imaging/blank_page.h"
#include "imaging/jpeg_codec.h"
#include "support/rendered_sheet.h"

namespace scandesk::testing {
namespace {

/// The page file of a sheet as the clean-up steps read it.
Image reducedPage(const Sheet& sheet) {
    const Bytes jpeg = sheetJpeg(sheet);
    return decodeJpegGreyReduced(jpeg, 75).value.value();
}

TEST(BlankPage, ContentIsKeptAndOnlyEmptySheetsAreBlank) {
    struct Row {
        Sheet sheet;
        PageContent expected;
    };
    const Row rows[] = {
        {{SheetKind::Text}, PageContent::Content},
        {{SheetKind::Text, 4, true}, PageContent::Content},
        {{SheetKind::OneLineNote}, PageContent::Content},
        {{SheetKind::OneLineNote, -3}, PageContent::Content},
        {{SheetKind::SmallPrint}, PageContent::Content},
        {{SheetKind::PunchHoles}, PageContent::Blank},
        {{SheetKind::PunchHoles, 2, true}, PageContent::Blank},
        {{SheetKind::Noise}, PageContent::Blank},
        {{SheetKind::BleedThrough}, PageContent::Blank},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.sheet.kind));
        EXPECT_EQ(judgePageContent(reducedPage(row.sheet)), row.expected);
    }
}

}  // namespace
}  // namespace scandesk::testing
