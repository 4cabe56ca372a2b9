// PDF assembly, read back by independent readers (poppler's tools).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include "devices/page_sizes.h"
#include "imaging/page_files.h"
#include "imaging/save_pdf.h"
#include "imaging/skew.h"
#include "imaging_fixtures.h"
#include "support/rendered_sheet.h"

namespace scandesk {
namespace {

using testing::entries;
using testing::fileBytes;
using testing::TempDir;

/// A fixed moment, so the PDF's name is known in advance.
const std::chrono::system_clock::time_point kWhen =
    std::chrono::system_clock::from_time_t(1709647629);

/// What a shell command writes on standard output, every run of blanks squeezed to one.
std::string commandOutput(const std::string& command) {
    struct PipeClose {
        void operator()(FILE* pipe) const { ::pclose(pipe); }
    };
    std::unique_ptr<FILE, PipeClose> pipe(::popen(command.c_str(), "r"));
    std::string output;
    std::array<char, 4096> chunk{};
    while (pipe && std::fgets(chunk.data(), chunk.size(), pipe.get())) {
        for (const char* c = chunk.data(); *c != '\0'; ++c) {
            if (!(*c == ' ' && !output.empty() && output.back() == ' ')) {
                output += *c;
            }
        }
    }
    return output;
}

/// A receive directory with page files 1 ... count, grey and colour by turns, and an
/// output directory beside it.
struct PdfJob {
    TempDir receive;
    TempDir output;
    PageJob param = testing::jobParam(receive, "CGRAY", 2432, 3441);

    explicit PdfJob(int count) {
        for (int n = 1; n <= count; ++n) {
            const bool colour = n % 2 == 0;
            const Image page =
                testing::markedPage(colour ? 118 : 243, colour ? 179 : 344,
                                    colour ? PixelFormat::Rgb32 : PixelFormat::Gray8);
            EXPECT_FALSE(writeFileAtomically(pageFile(n), testing::encodedPage(page)));
        }
    }
    std::string pageFile(int n) const { return pageFileName(param.filePath, n, ".jpg"); }
    std::string pdf(const std::string& suffix = "") const {
        return output.path() + "/" + timeStampName(kWhen) + suffix + ".pdf";
    }
    Outcome<std::string> save(int pages, PageSize size) const {
        return writePdf(jobPdfPages(param, pages), mediaBoxFor(size, param.rotation), output.path(),
                        kWhen);
    }
};

// Points, portrait, turned for landscape pages; a row for every size a PDF can have.
TEST(Pdf, MediaBoxes) {
    using enum PageSize;
    const std::vector<std::tuple<PageSize, int64_t, MediaBox>> rows{
        {a4, 0, {595, 842}},      {a4, 180, {595, 842}},    {a4, 270, {842, 595}},
        {a6, 0, {298, 420}},      {a6, 90, {420, 298}},     {letter, 0, {611, 791}},
        {photo4R, 0, {288, 432}}, {legal, 90, {1008, 612}}, {a5, 0, {420, 595}},
        {b5Jis, 0, {514, 725}},   {b5Iso, 0, {498, 708}},   {folio, 0, {609, 935}},
    };
    for (const auto& [size, angle, box] : rows) {
        EXPECT_EQ(mediaBoxFor(size, static_cast<Rotation>(angle / 90)), box)
            << toText(size) << " " << angle;
    }
    for (const PageSizeRow& size : kPageSizes) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                                [&](const auto& row) { return std::get<0>(row) == size.size; }))
            << toText(size.size) << " has no row";
    }
}

TEST(Pdf, EveryPageEmbedsItsPageFileUnchangedOverTheWholeMediaBox) {
    PdfJob job(3);
    ASSERT_EQ(job.save(3, PageSize::a6).value, job.pdf());
    ASSERT_EQ(entries(job.output), std::vector<std::string>{timeStampName(kWhen) + ".pdf"});

    const std::string info = commandOutput("pdfinfo -f 1 -l 3 '" + job.pdf() + "' 2>&1");
    EXPECT_NE(info.find("Pages: 3"), std::string::npos) << info;
    for (int n = 1; n <= 3; ++n) {
        // A6 has its own box, not A4's: printed at its real size.
        EXPECT_NE(info.find("Page " + std::to_string(n) + " size: 298 x 420 pts"),
                  std::string::npos)
            << info;
    }
    // pdfimages -j writes DCT streams out as they are stored.
    const std::string prefix = job.output.path() + "/extracted";
    commandOutput("pdfimages -j '" + job.pdf() + "' '" + prefix + "'");
    for (int n = 1; n <= 3; ++n) {
        const Bytes extracted = fileBytes(prefix + "-00" + std::to_string(n - 1) + ".jpg");
        EXPECT_FALSE(extracted.empty());
        EXPECT_EQ(extracted, fileBytes(job.pageFile(n))) << n;
    }
}

TEST(Pdf, PagesWithLargeMetadataBeforeTheFrameAreEmbeddedWhole) {
    PdfJob job(1);
    Bytes jpeg = fileBytes(job.pageFile(1));
    // Two 40000-byte application segments between the start marker and the frame.
    Bytes segment{0xFF, 0xE1, 0x9C, 0x40};
    segment.resize(40002, 'x');
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    ASSERT_FALSE(writeFileAtomically(job.pageFile(1), jpeg));

    ASSERT_TRUE(job.save(1, PageSize::a4));
    const std::string prefix = job.output.path() + "/extracted";
    commandOutput("pdfimages -j '" + job.pdf() + "' '" + prefix + "'");
    EXPECT_EQ(fileBytes(prefix + "-000.jpg"), jpeg);
}

