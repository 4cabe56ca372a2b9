// PDF assembly, read back by independent readers (poppler's tools and qpdf).
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "imaging/page_files.h"
#include "imaging/save_pdf.h"
#include "imaging_fixtures.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::commandOutput;
using testing::fileBytes;
using testing::jobParam;
using testing::ScratchDir;

/// A fixed moment, so the PDF's name is known in advance.
const std::chrono::system_clock::time_point kWhen =
    std::chrono::system_clock::from_time_t(1709647629);

/// A receive directory with page files 1 ... count of alternating pixel sizes and
/// formats, and an output directory beside it.
struct PdfJob {
    ScratchDir receive;
    ScratchDir output;
    ScanParam param = jobParam(receive, "CGRAY", 2432, 3441);

    explicit PdfJob(int count) {
        for (int n = 1; n <= count; ++n) {
            const bool colour = n % 2 == 0;
            const Bytes jpeg = testing::encodedPage(
                testing::markedPage(colour ? 118 : 243, colour ? 179 : 344,
                                    colour ? PixelFormat::Rgb32 : PixelFormat::Gray8));
            EXPECT_FALSE(writeFileAtomically(pageFileName(param.filePath, n, ".jpg"), jpeg));
        }
    }
    std::string pdf(const std::string& suffix = "") const {
        return output.file(timeStampName(kWhen) + suffix + ".pdf");
    }
};

TEST(Pdf, MediaBoxesFollowTheTableAndTurnForLandscape) {
    const std::vector<std::tuple<std::string, int64_t, MediaBox>> rows{
        {"A4", 0, {595, 842}},      {"A4", 180, {595, 842}},    {"A4", 270, {842, 595}},
        {"A5", 90, {595, 420}},     {"B5(JIS)", 0, {514, 725}}, {"B5(ISO)", 0, {498, 708}},
        {"Letter", 0, {611, 791}},  {"4R", 0, {288, 432}},      {"Folio", 0, {609, 935}},
        {"Legal", 90, {1008, 612}}, {"A6", 90, {420, 298}},     {"a4", 0, {595, 842}},
    };
    for (const auto& [size, angle, box] : rows) {
        EXPECT_EQ(mediaBoxFor(size, angle), box) << size << " " << angle;
    }
}

TEST(Pdf, EveryPageEmbedsItsPageFileUnchangedOverTheWholeMediaBox) {
    PdfJob job(3);
    ASSERT_EQ(save2PDFAt(job.param, 3, job.output.path().string(), "Letter", kWhen),
              (ResultPair{true, "saveSuccessfully"}));
    ASSERT_EQ(job.output.entries(), std::vector<std::string>{timeStampName(kWhen) + ".pdf"});
    EXPECT_EQ(timeStampName(kWhen).size(), 14u);

    const std::string pdf = job.pdf();
    EXPECT_NE(commandOutput("qpdf --check '" + pdf + "' 2>&1").find("No syntax or stream"),
              std::string::npos);
    const std::string info = commandOutput("pdfinfo -f 1 -l 3 '" + pdf + "' 2>&1");
    EXPECT_NE(info.find("Pages: 3"), std::string::npos) << info;
    for (int n = 1; n <= 3; ++n) {
        EXPECT_NE(info.find("Page " + std::to_string(n) + " size: 611 x 791 pts"),
                  std::string::npos)
            << info;
    }
    const std::string list = commandOutput("pdfimages -list '" + pdf + "'");
    EXPECT_NE(list.find("1 0 image 243 344 gray 1 8 jpeg"), std::string::npos) << list;
    EXPECT_NE(list.find("2 1 image 118 179 rgb 3 8 jpeg"), std::string::npos) << list;

    // pdfimages -j writes DCT streams out as they are stored.
    const std::string prefix = job.output.file("extracted");
    commandOutput("pdfimages -j '" + pdf + "' '" + prefix + "'");
    for (int n = 1; n <= 3; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "-%03d.jpg", n - 1);
        const Bytes extracted = fileBytes(prefix + name);
        EXPECT_FALSE(extracted.empty());
        EXPECT_EQ(extracted, fileBytes(pageFileName(job.param.filePath, n, ".jpg"))) << n;
    }
}

