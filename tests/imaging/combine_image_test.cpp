// Two-in-one pages: where each page lands, how many files are left, and no page lost.
#include <gtest/gtest.h>

#include "imaging/combine_image.h"
#include "imaging/page_files.h"
#include "imaging_fixtures.h"

namespace scandesk {
namespace {

using testing::entries;
using testing::TempDir;

/// Grey level of the mark of page n, so that probes tell pages apart.
int markLevel(int n) {
    return (n - 1) % 3 * 90;
}

/// A job of the combine type whose page files 1 ... `pages` are written.
PageJob combineJob(const TempDir& dir, int64_t w, int64_t h, const std::string& type, int pages,
                   PixelFormat format = PixelFormat::Gray8) {
    PageJob param = testing::jobParam(dir, "GRAY256", w, h);
    param.combine = parseOption<CombineType>(type).value();
    for (int n = 1; n <= pages; ++n) {
        const Image page = testing::markedPage(int(w), int(h), format, uint8_t(markLevel(n)));
        EXPECT_FALSE(writeFileAtomically(pageFileName(param.filePath, n, ".jpg"),
                                         testing::encodedPage(page)));
    }
    return param;
}

struct Probe {
    int x;
    int y;
    int slot;  // 1 or 2: the mark of that page of the pair; 0: white
};

struct CombineRow {
    std::string type;
    int oriation;
    int pages;
    int w;
    int h;
    PixelFormat format;
    std::vector<std::string> files;
    int sheetW;
    int sheetH;
    std::vector<Probe> probes;
};

// Pages are laid on their side (counter-clockwise one above the other, clockwise side by
// side) into the two halves; an ID card's sides stay upright.
TEST(CombineImage, PairsOfPagesShareOneSheet) {
    const std::vector<CombineRow> rows{
        {"CombinVertical",
         1,
         4,
         240,
         345,
         PixelFormat::Gray8,
         {"page-0001.jpg", "page-0002.jpg"},
         240,
         345,
         {{20, 160, 1}, {20, 332, 2}, {120, 0, 0}, {200, 60, 0}, {200, 230, 0}, {20, 100, 0}}},
        {"CombinVertical",
         1,
         3,
         120,
         170,
         PixelFormat::Rgb32,
         {"page-0001.jpg", "page-0002.jpg"},
         120,
         170,
         {{10, 80, 1}, {10, 166, 2}, {100, 30, 0}}},
        {"CombinHorizontal",
         0,
         2,
         240,
         345,
         PixelFormat::Gray8,
         {"page-0001.jpg"},
         345,
         240,
         {{160, 20, 1}, {332, 20, 2}, {20, 20, 0}, {192, 200, 0}, {344, 120, 0}}},
        {"IDCard",
         1,
         2,
         240,
         172,
         PixelFormat::Gray8,
         {"page-0001.jpg"},
         240,
         344,
         {{20, 20, 1}, {20, 192, 2}, {200, 100, 0}, {200, 300, 0}}},
    };
    for (const CombineRow& row : rows) {
        SCOPED_TRACE(row.type + " " + std::to_string(row.pages));
        const TempDir dir;
        const PageJob param = combineJob(dir, row.w, row.h, row.type, row.pages, row.format);
        ASSERT_EQ(combineImage(row.pages, row.oriation, param),
                  std::optional(static_cast<int>(row.files.size())));
        ASSERT_EQ(entries(dir), row.files);
        for (int sheet = 1; sheet <= int(row.files.size()); ++sheet) {
            const Image combined =
                testing::readJpegPage(pageFileName(param.filePath, sheet, ".jpg"));
            ASSERT_EQ(combined.raster.width(), row.sheetW);
            ASSERT_EQ(combined.raster.height(), row.sheetH);
            EXPECT_EQ(combined.raster.format(), row.format);
            for (const Probe& probe : row.probes) {
                const int page = 2 * sheet - 2 + probe.slot;
                const int expected = probe.slot == 0 || page > row.pages ? 255 : markLevel(page);
                EXPECT_NEAR(testing::greyAt(combined.raster, probe.x, probe.y), expected, 30)
                    << "sheet " << sheet << " at " << probe.x << "," << probe.y;
            }
        }
    }
}

TEST(CombineImage, AFailureLosesNoPage) {
    const TempDir dir;
    const PageJob param = combineJob(dir, 240, 344, "CombinVertical", 3);
    ASSERT_FALSE(writeFileAtomically(dir.path() + "/page-0004.jpg", toBytes("damaged")));
    const Bytes thirdPage = testing::fileBytes(dir.path() + "/page-0003.jpg");

    EXPECT_EQ(combineImage(4, 1, param), std::nullopt);

    // Pages 1 and 2 are in the combined file 1; pages 3 and 4 keep their own files.
    EXPECT_EQ(entries(dir),
              (std::vector<std::string>{"page-0001.jpg", "page-0003.jpg", "page-0004.jpg"}));
    EXPECT_EQ(testing::fileBytes(dir.path() + "/page-0003.jpg"), thirdPage);
    EXPECT_EQ(testing::readJpegPage(dir.path() + "/page-0001.jpg").raster.height(), 344);

    const TempDir empty;
    EXPECT_FALSE(combineImage(2, 1, combineJob(empty, 240, 344, "CombinVertical", 0)));
}

}  // namespace
}  // namespace scandesk
