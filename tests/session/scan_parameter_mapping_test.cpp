// The mapping from the user's choices to scan parameters, and the file name prefix.
#include "session/scan_parameter_mapping.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "devices/options.h"
#include "imaging/page_files.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

// A scanner whose lists hold several page sizes (and one unknown) and whose feeder list
// differs from the flatbed list at index 3, so the chosen list shows in the result.
Device tableScanner() {
    Device d;
    d.type = "Net";
    d.scanSource = {"AUTO", "ADF", "FB"};
    d.adfResolution = {"200dpi", "300dpi", "600dpi", "150dpi"};
    d.fbResolution = {"200dpi", "300dpi", "600dpi", "1200dpi"};
    d.paperSize = {"A4", "Letter", "4R", "A6", "Legal", "A3"};
    return d;
}

enum Page { A4, Letter, R4, A6, Legal, A3 };
enum Source { AUTO, ADF, FB };
enum Mode { CGRAY, GRAY256, TEXT };
enum Combine { NoCombine, Horizontal, Vertical, IDCard };

struct MappingRow {
    const char* name;
    int page, source, resolution, mode, saveType, combine, rotate;
    int64_t w, h, dpi;
    const char* compression;
    const char* fileType;
    int64_t rotateAngle;
};

void PrintTo(const MappingRow& row, std::ostream* out) {
    *out << row.name;
}

class Mapping : public ::testing::TestWithParam<MappingRow> {};

TEST_P(Mapping, GivesTheAreaResolutionAndFileType) {
    const MappingRow& row = GetParam();
    UIParams ui;
    std::tie(ui.pageSizeIndex, ui.scanSourceIndex, ui.resolutionIndex, ui.colorModeIndex,
             ui.saveTypeIndex, ui.combineTypeIndex, ui.rotateAngleIndex) =
        std::tie(row.page, row.source, row.resolution, row.mode, row.saveType, row.combine,
                 row.rotate);
    ui.fileNamePrefix = "scan";
    const auto param = mapScanParameter(ui, tableScanner(), "/s/20240305140709");
    ASSERT_TRUE(param.has_value());
    EXPECT_EQ(std::tie(param->w, param->h, param->dpi), std::tie(row.w, row.h, row.dpi));
    EXPECT_EQ(param->resolution, std::to_string(row.dpi) + "," + std::to_string(row.dpi));
    EXPECT_EQ(param->compression, row.compression);
    EXPECT_EQ(param->fileType, row.fileType);
    EXPECT_EQ(param->rotateAngle, row.rotateAngle);
    EXPECT_EQ(param->mode, colorModeOption()[row.mode]);
    EXPECT_EQ(param->source, tableScanner().scanSource[row.source]);
    EXPECT_EQ(param->combineType, combineTypeOption()[row.combine]);
    EXPECT_EQ(param->filePath, "/s/20240305140709/scan");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, Mapping, ::testing::Values(
    //          name              page    src  res mode    save comb       rot  w     h      dpi   compr   file    angle
    MappingRow{"A4Gray300Rot90",  A4,     ADF, 1,  CGRAY,  0,   NoCombine, 1,   2432, 3441,  300,  "JPEG", "JPEG", 90},
    MappingRow{"A4Text200Pdf",    A4,     ADF, 0,  TEXT,   1,   NoCombine, 0,   1632, 2294,  200,  "BMP",  "PDF",  0},
    MappingRow{"LetterText600",   Letter, ADF, 2,  TEXT,   0,   NoCombine, 0,   5056, 6468,  600,  "BMP",  "BMP",  0},
    MappingRow{"A4Flatbed1200",   A4,     FB,  3,  CGRAY,  0,   NoCombine, 2,   9728, 13764, 1200, "JPEG", "JPEG", 180},
    MappingRow{"UnknownResIs200", A4,     AUTO,3,  CGRAY,  0,   NoCombine, 0,   1621, 2294,  200,  "JPEG", "JPEG", 0},
    MappingRow{"R4Text200",       R4,     FB,  0,  TEXT,   0,   NoCombine, 0,   768,  1196,  200,  "BMP",  "BMP",  0},
    MappingRow{"LegalGrey600",    Legal,  ADF, 2,  GRAY256,0,   NoCombine, 0,   5056, 8256,  600,  "JPEG", "JPEG", 0},
    MappingRow{"IdCardHalfPage",  A4,     ADF, 1,  CGRAY,  0,   IDCard,    2,   2432, 1720,  300,  "JPEG", "JPEG", 0},
    MappingRow{"AnySaveTypeIsPdf",A4,     ADF, 1,  CGRAY,  7,   NoCombine, 3,   2432, 3441,  300,  "JPEG", "PDF",  270}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Mapping, AnIndexOutsideItsListStopsTheMapping) {
    for (void (*spoil)(UIParams&) : {
             +[](UIParams& u) { u.scanSourceIndex = -1; },
             +[](UIParams& u) { u.pageSizeIndex = 6; },
             +[](UIParams& u) { u.resolutionIndex = 4; },
             +[](UIParams& u) { u.colorModeIndex = 3; },
             +[](UIParams& u) { u.contentTypeIndex = 3; },
             +[](UIParams& u) { u.combineTypeIndex = 4; },
             +[](UIParams& u) { u.rotateAngleIndex = 4; },
         }) {
        UIParams ui;
        spoil(ui);
        EXPECT_FALSE(choicesFitScanner(ui, tableScanner()));
        EXPECT_FALSE(mapScanParameter(ui, tableScanner(), "/tmp/x").has_value());
    }
}

TEST(FileNamePrefix, IsANameNotAPathAndFitsTheNameLimit) {
    const testing::TempDir dir;
    // The longest page file's temporary name, ".<prefix>-0001.jpg.<10 digits>.tmp", must fit.
    const size_t longest = static_cast<size_t>(::pathconf(dir.path().c_str(), _PC_NAME_MAX)) - 25;
    const std::string prefix(longest, 'p');
    EXPECT_TRUE(isValidFileNamePrefix(prefix) && prefixFitsNameLimit(dir.path(), prefix));
    EXPECT_EQ(writeFileAtomically(pageFileName(dir.path() + "/" + prefix, 1, ".jpg"), {}),
              std::nullopt);
    EXPECT_FALSE(prefixFitsNameLimit(dir.path(), prefix + "p"));
    EXPECT_FALSE(prefixFitsNameLimit(dir.path(), prefix.substr(1) + "é"));  // bytes count
    EXPECT_FALSE(isValidFileNamePrefix("a/b") || isValidFileNamePrefix(std::string("a\0b", 3)));
}

}  // namespace
}  // namespace scandesk
