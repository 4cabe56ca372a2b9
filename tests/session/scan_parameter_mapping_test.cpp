// The mapping from the user's choices to scan parameters, as one table of cases.
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

// A scanner whose lists hold every page size (and one unknown) and whose feeder list
// differs from the flatbed list at index 3, so the chosen list shows in the result.
Device tableScanner() {
    Device d;
    d.name = "table";
    d.type = "Net";
    d.scanSource = {"AUTO", "ADF", "FB"};
    d.adfResolution = {"200dpi", "300dpi", "600dpi", "150dpi"};
    d.fbResolution = {"200dpi", "300dpi", "600dpi", "1200dpi"};
    d.paperSize = {"A4", "A5", "B5(JIS)", "B5(ISO)", "Letter", "4R", "A6", "Legal", "Folio", "A3"};
    d.hasScreen = false;
    return d;
}

enum Page { A4, A5, B5JIS, B5ISO, Letter, R4, A6, Legal, Folio, A3 };
enum Source { AUTO, ADF, FB };
enum Mode { CGRAY, GRAY256, TEXT };
enum Combine { NoCombine, Horizontal, Vertical, IDCard };

struct MappingRow {
    const char* name;
    int page, source, resolution, mode, saveType, combine, rotate;
    int64_t w, h, dpi;
    const char* resolutionText;
    const char* compression;
    const char* fileType;
    int64_t rotateAngle;
};

// Rows print as their names in test listings.
void PrintTo(const MappingRow& row, std::ostream* out) {
    *out << row.name;
}

UIParams choices(const MappingRow& row) {
    UIParams ui;
    ui.pageSizeIndex = row.page;
    ui.scanSourceIndex = row.source;
    ui.resolutionIndex = row.resolution;
    ui.colorModeIndex = row.mode;
    ui.saveTypeIndex = row.saveType;
    ui.combineTypeIndex = row.combine;
    ui.rotateAngleIndex = row.rotate;
    ui.contentTypeIndex = 1;
    ui.fileNamePrefix = "scan";
    return ui;
}

class Mapping : public ::testing::TestWithParam<MappingRow> {};

