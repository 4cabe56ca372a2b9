// Command-line driver for the recognition benchmark: renders text pages with known words,
// runs our pipeline or plain PDF assembly over stored page files, times one page.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/diagnostics.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging/save_pdf.h"
#include "ocr/languages.h"
#include "ocr/page_pipeline.h"
#include "ocr/recognition_step.h"
#include "ocr/tesseract_engine.h"
#include "support/text_page.h"

namespace scandesk::bench {
namespace {

namespace fs = std::filesystem;

const char* const kEnglish[] = {
    "invoice", "delivery",  "customer", "account", "payment",   "amount",   "order",  "number",
    "service", "contract",  "office",   "street",  "harbour",   "company",  "letter", "report",
    "meeting", "schedule",  "summary",  "total",   "balance",   "receipt",  "parcel", "address",
    "signed",  "agreement", "period",   "monthly", "quarterly", "received", "notice", "terms",
    "the",     "and",       "for",      "with",    "from",      "under",    "within", "before"};
const char* const kChinese[] = {"扫描", "文件", "电子", "文档", "会议", "报告", "打印", "合同",
                                "客户", "地址", "金额", "发票", "日期", "公司", "部门", "经理",
                                "项目", "计划", "管理", "系统", "数据", "信息", "服务", "质量"};

constexpr int kWidth = 2480;  // A4 at 300 dpi
constexpr int kHeight = 3508;

/// Lines of random words; `join` between words.
std::vector<std::string> randomLines(std::mt19937& random, const char* const* words, size_t count,
                                     int lines, int perLine, const char* join) {
    std::vector<std::string> text;
    for (int line = 0; line < lines; ++line) {
        std::string row;
        for (int n = 0; n < perLine; ++n) {
            row += (n ? join : "") + std::string(words[random() % count]);
        }
        text.push_back(row);
    }
    return text;
}

bool write(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

/// Renders the pages: scanner JPEGs (served by the virtual scanner), stored page files
/// (page quality), and the truth: one line per word "page x y w h text" (pixels), or for
/// Chinese one line per page of the words printed.
int makeInputs(const fs::path& dir, int english, int chinese) {
    std::mt19937 random(7);
    for (const char* sub : {"scanner", "pages", "zh-pages"}) {
        fs::create_directories(dir / sub);
    }
    std::ofstream truth(dir / "truth-en.txt");
    for (int n = 1; n <= english; ++n) {
        const auto page =
            testing::renderTextPage(randomLines(random, kEnglish, std::size(kEnglish), 36, 9, " "),
                                    "DejaVu Sans", 11, kWidth, kHeight);
        for (const auto& word : page.words) {
            truth << n << " " << word.x << " " << word.y << " " << word.w << " " << word.h << " "
                  << word.text << "\n";
        }
        write((dir / "scanner" / ("en-" + std::to_string(n) + ".jpg")).string(),
              testing::pageJpeg(page));
        write(pageFileName((dir / "pages" / "page").string(), n, ".jpg"),
              *encodeJpeg(page.image).value);
    }
    std::ofstream zhTruth(dir / "truth-zh.txt");
    for (int n = 1; n <= chinese; ++n) {
        std::vector<std::string> lines;
        for (int line = 0; line < 30; ++line) {
            std::string row;
            for (int k = 0; k < 14; ++k) {
                const std::string word = kChinese[random() % std::size(kChinese)];
                row += word;
                zhTruth << word << " ";
            }
            lines.push_back(row);
        }
        zhTruth << "\n";
        const auto page =
            testing::renderTextPage(lines, "WenQuanYi Micro Hei", 12, kWidth, kHeight);
        write(pageFileName((dir / "zh-pages" / "page").string(), n, ".jpg"),
              *encodeJpeg(page.image).value);
    }
    return 0;
}

std::vector<PdfPage> plainPages(const std::string& prefix, int pages) {
    std::vector<PdfPage> list;
    for (int n = 1; n <= pages; ++n) {
        list.push_back(PdfPage{pageFileName(prefix, n, ".jpg"), 0, 0, {}});
    }
    return list;
}

int writeDocument(const std::vector<PdfPage>& pages, const std::string& outDir) {
    const MediaBox a4{595, 842};
    const Outcome<std::string> pdf = writePdf(pages, a4, outDir, std::chrono::system_clock::now());
    if (!pdf) {
        std::fprintf(stderr, "%s\n", pdf.error.c_str());
        return 1;
    }
    std::printf("%s\n", pdf.value->c_str());
    return 0;
}

/// Median milliseconds of `rounds` timings of `work`.
template <class Work>
long long medianMs(int rounds, Work work) {
    std::vector<long long> times;
    for (int round = 0; round < std::max(rounds, 1); ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

/// Plain PDF assembly and a copy of the same files into one synced file, both timed in this
/// process (no program start in either figure): "ours-ms copy-ms".
int assemble(const std::string& prefix, int pages, const std::string& outDir, int rounds) {
    const std::vector<PdfPage> list = plainPages(prefix, pages);
    // Every round writes a new file, and the files go only after the timing: removing a
    // large file just written costs as much as a part of writing it.
    const long long ours = medianMs(rounds, [&] {
        writePdf(list, MediaBox{595, 842}, outDir, std::chrono::system_clock::now());
    });
    int copies = 0;
    const long long copy = medianMs(rounds, [&] {
        Outcome<PendingFile> file =
            PendingFile::create(outDir + "/copy-" + std::to_string(++copies) + ".out");
        for (const PdfPage& page : list) {
            file.value->write(*readWholeFile(page.file).value);
        }
        file.value->publish();
    });
    for (const auto& entry : fs::directory_iterator(outDir)) {
        fs::remove(entry.path());
    }
    std::printf("%lld %lld\n", ours, copy);
    return 0;
}

/// Our pipeline over stored page files: recognition by `workers` workers, then the PDF;
/// the recognised text of each page (no spaces) goes to OUTDIR/recognised.txt.
int pipeline(const std::string& prefix, int pages, const std::string& outDir,
             const std::string& languages, int workers) {
    PipelineOptions options;
    options.workers = workers;
    options.steps = {recognitionStep(*parseLanguages(languages))};
    PagePipeline run(std::move(options));
    for (int n = 1; n <= pages; ++n) {
        run.add(n, pageFileName(prefix, n, ".jpg"));
    }
    const auto found = run.finish({});
    std::vector<PdfPage> list = plainPages(prefix, pages);
    std::ofstream recognised(outDir + "/recognised.txt");
    for (PdfPage& page : list) {
        const PageAnalysis& analysis = found->at(static_cast<int>(&page - list.data()) + 1);
        page.words = analysis.words;
        for (const PdfWord& word : page.words) {
            recognised << word.text;
        }
        recognised << "\n";
    }
    return writeDocument(list, outDir);
}

/// Milliseconds of one page's recognition on this thread: the median of `rounds`, so that
/// a moment when other work holds the cores does not set the figure.
int onePage(const std::string& file, const std::string& languages, int rounds) {
    Outcome<TesseractEngine> engine = TesseractEngine::open(*parseLanguages(languages));
    const Outcome<Image> image = decodeJpeg(*readWholeFile(file).value);
    bool read = true;
    const long long ms = medianMs(rounds, [&] {
        read = static_cast<bool>(engine.value->recognise(image.value->raster, 300)) && read;
    });
    std::printf("%lld\n", ms);
    return read ? 0 : 1;
}

}  // namespace
}  // namespace scandesk::bench

int main(int argc, char** argv) {
    using namespace scandesk;
    ScopedDiagnosticSink quiet([](std::string_view) {});
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "inputs") {
        return bench::makeInputs(args[1], std::stoi(args[2]), std::stoi(args[3]));
    }
    if (args.size() == 4 && args[0] == "plain") {
        return bench::writeDocument(bench::plainPages(args[1], std::stoi(args[2])), args[3]);
    }
    if (args.size() == 5 && args[0] == "assemble") {
        return bench::assemble(args[1], std::stoi(args[2]), args[3], std::stoi(args[4]));
    }
    if (args.size() == 6 && args[0] == "pipeline") {
        return bench::pipeline(args[1], std::stoi(args[2]), args[3], args[4], std::stoi(args[5]));
    }
    if ((args.size() == 3 || args.size() == 4) && args[0] == "one") {
        return bench::onePage(args[1], args[2], args.size() == 4 ? std::stoi(args[3]) : 1);
    }
    std::fprintf(stderr,
                 "usage: ocr_bench_driver inputs DIR ENGLISH CHINESE | plain PREFIX PAGES OUTDIR |"
                 " assemble PREFIX PAGES OUTDIR ROUNDS |"
                 " pipeline PREFIX PAGES OUTDIR LANGS WORKERS | one FILE LANGS [ROUNDS]\n");
    return 2;
}
