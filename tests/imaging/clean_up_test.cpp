// Blank-page judgement and skew measurement on sheets rendered at test time.
#include <gtest/gtest.h>

#include "imaging/blank_page.h"
#include "imaging/jpeg_codec.h"
#include "imaging/skew.h"
#include "support/rendered_sheet.h"

namespace scandesk::testing {
namespace {

/// The page file of a sheet as the clean-up steps read it.
Image reducedPage(const Sheet& sheet, double dotsPerInch = 75) {
    const Bytes jpeg = sheetJpeg(sheet);
    return decodeJpegGreyReduced(jpeg, dotsPerInch).value.value();
}

TEST(BlankPage, ContentIsKeptAndOnlyEmptySheetsAreBlank) {
    struct Row {
        Sheet sheet;
        PageContent expected;
    };
    const Row rows[] = {
        {{SheetKind::Text}, PageContent::Content},
        {{SheetKind::Text, 4, 2}, PageContent::Content},
        {{SheetKind::OneLineNote}, PageContent::Content},
        {{SheetKind::OneLineNote, -3}, PageContent::Content},
        {{SheetKind::SmallPrint}, PageContent::Content},
        {{SheetKind::PunchHoles}, PageContent::Blank},
        {{SheetKind::PunchHoles, 2, 2}, PageContent::Blank},
        {{SheetKind::Noise}, PageContent::Blank},
        {{SheetKind::BleedThrough}, PageContent::Blank},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.sheet.kind));
        EXPECT_EQ(judgePageContent(reducedPage(row.sheet)), row.expected);
    }
}

TEST(Skew, MeasuredWithinATenthOfADegreeOnPagesWithLines) {
    const Sheet rows[] = {
        {SheetKind::Text, 0},     {SheetKind::Text, 0.5},    {SheetKind::Text, -0.5},
        {SheetKind::Text, 1.5},   {SheetKind::Text, -2.2},   {SheetKind::Text, 3.7},
        {SheetKind::Text, 5},     {SheetKind::Text, -5},     {SheetKind::Text, 2.4, 2},
        {SheetKind::Text, -1, 1}, {SheetKind::Text, 4.1, 3}, {SheetKind::OneLineNote, -3},
    };
    for (const Sheet& sheet : rows) {
        SCOPED_TRACE(::testing::Message()
                     << sheet.skewDegrees << " deg, turns " << sheet.quarterTurns);
        const std::optional<double> skew =
            measureSkew(reducedPage(sheet, 150), sheet.quarterTurns % 2);
        ASSERT_TRUE(skew.has_value());
        EXPECT_NEAR(*skew, sheet.skewDegrees, 0.1);
    }
}

TEST(Skew, NothingToMeasureOnPagesWithoutLines) {
    for (SheetKind kind : {SheetKind::Noise, SheetKind::PunchHoles, SheetKind::BleedThrough}) {
        EXPECT_FALSE(measureSkew(reducedPage({kind}, 150))) << static_cast<int>(kind);
    }
}

}  // namespace
}  // namespace scandesk::testing
