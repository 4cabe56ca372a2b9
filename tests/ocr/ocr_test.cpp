// Recognition and the PDF text layer on pages rendered at test time, read back by poppler.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>

#include "imaging/image_rotate.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging/save_pdf.h"
#include "ocr/languages.h"
#include "ocr/tesseract_engine.h"
#include "ocr/text_layer_words.h"
#include "support/temp_dir.h"
#include "support/text_page.h"

namespace scandesk {
namespace {

using testing::PrintedWord;
using testing::TempDir;
using testing::TextPage;

const std::vector<std::string> kEnglish{
    "Invoice 4721 for scanning services", "Delivered to Harbour Street office",
    "Total amount due within thirty days", "Questions? Call the accounts desk"};
const std::vector<std::string> kChinese{"扫描仪把纸质文件变成电子文档", "请在会议之前打印这份报告"};
const std::vector<std::string> kChineseWords{"扫描", "纸质", "文件", "电子", "文档",
                                             "会议", "之前", "打印", "报告"};

std::string run(const std::string& command) {
    struct PipeClose {
        void operator()(FILE* pipe) const { ::pclose(pipe); }
    };
    std::unique_ptr<FILE, PipeClose> pipe(::popen(command.c_str(), "r"));
    std::string output;
    std::array<char, 4096> chunk{};
    while (pipe && std::fgets(chunk.data(), chunk.size(), pipe.get())) {
        output += chunk.data();
    }
    return output;
}

/// Writes the page as a stored page file (the fixed page quality) and returns its path.
std::string storePage(const TextPage& page, const std::string& path) {
    Outcome<Bytes> jpeg = encodeJpeg(page.image);
    EXPECT_TRUE(jpeg) << jpeg.error;
    EXPECT_FALSE(writeFileAtomically(path, *jpeg.value));
    return path;
}

/// The text layer words of a stored page file.
std::vector<PdfWord> recognised(const std::string& file, const std::vector<std::string>& codes) {
    Outcome<TesseractEngine> engine = TesseractEngine::open(codes);
    EXPECT_TRUE(engine) << engine.error;
    Outcome<Image> image = decodeJpeg(*readWholeFile(file).value);
    Outcome<std::vector<RecognisedLine>> lines = engine.value->recognise(image.value->raster, 300);
    EXPECT_TRUE(lines) << lines.error;
    return lines ? textLayerWords(*lines.value) : std::vector<PdfWord>{};
}

/// The words pdftotext finds on a page, with their boxes in points.
std::vector<PrintedWord> pdfWords(const std::string& pdf, int page) {
    const std::string xhtml = run("pdftotext -bbox -f " + std::to_string(page) + " -l " +
                                  std::to_string(page) + " '" + pdf + "' -");
    static const std::regex kWord(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
        "yMax=\"([0-9.]+)\">([^<]*)<");
    std::vector<PrintedWord> words;
    for (std::sregex_iterator it(xhtml.begin(), xhtml.end(), kWord), end; it != end; ++it) {
        const double x0 = std::stod((*it)[1]), y0 = std::stod((*it)[2]);
        words.push_back({(*it)[5], x0, y0, std::stod((*it)[3]) - x0, std::stod((*it)[4]) - y0});
    }
    return words;
}

std::string pageText(const std::string& pdf, int page) {
    return run("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
               " '" + pdf + "' -");
}

TEST(Languages, RequestsAndInstalledCodes) {
    const std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>> rows{
        {"eng", std::vector<std::string>{"eng"}},
        {"chi_sim+eng", std::vector<std::string>{"chi_sim", "eng"}},
        {"eng+eng", std::vector<std::string>{"eng"}},
        {"", std::nullopt},
        {"eng+", std::nullopt},
        {"+eng", std::nullopt},
        {"eng chi_sim", std::nullopt},
        {"../eng", std::nullopt},
    };
    for (const auto& [request, codes] : rows) {
        EXPECT_EQ(parseLanguages(request), codes) << request;
    }
    TempDir dir;
    for (const char* name : {"eng.traineddata", "osd.traineddata", "chi_sim.traineddata",
                             "notes.txt", ".traineddata"}) {
        std::ofstream(dir.path() + "/" + name) << "x";
    }
    const std::vector<std::string> installed = installedLanguages(dir.path());
    EXPECT_EQ(installed, (std::vector<std::string>{"chi_sim", "eng"}));
    EXPECT_EQ(missingLanguages({"eng", "deu", "osd"}, installed),
              (std::vector<std::string>{"deu", "osd"}));
    EXPECT_EQ(joinLanguages({"chi_sim", "eng"}), "chi_sim+eng");
    EXPECT_FALSE(TesseractEngine::open({"eng"}, dir.path()));  // not real trained data
}

// Neighbouring CJK words become one run without spaces; Latin words get a space before
// the next word of the same line, never at a line's end.
TEST(TextLayerWords, CjkRunsJoinedLatinWordsSpaced) {
    auto word = [](std::string text, int left, int top = 10) {
        return RecognisedWord{std::move(text), left, top, left + 40, top + 20, false};
    };
    const std::vector<RecognisedLine> lines{
        {word("Scan", 0), word("it", 50), word("now", 100)},
        {word("扫描", 0, 50), word("仪", 60, 48), word("PDF", 120, 50), word("文件", 170, 50)},
        {word("end", 0, 90)},
    };
    const std::vector<PdfWord> words = textLayerWords(lines);
    const std::vector<std::tuple<std::string, bool, double, double, double, double>> expected{
        {"Scan", true, 0, 10, 40, 20},   {"it", true, 50, 10, 40, 20},
        {"now", false, 100, 10, 40, 20}, {"扫描仪", false, 0, 48, 100, 22},
        {"PDF", false, 120, 50, 40, 20}, {"文件", false, 170, 50, 40, 20},
        {"end", false, 0, 90, 40, 20},
    };
    ASSERT_EQ(words.size(), expected.size());
    for (size_t i = 0; i < words.size(); ++i) {
        const auto& [text, space, x, y, w, h] = expected[i];
        EXPECT_EQ(words[i].text, text) << i;
        EXPECT_EQ(words[i].spaceAfter, space) << text;
        EXPECT_EQ(std::make_tuple(words[i].x, words[i].y, words[i].w, words[i].h),
                  std::make_tuple(x, y, w, h))
            << text;
    }
}

/// Whether a word the PDF holds on `page` lies within 1.5 % of the page size of `printed`
/// (both in points).
bool placedAt(const std::vector<PrintedWord>& found, const PrintedWord& printed, double width,
              double height) {
    for (const PrintedWord& word : found) {
        if (word.text == printed.text &&
            std::abs(word.x + word.w / 2 - (printed.x + printed.w / 2)) <= 0.015 * width &&
            std::abs(word.y + word.h / 2 - (printed.y + printed.h / 2)) <= 0.015 * height) {
            return true;
        }
    }
    return false;
}

/// A printed word's box in points (300 dpi pixels).
PrintedWord inPoints(const PrintedWord& word) {
    const double k = 72.0 / 300;
    return {word.text, word.x * k, word.y * k, word.w * k, word.h * k};
}

// One PDF of an English page shown as stored and turned three ways, and a Chinese page:
// every page image unchanged, the English words found and placed where they are printed,
// the Chinese words found as typed wherever Tesseract reads them right.
TEST(TextLayer, EnglishFoundAndPlacedChineseFoundAsTyped) {
    TempDir dir;
    const int width = 2480, height = 1100;
    const TextPage english = testing::renderTextPage(kEnglish, "DejaVu Sans", 12, width, height);
    const TextPage chinese =
        testing::renderTextPage(kChinese, "WenQuanYi Micro Hei", 14, width, height);
    const std::string englishFile = storePage(english, dir.path() + "/page-0001.jpg");
    const std::string chineseFile = storePage(chinese, dir.path() + "/page-0002.jpg");
    const std::vector<PdfWord> englishWords = recognised(englishFile, {"eng"});
    const std::vector<PdfWord> chineseWords = recognised(chineseFile, {"chi_sim", "eng"});

    // The English page stored turned counter-clockwise by 0 to 3 quarters, each shown
    // upright by its /Rotate; the words recognised upright, their boxes turned with it.
    // The media box is the stored image's, so the odd turns go into a PDF of their own.
    const MediaBox box{width * 72 / 300, height * 72 / 300};
    std::array<std::vector<PdfPage>, 2> documents;
    for (int turns = 0; turns < 4; ++turns) {
        std::optional<Image> turned = imageRotate(90.0 * turns, english.image, 1);
        ASSERT_TRUE(turned);
        const std::string name = dir.path() + "/turned-" + std::to_string(turns) + ".jpg";
        PdfPage page{storePage(TextPage{*turned, {}}, name), turns, 0, {}};
        for (const PdfWord& word : englishWords) {
            page.words.push_back(wordInStoredPage(word, turns, width, height));
        }
        documents[turns % 2].push_back(std::move(page));
    }
    documents[0].push_back(PdfPage{chineseFile, 0, 0, chineseWords});
    std::array<std::string, 2> pdfs;
    for (int odd = 0; odd < 2; ++odd) {
        Outcome<std::string> pdf =
            writePdf(documents[odd], odd ? MediaBox{box.height, box.width} : box, dir.path(),
                     std::chrono::system_clock::now());
        ASSERT_TRUE(pdf) << pdf.error;
        pdfs[odd] = *pdf.value;
        const std::string images = dir.path() + "/img" + std::to_string(odd);
        run("pdfimages -all '" + pdfs[odd] + "' '" + images + "'");
        for (size_t n = 0; n < documents[odd].size(); ++n) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "-%03zu.jpg", n);
            EXPECT_EQ(*readWholeFile(images + suffix).value,
                      *readWholeFile(documents[odd][n].file).value)
                << images << suffix;
        }
    }

