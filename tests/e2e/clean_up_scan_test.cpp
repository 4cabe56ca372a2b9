// Clean-up from scandesk-cli against the virtual scanner serving rendered sheets: blank
// pages set aside byte for byte, the rest straightened and upright in the PDF with their
// images unchanged, page files turned losslessly, and the usage errors.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "child_process.h"
#include "imaging/lossless_turn.h"
#include "imaging/page_files.h"
#include "imaging/skew.h"
#include "support/rendered_sheet.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::Sheet;
using testing::SheetKind;
using testing::TempDir;

constexpr std::chrono::seconds kRunLimit{90};

// What the stack holds, in feeding order; which are blank.
const Sheet kStack[] = {{SheetKind::Text, 3},       {SheetKind::Noise},
                        {SheetKind::Text, -1.5, 2}, {SheetKind::OneLineNote, 0.8},
                        {SheetKind::PunchHoles},    {SheetKind::BleedThrough}};
const bool kBlank[] = {false, true, false, false, true, true};

/// The files under `dir` whose names end with `suffix`, sorted.
std::vector<std::string> filesIn(const std::string& dir, const std::string& suffix) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = entry.path().string();
        if (name.size() >= suffix.size() && name.ends_with(suffix)) {
            found.push_back(name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

/// Scans the stack with the extra options into `dir`; the outcome line.
std::string scanStack(const std::vector<std::string>& served, const std::string& dir,
                      std::vector<std::string> extra) {
    std::vector<std::string> options{"--pages", std::to_string(served.size())};
    for (const std::string& file : served) {
        options.insert(options.end(), {"--page-file", file});
    }
    const testing::VirtualScanner scanner(options);
    std::vector<std::string> argv{
        SCANDESK_CLI,   "scan",  "--net",   "127.0.0.1", "--port", std::to_string(scanner.port()),
        "--dir",        dir,     "--model", "Tessel T3", "--mode", "GRAY256",
        "--resolution", "300dpi"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    const testing::ProgramRun run = testing::runProgram(argv, "", kRunLimit);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");  // nothing from Tesseract beside the outcome
    return run.out.substr(run.out.rfind("info:") == std::string::npos ? 0 : run.out.rfind("info:"));
}

/// The embedded images of a PDF, in page order.
std::vector<Bytes> imagesOf(const std::string& pdf, const std::string& prefix) {
    testing::runProgram({"pdfimages", "-all", pdf, prefix}, "", std::chrono::seconds(20));
    std::vector<Bytes> images;
    for (const std::string& file : filesIn(fs::path(prefix).parent_path(), ".jpg")) {
        if (file.starts_with(prefix + "-")) {
            images.push_back(*readWholeFile(file).value);
        }
    }
    return images;
}

/// A grey PGM file as a page of A4's nominal size.
Image readPgm(const std::string& path) {
    const Bytes bytes = *readWholeFile(path).value;
    int width = 0;
    int height = 0;
    int header = 0;
    std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P5 %d %d 255%n", &width, &height,
                &header);
    Image page{Raster(width, height, PixelFormat::Gray8), 595, 842};
    for (int y = 0; y < height; ++y) {
        std::memcpy(page.raster.row(y), bytes.data() + header + 1 + size_t(y) * width, width);
    }
    return page;
}

TEST(CleanUpScan, BlankPagesSetAsideTheRestStraightAndUprightImagesUnchanged) {
    const TempDir temp;
    std::vector<std::string> served;
    for (const Sheet& sheet : kStack) {
        served.push_back(temp.path() + "/served-" + std::to_string(served.size()) + ".jpg");
        ASSERT_FALSE(writeFileAtomically(served.back(), testing::sheetJpeg(sheet)));
    }
    const std::string plain = temp.path() + "/plain";
    const std::string cleaned = temp.path() + "/cleaned";
    const std::string files = temp.path() + "/files";
    for (const std::string& dir : {plain, cleaned, files}) {
        fs::create_directory(dir);
    }
    EXPECT_EQ(scanStack(served, plain, {"--format", "pdf"}), "info: Scanned 6 page(s).\n");
    const std::vector<Bytes> stored =
        imagesOf(filesIn(plain, ".pdf").at(0), temp.path() + "/plain-image");
    ASSERT_EQ(stored.size(), 6u);

    const std::string line =
        scanStack(served, cleaned, {"--format", "pdf", "--blank", "skip", "--deskew", "--orient"});
    const std::vector<std::string> setAside = filesIn(cleaned, ".jpg");
    ASSERT_EQ(setAside.size(), 3u);
    const std::string folder = fs::path(setAside[0]).parent_path().string();
    EXPECT_EQ(line, "info: Scanned 6 page(s). 3 blank page(s) set aside in " + folder + ".\n");
    const std::vector<Bytes> shown =
        imagesOf(filesIn(cleaned, ".pdf").at(0), temp.path() + "/cleaned-image");
    std::vector<Bytes> kept;
    std::vector<Bytes> blank;
    for (size_t n = 0; n < stored.size(); ++n) {
        (kBlank[n] ? blank : kept).push_back(stored[n]);
    }
    EXPECT_EQ(shown, kept);
    for (size_t n = 0; n < blank.size(); ++n) {
        EXPECT_EQ(*readWholeFile(setAside[n]).value, blank[n]) << setAside[n];
    }
    const std::string info =
        testing::runProgram({"pdfinfo", "-f", "1", "-l", "3", filesIn(cleaned, ".pdf").at(0)}, "",
                            std::chrono::seconds(20))
            .out;
    for (const char* turn : {"Page    1 rot:   0", "Page    2 rot:   180", "Page    3 rot:   0"}) {
        EXPECT_NE(info.find(turn), std::string::npos) << info;
    }
    testing::runProgram(
        {"pdftoppm", "-gray", "-r", "100", filesIn(cleaned, ".pdf").at(0), temp.path() + "/r"}, "",
        std::chrono::seconds(20));
    for (const std::string& rendering : filesIn(temp.path(), ".pgm")) {
        const std::optional<double> residual = measureSkew(readPgm(rendering));
        ASSERT_TRUE(residual.has_value()) << rendering;
        EXPECT_LE(std::abs(*residual), 0.3) << rendering;
    }

    // Page files: the blank ones set aside, the upside-down one turned without loss.
    EXPECT_EQ(scanStack(served, files, {"--format", "image", "--blank", "skip", "--orient"})
                  .rfind("info: Scanned 6 page(s). 3 blank page(s) set aside in ", 0),
              0u);
    std::vector<Bytes> pages;
    std::vector<Bytes> aside;
    for (const std::string& file : filesIn(files, ".jpg")) {
        (file.find("-blank/") != std::string::npos ? aside : pages)
            .push_back(*readWholeFile(file).value);
    }
    EXPECT_EQ(aside, blank);
    EXPECT_EQ(pages, (std::vector<Bytes>{kept[0], *turnJpeg(kept[1], 2).value, kept[2]}));
}

}  // namespace
}  // namespace scandesk
