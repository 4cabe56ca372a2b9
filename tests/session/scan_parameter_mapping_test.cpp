// The mapping from the user's choices to scan parameters, and the file name prefix.
#include "session/scan_parameter_mapping.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "imaging/page_files.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

// A scanner whose feeder list differs from the flatbed list, so the chosen list shows
// in the result.
Device tableScanner() {
    Device d;
    d.transport = Transport::network;
    d.scanSource = {ScanSource::automatic, ScanSource::feeder, ScanSource::flatbed};
    d.adfResolution = {200, 300, 600};
    d.fbResolution = {200, 300, 600, 1200};
    d.paperSize = {PageSize::a4,    PageSize::a5,     PageSize::b5Jis,
                   PageSize::b5Iso, PageSize::letter, PageSize::photo4R,
                   PageSize::a6,    PageSize::folio,  PageSize::legal};
    return d;
}

using enum PageSize;
using enum ColorMode;
using enum CombineType;
constexpr ScanSource AUTO = ScanSource::automatic;
constexpr ScanSource ADF = ScanSource::feeder;
constexpr ScanSource FB = ScanSource::flatbed;
constexpr FileType kImage = FileType::image;
constexpr FileType kPdf = FileType::pdf;

struct MappingRow {
    const char* name;
    PageSize page;
    ScanSource source;
    int dpi;
    ColorMode mode;
    FileType fileType;
    CombineType combine;
    Rotation rotation;
    int64_t w, h;
    const char* storedAs;  // the page files' extension
    Rotation turn;         // of the page files
};

void PrintTo(const MappingRow& row, std::ostream* out) {
    *out << row.name;
}

class Mapping : public ::testing::TestWithParam<MappingRow> {};

TEST_P(Mapping, GivesTheAreaResolutionAndFileType) {
    const MappingRow& row = GetParam();
    ScanRequest request;
    std::tie(request.pageSize, request.source, request.dpi, request.colorMode, request.fileType,
             request.combine, request.rotation) =
        std::tie(row.page, row.source, row.dpi, row.mode, row.fileType, row.combine, row.rotation);
    request.prefix = "scan";
    const auto param = mapScanParameter(request, tableScanner());
    ASSERT_TRUE(param.has_value());
    EXPECT_EQ(std::tie(param->w, param->h, param->dpi), std::tie(row.w, row.h, row.dpi));
    EXPECT_EQ(std::tie(param->mode, param->source, param->combine),
              std::tie(row.mode, row.source, row.combine));
    const PageJob job = pageJobFor(request, *param, "/s/20240305140709");
    EXPECT_EQ(job.filePath, "/s/20240305140709/scan");
    EXPECT_EQ(std::string(pageExtension(job)), row.storedAs);
    EXPECT_EQ(job.rotation, row.turn);
    EXPECT_EQ(std::tie(job.w, job.h, job.dpi), std::tie(param->w, param->h, param->dpi));
}

constexpr Rotation R0 = Rotation::none;
constexpr Rotation R90 = Rotation::quarter;
constexpr Rotation R180 = Rotation::half;
constexpr Rotation R270 = Rotation::threeQuarters;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, Mapping, ::testing::Values(
    //          name              page    src  dpi   mode        file    comb    rot   w     h      stored  turn
    MappingRow{"A4Gray300Rot90",  a4,     ADF, 300,  color,      kImage, none,   R90,  2432, 3441,  ".jpg", R90},
    MappingRow{"A4Text200Pdf",    a4,     ADF, 200,  blackWhite, kPdf,   none,   R0,   1632, 2294,  ".jpg", R0},
    MappingRow{"LetterText600",   letter, ADF, 600,  blackWhite, kImage, none,   R0,   5056, 6468,  ".bmp", R0},
    MappingRow{"A4Flatbed1200",   a4,     FB,  1200, color,      kImage, none,   R180, 9728, 13764, ".jpg", R180},
    MappingRow{"A4Auto200",       a4,     AUTO,200,  color,      kImage, none,   R0,   1621, 2294,  ".jpg", R0},
    MappingRow{"R4Text200",       photo4R,FB,  200,  blackWhite, kImage, none,   R0,   768,  1196,  ".bmp", R0},
    MappingRow{"LegalGrey600",    legal,  ADF, 600,  gray,       kImage, none,   R0,   5056, 8256,  ".jpg", R0},
    MappingRow{"IdCardHalfPage",  a4,     ADF, 300,  color,      kImage, idCard, R0,   2432, 1720,  ".jpg", R0},
    MappingRow{"PdfTurned",       a4,     ADF, 300,  color,      kPdf,   none,   R270, 2432, 3441,  ".jpg", R270},
    // Turning is for colour and grey pages that are not combined.
    MappingRow{"TextNeverTurned", a4,     ADF, 300,  blackWhite, kPdf,   none,   R90,  2432, 3441,  ".jpg", R0},
    MappingRow{"CombinedNotTurned",a4,    FB,  300,  gray,       kImage, vertical, R90, 2432, 3441, ".jpg", R0},
    // Every size's area at 300 dpi and its black-and-white width at 200: the stored pages'
    // pixel sizes depend on them.
    MappingRow{"A5Grey300", a5, ADF, 300, gray, kImage, none, R0, 1728, 2433, ".jpg", R0},
    MappingRow{"B5JisGrey300", b5Jis, ADF, 300, gray, kImage, none, R0, 2112, 2979, ".jpg", R0},
    MappingRow{"B5IsoGrey300", b5Iso, ADF, 300, gray, kImage, none, R0, 2048, 2887, ".jpg", R0},
    MappingRow{"B5IsoText200", b5Iso, ADF, 200, blackWhite, kImage, none, R0, 1376, 1924, ".bmp", R0},
    MappingRow{"LetterText200", letter, ADF, 200, blackWhite, kImage, none, R0, 1696, 2156, ".bmp", R0},
    MappingRow{"R4Grey300", photo4R, FB, 300, gray, kImage, none, R0, 1184, 1795, ".jpg", R0},
    MappingRow{"A6Grey300", a6, ADF, 300, gray, kImage, none, R0, 1216, 1716, ".jpg", R0},
    MappingRow{"A6Text200", a6, ADF, 200, blackWhite, kImage, none, R0, 800, 1144, ".bmp", R0},
    MappingRow{"FolioGrey300", folio, ADF, 300, gray, kImage, none, R0, 2528, 3808, ".jpg", R0},
    MappingRow{"FolioText200", folio, ADF, 200, blackWhite, kImage, none, R0, 1664, 2538, ".bmp", R0},
    MappingRow{"LegalText200", legal, ADF, 200, blackWhite, kImage, none, R0, 1664, 2752, ".bmp", R0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Mapping, WhatTheScannerDoesNotOfferStopsTheMapping) {
    Device scanner = tableScanner();
    std::erase(scanner.paperSize, PageSize::folio);
    for (void (*spoil)(ScanRequest&) : {
             +[](ScanRequest& r) { r.source = ADF, r.dpi = 1200; },  // a flatbed resolution
             +[](ScanRequest& r) { r.pageSize = folio; },
             +[](ScanRequest& r) { r.dpi = 150; },
         }) {
        ScanRequest request;
        spoil(request);
        EXPECT_FALSE(requestFitsScanner(request, scanner));
        EXPECT_FALSE(mapScanParameter(request, scanner).has_value());
    }
    EXPECT_TRUE(requestFitsScanner(ScanRequest{}, scanner));
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