TEST(Pdf, LandscapeA6AndUnknownSizesAsReadBack) {
    const std::vector<std::tuple<std::string, int64_t, std::string>> rows{
        {"A4", 90, "842 x 595"},
        {"A6", 0, "298 x 420"},  // its own box, not A4's: printed at its real size
        {"a6", 0, "595 x 842"},
    };
    for (const auto& [size, angle, points] : rows) {
        PdfJob job(1);
        job.param.rotateAngle = angle;
        ASSERT_TRUE(save2PDFAt(job.param, 1, job.output.path().string(), size, kWhen).status);
        const std::string info = commandOutput("pdfinfo '" + job.pdf() + "'");
        EXPECT_NE(info.find("Page size: " + points + " pts"), std::string::npos) << size << info;
    }
}

TEST(Pdf, NoPagesGiveAValidEmptyDocument) {
    PdfJob job(0);
    ASSERT_TRUE(save2PDFAt(job.param, 0, job.output.path().string(), "A4", kWhen).status);
    // Poppler refuses documents without pages; qpdf reads them.
    EXPECT_EQ(commandOutput("qpdf --show-npages '" + job.pdf() + "' 2>&1"), "0\n");
    EXPECT_NE(commandOutput("qpdf --check '" + job.pdf() + "' 2>&1").find("No syntax or stream"),
              std::string::npos);
}

TEST(Pdf, AnExistingDocumentIsNeverReplaced) {
    PdfJob job(1);
    const std::string dir = job.output.path().string();
    ASSERT_FALSE(writeFileAtomically(job.pdf(), toBytes("an earlier document")));
    ASSERT_TRUE(save2PDFAt(job.param, 1, dir, "A4", kWhen).status);
    ASSERT_TRUE(save2PDFAt(job.param, 1, dir, "A4", kWhen).status);

    EXPECT_EQ(fileBytes(job.pdf()), toBytes("an earlier document"));
    const std::string stamp = timeStampName(kWhen);
    EXPECT_EQ(job.output.entries(),
              (std::vector<std::string>{stamp + "-2.pdf", stamp + "-3.pdf", stamp + ".pdf"}));
    EXPECT_EQ(fileBytes(job.pdf("-2")).size(), fileBytes(job.pdf("-3")).size());
}

TEST(Pdf, MissingOrDamagedPagesOrNoDirectoryMeanNoDocument) {
    PdfJob job(2);
    testing::CapturedLines lines;
    const std::string dir = job.output.path().string();
    EXPECT_EQ(save2PDFAt(job.param, 3, dir, "A4", kWhen), (ResultPair{false, "saveImageError"}));
    ASSERT_FALSE(
        writeFileAtomically(pageFileName(job.param.filePath, 2, ".jpg"), toBytes("damaged")));
    EXPECT_FALSE(save2PDFAt(job.param, 2, dir, "A4", kWhen).status);
    EXPECT_FALSE(save2PDFAt(job.param, -1, dir, "A4", kWhen).status);
    EXPECT_TRUE(job.output.entries().empty());
    EXPECT_FALSE(save2PDFAt(job.param, 1, dir + "/missing", "A4", kWhen).status);
    EXPECT_EQ(lines.lines().size(), 4u);
    EXPECT_TRUE(lines.containsFragment("save image error = "));
}

TEST(Pdf, NamesTheDocumentAfterTheCurrentTime) {
    PdfJob job(1);
    const std::string before = timeStampName(std::chrono::system_clock::now());
    ASSERT_TRUE(save2PDF(job.param, 1, job.output.path().string(), "A4").status);
    const std::string after = timeStampName(std::chrono::system_clock::now());
    const std::vector<std::string> names = job.output.entries();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0] == before + ".pdf" || names[0] == after + ".pdf") << names[0];
}

TEST(Pdf, PagesWithLargeMetadataBeforeTheFrameAreEmbeddedWhole) {
    PdfJob job(1);
    const std::string page = pageFileName(job.param.filePath, 1, ".jpg");
    Bytes jpeg = fileBytes(page);
    // Two 40000-byte application segments between the start marker and the frame.
    Bytes segment{0xFF, 0xE1, 0x9C, 0x40};
    segment.resize(40002, 'x');
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    ASSERT_FALSE(writeFileAtomically(page, jpeg));

    ASSERT_TRUE(save2PDFAt(job.param, 1, job.output.path().string(), "A4", kWhen).status);
    const std::string prefix = job.output.file("extracted");
    commandOutput("pdfimages -j '" + job.pdf() + "' '" + prefix + "'");
    EXPECT_EQ(fileBytes(prefix + "-000.jpg"), jpeg);
}

}  // namespace
}  // namespace scandesk