TEST_P(Mapping, GivesTheAreaResolutionAndFileType) {
    const MappingRow& row = GetParam();
    const auto param = mapScanParameter(choices(row), tableScanner(), "/s/20240305140709");
    ASSERT_TRUE(param.has_value());
    EXPECT_EQ(param->w, row.w);
    EXPECT_EQ(param->h, row.h);
    EXPECT_EQ(param->dpi, row.dpi);
    EXPECT_EQ(param->resolution, row.resolutionText);
    EXPECT_EQ(param->compression, row.compression);
    EXPECT_EQ(param->fileType, row.fileType);
    EXPECT_EQ(param->rotateAngle, row.rotateAngle);
    EXPECT_EQ(param->mode, colorModeOption()[row.mode]);
    EXPECT_EQ(param->source, tableScanner().scanSource[row.source]);
    EXPECT_EQ(param->combineType, combineTypeOption()[row.combine]);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, Mapping, ::testing::Values(
    //          name              page    src  res mode    save comb     rot  w     h      dpi   resolution   compr   file    angle
    MappingRow{"A4Gray300Rot90",  A4,     ADF, 1,  CGRAY,  0,   NoCombine, 1, 2432, 3441,  300,  "300,300",   "JPEG", "JPEG", 90},
    MappingRow{"A4Text200",       A4,     ADF, 0,  TEXT,   0,   NoCombine, 0, 1632, 2294,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"A4Text200Pdf",    A4,     ADF, 0,  TEXT,   1,   NoCombine, 0, 1632, 2294,  200,  "200,200",   "BMP",  "PDF",  0},
    MappingRow{"A4Grey200",       A4,     ADF, 0,  GRAY256,0,   NoCombine, 0, 1621, 2294,  200,  "200,200",   "JPEG", "JPEG", 0},
    MappingRow{"A5Text200",       A5,     ADF, 0,  TEXT,   0,   NoCombine, 0, 1152, 1622,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"LetterText600",   Letter, ADF, 2,  TEXT,   0,   NoCombine, 0, 5056, 6468,  600,  "600,600",   "BMP",  "BMP",  0},
    MappingRow{"A4Flatbed1200",   A4,     FB,  3,  CGRAY,  0,   NoCombine, 2, 9728, 13764, 1200, "1200,1200", "JPEG", "JPEG", 180},
    MappingRow{"UnknownResIs200", A4,     AUTO,3,  CGRAY,  0,   NoCombine, 0, 1621, 2294,  200,  "200,200",   "JPEG", "JPEG", 0},
    MappingRow{"UnknownResText",  A4,     ADF, 3,  TEXT,   0,   NoCombine, 0, 1632, 2294,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"UnknownPageIsA4", A3,     ADF, 0,  TEXT,   0,   NoCombine, 0, 1621, 2294,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"UnknownPage300",  A3,     ADF, 1,  CGRAY,  0,   NoCombine, 0, 2432, 3441,  300,  "300,300",   "JPEG", "JPEG", 0},
    MappingRow{"R4Text200",       R4,     FB,  0,  TEXT,   0,   NoCombine, 0, 768,  1196,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"A6Text200",       A6,     ADF, 0,  TEXT,   0,   NoCombine, 0, 800,  1144,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"B5IsoText200",    B5ISO,  ADF, 0,  TEXT,   0,   NoCombine, 0, 1376, 1924,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"B5JisText200",    B5JIS,  ADF, 0,  TEXT,   0,   NoCombine, 0, 1408, 1986,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"FolioText200",    Folio,  ADF, 0,  TEXT,   0,   NoCombine, 0, 1664, 2538,  200,  "200,200",   "BMP",  "BMP",  0},
    MappingRow{"LegalText300",    Legal,  ADF, 1,  TEXT,   0,   NoCombine, 0, 2528, 4128,  300,  "300,300",   "BMP",  "BMP",  0},
    MappingRow{"LegalGrey600",    Legal,  ADF, 2,  GRAY256,0,   NoCombine, 0, 5056, 8256,  600,  "600,600",   "JPEG", "JPEG", 0},
    MappingRow{"IdCardHalfPage",  A4,     ADF, 1,  CGRAY,  0,   IDCard,    2, 2432, 1720,  300,  "300,300",   "JPEG", "JPEG", 0},
    MappingRow{"IdCardText200",   A4,     FB,  0,  TEXT,   1,   IDCard,    0, 1632, 1147,  200,  "200,200",   "BMP",  "PDF",  0},
    MappingRow{"VerticalNoTurn",  A4,     ADF, 1,  CGRAY,  0,   Vertical,  3, 2432, 3441,  300,  "300,300",   "JPEG", "JPEG", 0},
    MappingRow{"HorizontalNoTurn",A4,     ADF, 1,  CGRAY,  1,   Horizontal,1, 2432, 3441,  300,  "300,300",   "JPEG", "PDF",  0},
    MappingRow{"AnySaveTypeIsPdf",A4,     ADF, 1,  CGRAY,  7,   NoCombine, 3, 2432, 3441,  300,  "300,300",   "JPEG", "PDF",  270},
    MappingRow{"NegativeSaveType",A4,     ADF, 1,  GRAY256,-1,  NoCombine, 0, 2432, 3441,  300,  "300,300",   "JPEG", "PDF",  0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Mapping, FixedValuesPathAndScannerFlags) {
    UIParams ui;
    ui.contentTypeIndex = 2;
    ui.fileNamePrefix = "scan";
    Device scanner = tableScanner();
    scanner.hasScreen = true;
    const auto param = mapScanParameter(ui, scanner, "/Users/a/Scans/20240305140709");
    ASSERT_TRUE(param.has_value());
    EXPECT_EQ(param->filePath, "/Users/a/Scans/20240305140709/scan");
    EXPECT_EQ(param->type, "TYPE");
    EXPECT_EQ(std::tie(param->compressRatio, param->brightness, param->contrast, param->duplex),
              std::make_tuple("MID", "50", "50", "SIN"));
    EXPECT_EQ(std::tie(param->gamma, param->x, param->y), std::make_tuple(1, 0, 0));
    EXPECT_TRUE(param->hasScreen);
    EXPECT_FALSE(param->isSecondScan);
}

struct OutsideRow {
    const char* name;
    void (*spoil)(UIParams&);
};

void PrintTo(const OutsideRow& row, std::ostream* out) {
    *out << row.name;
}

class IndexOutsideItsList : public ::testing::TestWithParam<OutsideRow> {};

TEST_P(IndexOutsideItsList, StopsTheMapping) {
    UIParams ui;
    GetParam().spoil(ui);
    EXPECT_FALSE(choicesFitScanner(ui, tableScanner()));
    EXPECT_FALSE(mapScanParameter(ui, tableScanner(), "/tmp/x").has_value());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EveryIndex, IndexOutsideItsList, ::testing::Values(
    OutsideRow{"SourceNegative",     [](UIParams& u) { u.scanSourceIndex = -1; }},
    OutsideRow{"PagePastEnd",        [](UIParams& u) { u.pageSizeIndex = 10; }},
    OutsideRow{"ResolutionPastEnd",  [](UIParams& u) { u.resolutionIndex = 4; }},
    OutsideRow{"ModePastEnd",        [](UIParams& u) { u.colorModeIndex = 3; }},
    OutsideRow{"ContentPastEnd",     [](UIParams& u) { u.contentTypeIndex = 3; }},
    OutsideRow{"CombinePastEnd",     [](UIParams& u) { u.combineTypeIndex = 4; }},
    OutsideRow{"RotatePastEnd",      [](UIParams& u) { u.rotateAngleIndex = 4; }}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(FileNamePrefix, IsANameNotAPathAndFitsTheNameLimit) {
    const testing::TempDir dir;
    // The longest page file's temporary name, ".<prefix>-0001.jpg.<10 digits>.tmp", must fit.
    const size_t longest = static_cast<size_t>(::pathconf(dir.path().c_str(), _PC_NAME_MAX)) - 25;
    const std::vector<std::tuple<std::string, bool, bool>> rows{
        // prefix, a name, fits
        {"scan", true, true},
        {"..scan 2024", true, true},
        {"扫描", true, true},
        {"a/b", false, true},
        {"../escape", false, true},
        {"/etc/x", false, true},
        {std::string("a\0b", 3), false, true},
        {std::string(longest, 'p'), true, true},
        {std::string(longest + 1, 'p'), true, false},
        {std::string(300, 'p'), true, false},
        {std::string(longest - 1, 'p') + "é", true, false},  // bytes count, not characters
    };
    for (const auto& [prefix, name, fits] : rows) {
        SCOPED_TRACE(prefix);
        EXPECT_EQ(isValidFileNamePrefix(prefix), name);
        EXPECT_EQ(prefixFitsNameLimit(dir.path(), prefix), fits);
        if (name && fits) {
            EXPECT_EQ(writeFileAtomically(pageFileName(dir.path() + "/" + prefix, 1, ".jpg"),
                                          toBytes("page")),
                      std::nullopt);
        }
    }
    EXPECT_FALSE(prefixFitsNameLimit(dir.path() + "/missing", std::string(300, 'p')));
}

}  // namespace
}  // namespace scandesk
