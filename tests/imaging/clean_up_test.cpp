// Blank-page judgement and skew measurement on sheets rendered at test time.
#include <gtest/gtest.h>

#include "imaging/blank_page.h"
#include "imaging/cleaned_pages.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_cleanup.h"
#include "imaging/page_files.h"
#include "imaging/set_aside.h"
#include "imaging/skew.h"
#include "imaging_fixtures.h"
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

// The steps run in order on the stored page: a blank page goes no further, the reader of
// orientation sees the page only when turning is chosen, skew is read on the page as it lies.
TEST(PageCleanUp, StepsRunInOrderOnTheStoredPage) {
    const CleanUpChoices all{true, true, true};
    struct Row {
        Sheet sheet;
        CleanUpChoices choices;
        int readTurns;  // what the orientation reader says
        PageFindings expected;
        bool read;  // whether the reader saw the page
    };
    const Row rows[] = {
        {{SheetKind::Noise}, all, 2, {true, 0, 0}, false},
        {{SheetKind::Text, 2.5, 2}, all, 2, {false, 2, 2.5}, true},
        {{SheetKind::Text, -1.5, 1}, all, -3, {false, 1, -1.5}, true},
        {{SheetKind::Text, 0.05}, all, 0, {false, 0, 0}, true},
        {{SheetKind::Text, 3}, {false, true, false}, 2, {false, 0, 3}, false},
        {{SheetKind::Noise}, {false, false, true}, 2, {false, 2, 0}, true},
        {{SheetKind::OneLineNote, -2}, {true, false, false}, 2, {false, 0, 0}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << static_cast<int>(row.sheet.kind) << " " << row.sheet.skewDegrees);
        bool read = false;
        const Outcome<PageFindings> found =
            examinePage(sheetJpeg(row.sheet), row.choices, [&](const Image&) {
                read = true;
                return std::optional<int>(row.readTurns);
            });
        ASSERT_TRUE(found) << found.error;
        EXPECT_EQ(found.value->blank, row.expected.blank);
        EXPECT_EQ(found.value->quarterTurns, row.expected.quarterTurns);
        EXPECT_NEAR(found.value->skewDegrees, row.expected.skewDegrees, 0.1);
        EXPECT_EQ(read, row.read);
    }
    EXPECT_FALSE(examinePage(toBytes("not a page"), all, {}));
}

TEST(PageCleanUp, PagesSetAsideKeepTheirNamesAndBytes) {
    TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"/page-0002.jpg", "/page-0005.jpg", "/page-0007.jpg"}) {
        files.push_back(dir.path() + name);
        ASSERT_FALSE(writeFileAtomically(files.back(), toBytes(name)));
    }
    ASSERT_TRUE(std::filesystem::create_directory(dir.path() + "/blank"));
    const Outcome<std::string> folder = setAsidePages({files[0], files[2]}, dir.path() + "/blank");
    ASSERT_TRUE(folder) << folder.error;
    EXPECT_EQ(*folder.value, dir.path() + "/blank-2");
    EXPECT_EQ(entries(dir), (std::vector<std::string>{"blank", "blank-2", "page-0005.jpg"}));
    EXPECT_EQ(fileBytes(*folder.value + "/page-0002.jpg"), toBytes("/page-0002.jpg"));
    EXPECT_EQ(fileBytes(*folder.value + "/page-0007.jpg"), toBytes("/page-0007.jpg"));
    // A page that is not there stops the move; nothing else is lost.
    EXPECT_FALSE(setAsidePages({files[0], files[1]}, dir.path() + "/again"));
    EXPECT_EQ(fileBytes(files[1]), toBytes("/page-0005.jpg"));
}

// Blank pages leave the document for their folder unchanged; the rest keep their order,
// and a turn goes into the page file itself only when the files are the output.
TEST(PageCleanUp, FindingsAppliedToTheScansPageFiles) {
    const std::vector<PageFindings> findings{
        {false, 1, 0}, {true, 0, 0}, {false, 0, 2.5}, {true, 0, 0}};
    for (bool turnFiles : {false, true}) {
        TempDir dir;
        std::vector<std::string> files;
        std::vector<Bytes> stored;
        for (int n = 1; n <= 4; ++n) {
            files.push_back(pageFileName(dir.path() + "/page", n, ".jpg"));
            stored.push_back(sheetJpeg({n % 2 ? SheetKind::Text : SheetKind::Noise}, 100));
            ASSERT_FALSE(writeFileAtomically(files.back(), stored.back()));
        }
        const Outcome<CleanedPages> cleaned =
            applyFindings(files, findings, dir.path() + "/blank", turnFiles);
        ASSERT_TRUE(cleaned) << cleaned.error;
        ASSERT_EQ(cleaned.value->kept.size(), 2u);
        EXPECT_EQ(cleaned.value->kept[0].file, files[0]);
        EXPECT_EQ(cleaned.value->kept[0].quarterTurns, turnFiles ? 0 : 1);
        EXPECT_EQ(cleaned.value->kept[1].file, files[2]);
        EXPECT_EQ(cleaned.value->kept[1].skewDegrees, 2.5);
        EXPECT_EQ(cleaned.value->setAside, 2);
        EXPECT_EQ(cleaned.value->folder, dir.path() + "/blank");
        EXPECT_EQ(fileBytes(dir.path() + "/blank/page-0002.jpg"), stored[1]);
        EXPECT_EQ(fileBytes(dir.path() + "/blank/page-0004.jpg"), stored[3]);
        EXPECT_EQ(fileBytes(files[2]), stored[2]);
        const JpegInfo first = readJpegInfo(fileBytes(files[0])).value.value();
        EXPECT_EQ(first.width > first.height, turnFiles);
    }
}

}  // namespace
}  // namespace scandesk::testing