// Pages are turned by the viewer only: the page keeps its box and its bytes.
TEST(Pdf, PagesAreTurnedByTheirRotateEntry) {
    PdfJob job(4);
    std::vector<PdfPage> pages;
    for (int n = 1; n <= 4; ++n) {
        PdfPage page;
        page.file = job.pageFile(n);
        page.quarterTurns = std::vector<int>{1, 0, -1, 6}[n - 1];
        pages.push_back(page);
    }
    const Outcome<std::string> written = writePdf(pages, {298, 420}, job.output.path(), kWhen);
    ASSERT_TRUE(written) << written.error;
    EXPECT_EQ(*written.value, job.pdf());
    const std::string info = commandOutput("pdfinfo -f 1 -l 4 '" + job.pdf() + "' 2>&1");
    for (const auto& [n, rotation] : {std::pair{1, 90}, {2, 0}, {3, 270}, {4, 180}}) {
        EXPECT_NE(info.find("Page " + std::to_string(n) + " rot: " + std::to_string(rotation)),
                  std::string::npos)
            << info;
        EXPECT_NE(info.find("Page " + std::to_string(n) + " size: 298 x 420 pts"),
                  std::string::npos);
    }
    const std::string prefix = job.output.path() + "/extracted";
    commandOutput("pdfimages -j '" + job.pdf() + "' '" + prefix + "'");
    EXPECT_EQ(fileBytes(prefix + "-000.jpg"), fileBytes(job.pageFile(1)));
}

/// A grey PGM file (pdftoppm's output) as a page of the given nominal size.
Image readPgm(const std::string& path, double widthPoints, double heightPoints) {
    const Bytes bytes = fileBytes(path);
    std::string header(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 32));
    int width = 0;
    int height = 0;
    int consumed = 0;
    if (std::sscanf(header.c_str(), "P5 %d %d 255%n", &width, &height, &consumed) != 2 ||
        bytes.size() != static_cast<size_t>(consumed) + 1 + size_t(width) * height) {
        ADD_FAILURE() << path << " is not a grey PGM file";
        return {};
    }
    Image page{Raster(width, height, PixelFormat::Gray8), widthPoints, heightPoints};
    for (int y = 0; y < height; ++y) {
        std::memcpy(page.raster.row(y), bytes.data() + consumed + 1 + size_t(y) * width, width);
    }
    return page;
}

// Each skewed page is drawn turned back by its measured skew (after its quarter turns),
// so what a viewer shows is straight, while the page file is embedded as it is.
TEST(Pdf, SkewedPagesAreShownStraightWithTheirFilesUnchanged) {
    using testing::Sheet;
    using testing::SheetKind;
    const Sheet sheets[] = {{SheetKind::Text, 0.5}, {SheetKind::Text, -1.5},
                            {SheetKind::Text, 3},   {SheetKind::Text, -5},
                            {SheetKind::Text, 5},   {SheetKind::Text, 2, 2}};
    TempDir dir;
    std::vector<PdfPage> pages;
    for (const Sheet& sheet : sheets) {
        PdfPage page;
        page.file = dir.path() + "/page-" + std::to_string(pages.size() + 1) + ".jpg";
        const Bytes jpeg = testing::sheetJpeg(sheet);
        ASSERT_FALSE(writeFileAtomically(page.file, jpeg));
        page.quarterTurns = -sheet.quarterTurns;
        page.skewDegrees = measureSkew(*decodeJpegGreyReduced(jpeg, 150).value).value_or(99);
        pages.push_back(page);
    }
    const Outcome<std::string> written = writePdf(pages, {595, 842}, dir.path(), kWhen);
    ASSERT_TRUE(written) << written.error;
    commandOutput("pdftoppm -gray -r 100 '" + *written.value + "' '" + dir.path() + "/shown'");
    commandOutput("pdfimages -all '" + *written.value + "' '" + dir.path() + "/embedded'");
    for (size_t n = 0; n < pages.size(); ++n) {
        SCOPED_TRACE(sheets[n].skewDegrees);
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%d.pgm", static_cast<int>(n + 1));
        const std::optional<double> residual =
            measureSkew(readPgm(dir.path() + "/shown" + suffix, 595, 842));
        ASSERT_TRUE(residual.has_value());
        EXPECT_LE(std::abs(*residual), 0.3);
        std::snprintf(suffix, sizeof suffix, "-%03d.jpg", static_cast<int>(n));
        EXPECT_EQ(fileBytes(dir.path() + "/embedded" + suffix), fileBytes(pages[n].file));
    }
}

TEST(Pdf, AnExistingDocumentIsNeverReplaced) {
    PdfJob job(1);
    ASSERT_FALSE(writeFileAtomically(job.pdf(), toBytes("an earlier document")));
    // The writer names the file it took.
    ASSERT_EQ(job.save(1, PageSize::a4).value, job.pdf("-2"));
    ASSERT_EQ(job.save(1, PageSize::a4).value, job.pdf("-3"));

    EXPECT_EQ(fileBytes(job.pdf()), toBytes("an earlier document"));
    const std::string stamp = timeStampName(kWhen);
    EXPECT_EQ(entries(job.output),
              (std::vector<std::string>{stamp + "-2.pdf", stamp + "-3.pdf", stamp + ".pdf"}));
}

TEST(Pdf, MissingOrDamagedPagesMeanNoDocument) {
    PdfJob job(2);
    EXPECT_FALSE(job.save(3, PageSize::a4));
    ASSERT_FALSE(writeFileAtomically(job.pageFile(2), toBytes("damaged")));
    EXPECT_FALSE(job.save(2, PageSize::a4));
    EXPECT_TRUE(entries(job.output).empty());
}

}  // namespace
}  // namespace scandesk
