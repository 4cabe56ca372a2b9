// Searchable PDFs from scandesk-cli against the virtual scanner serving rendered text pages:
// the text of each page on its page, images identical to a scan without recognition, a
// stop during recognition, and the usage errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "imaging/page_files.h"
#include "support/temp_dir.h"
#include "support/text_page.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::TempDir;
using testing::VirtualScanner;

constexpr std::chrono::seconds kRunLimit{60};

/// Writes the pages as JPEG files the virtual scanner serves; their paths.
std::vector<std::string> pageFiles(const TempDir& dir,
                                   const std::vector<std::vector<std::string>>& pages) {
    std::vector<std::string> files;
    for (const auto& lines : pages) {
        const std::string file = dir.path() + "/served-" + std::to_string(files.size()) + ".jpg";
        EXPECT_FALSE(writeFileAtomically(
            file, testing::pageJpeg(testing::renderTextPage(lines, "DejaVu Sans", 12, 2480, 900))));
        files.push_back(file);
    }
    return files;
}

std::vector<std::string> scannerOptions(const std::vector<std::string>& files, int pages,
                                        const std::string& gap) {
    std::vector<std::string> options{"--pages", std::to_string(pages), "--page-gap", gap};
    for (const std::string& file : files) {
        options.insert(options.end(), {"--page-file", file});
    }
    return options;
}

std::vector<std::string> scan(uint16_t port, const std::string& dir,
                              std::vector<std::string> extra) {
    std::vector<std::string> argv{
        SCANDESK_CLI, "scan", "--net",        "127.0.0.1", "--port", std::to_string(port),
        "--dir",      dir,    "--model",      "Tessel T3", "--mode", "GRAY256",
        "--format",   "pdf",  "--resolution", "300dpi"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
}

/// The one PDF under `dir`, or "".
std::string pdfIn(const std::string& dir) {
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.path().extension() == ".pdf") {
            return entry.path().string();
        }
    }
    return "";
}

std::string output(const std::vector<std::string>& argv) {
    return testing::runProgram(argv, "", std::chrono::seconds(20)).out;
}

// Pages arriving more slowly than they are recognised: each page's words on its own page
// of the PDF, the images byte for byte those of the same scan without --ocr.
TEST(OcrScan, SlowPagesGiveASearchablePdfWithTheSameImages) {
    const TempDir temp;
    const std::vector<std::string> served =
        pageFiles(temp, {{"Harbour invoice number 4721"}, {"Second page lists the parcels"}});
    const std::vector<std::string> expected{"Harbour invoice number 4721",
                                            "Second page lists the parcels"};
    std::array<std::string, 2> pdfs;
    for (int ocr = 0; ocr < 2; ++ocr) {
        const std::string out = temp.path() + "/out" + std::to_string(ocr);
        fs::create_directory(out);
        const VirtualScanner scanner(scannerOptions(served, 3, ocr ? "400" : "0"));
        const ProgramRun run = testing::runProgram(
            scan(scanner.port(), out,
                 ocr ? std::vector<std::string>{"--ocr", "eng"} : std::vector<std::string>{}),
            "", kRunLimit);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.substr(run.out.rfind("info:")), "info: Scanned 3 page(s).\n");
        pdfs[ocr] = pdfIn(out);
        ASSERT_EQ(testing::pdfPageCount(pdfs[ocr]), 3);
    }
    for (int page = 1; page <= 3; ++page) {
        const std::string text = output(
            {"pdftotext", "-f", std::to_string(page), "-l", std::to_string(page), pdfs[1], "-"});
        EXPECT_NE(text.find(expected[(page - 1) % 2]), std::string::npos) << page << ": " << text;
        EXPECT_EQ(text.find(expected[page % 2]), std::string::npos) << page << ": " << text;
        EXPECT_EQ(output({"pdftotext", "-f", std::to_string(page), "-l", std::to_string(page),
                          pdfs[0], "-"}),
                  "\f");
    }
    for (int ocr = 0; ocr < 2; ++ocr) {
        testing::runProgram(
            {"pdfimages", "-all", pdfs[ocr], temp.path() + "/img" + std::to_string(ocr)}, "",
            std::chrono::seconds(20));
    }
    for (const char* page : {"-000.jpg", "-001.jpg", "-002.jpg"}) {
        const auto plain = readWholeFile(temp.path() + "/img0" + page);
        ASSERT_TRUE(plain) << plain.error;
        EXPECT_EQ(*plain.value, *readWholeFile(temp.path() + "/img1" + page).value) << page;
    }
}

// A stop while a page is being recognised ends the scan as cancelled: pages kept, no PDF.
TEST(OcrScan, AStopDuringRecognitionKeepsThePagesAndWritesNoPdf) {
    const TempDir temp;
    std::vector<std::string> dense;
    for (int line = 0; line < 40; ++line) {
        dense.push_back("Dense lines of words keep the recogniser busy for a while " +
                        std::to_string(line));
    }
    const std::string file = temp.path() + "/dense.jpg";
    ASSERT_FALSE(writeFileAtomically(
        file, testing::pageJpeg(testing::renderTextPage(dense, "DejaVu Sans", 10, 2480, 3508))));
    fs::create_directory(temp.path() + "/out");
    const VirtualScanner scanner({"--pages", "2", "--page-gap", "5000", "--page-file", file});
    std::vector<std::string> argv = scan(scanner.port(), temp.path() + "/out", {"--ocr", "eng"});
    argv.insert(argv.begin(), {"timeout", "--preserve-status", "-s", "SIGINT", "1.5"});
    const ProgramRun run = testing::runProgram(argv, "", kRunLimit);
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.out.find("error: The scan was cancelled. 1 page(s) kept in"), std::string::npos)
        << run.out;
    EXPECT_EQ(pdfIn(temp.path() + "/out"), "");
}

// Refused before the scanner is contacted (nobody listens on the port).
TEST(OcrScan, UsageErrorsNameTheProblemAndTheInstalledLanguages) {
    const TempDir temp;
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows{
        {{"--ocr", "eng", "--format", "image"}, "--ocr writes its text into a PDF"},
        {{"--ocr", "klingon"}, "the language(s) klingon are not installed; installed: "},
        {{"--ocr", "eng+xx_yy"}, "the language(s) xx_yy are not installed; installed: "},
        {{"--ocr", "eng+"}, "is not a list of language codes joined by +; installed: "},
    };
    for (const auto& [options, problem] : rows) {
        const ProgramRun run = testing::runProgram(scan(1, temp.path(), options), "", kRunLimit);
        EXPECT_EQ(run.status, 2) << problem;
        EXPECT_NE(run.err.find(problem), std::string::npos) << run.err;
        if (problem.ends_with("installed: ")) {
            EXPECT_NE(run.err.find("chi_sim+eng"), std::string::npos) << run.err;
        }
    }
}

}  // namespace
}  // namespace scandesk