    for (int turns = 0; turns < 4; ++turns) {
        const std::vector<PrintedWord> found = pdfWords(pdfs[turns % 2], turns / 2 + 1);
        int placed = 0;
        for (const PrintedWord& printed : english.words) {
            placed += placedAt(found, inPoints(printed), box.width, box.height);
        }
        EXPECT_GE(placed, static_cast<int>(english.words.size()) - 1) << "turns " << turns;
        EXPECT_EQ(found.size(), english.words.size()) << "turns " << turns;
    }
    const std::string& pdf = pdfs[0];
    const std::string englishText = pageText(pdf, 1);
    EXPECT_NE(englishText.find("Delivered to Harbour Street office"), std::string::npos)
        << englishText;

    // Found as typed: every word whose characters Tesseract read right is in the text.
    std::string read;
    for (const PdfWord& word : chineseWords) {
        read += word.text;
    }
    const std::string chineseText = pageText(pdf, 3);
    int readRight = 0;
    for (const std::string& word : kChineseWords) {
        if (read.find(word) != std::string::npos) {
            ++readRight;
            EXPECT_NE(chineseText.find(word), std::string::npos) << word << " in " << chineseText;
        }
    }
    EXPECT_GE(readRight, 7);
}

}  // namespace
}  // namespace scandesk
