// PDF assembly: the job's JPEG page files, each embedded as it is, in one new PDF file.
#include "imaging/save_pdf.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "devices/page_sizes.h"
#include "imaging/jpeg_codec.h"
#include "imaging/lossless_turn.h"
#include "imaging/page_files.h"
#include "imaging/pdf_document.h"

namespace scandesk {

namespace {

constexpr size_t kHeaderProbeBytes = 64 * 1024;
constexpr size_t kWriteBufferBytes = 1 << 20;

struct FileClose {
    void operator()(FILE* file) const { std::fclose(file); }
};

/// The page that shows the JPEG page file at `path` over the whole media box, or the
/// description of what is wrong with the file.
Outcome<PdfImagePage> pdfPage(const std::string& path, const MediaBox& box) {
    // The frame header normally lies near the start; large metadata pushes it further.
    Outcome<Bytes> start = readWholeFile(path, kHeaderProbeBytes);
    if (!start) {
        return Outcome<PdfImagePage>::failure(start.error);
    }
    Outcome<JpegInfo> info = readJpegInfo(*start.value);
    if (!info && start.value->size() == kHeaderProbeBytes) {
        start = readWholeFile(path);
        info = start ? readJpegInfo(*start.value) : Outcome<JpegInfo>::failure(start.error);
    }
    if (!info) {
        return Outcome<PdfImagePage>::failure(info.error + " (" + path + ")");
    }
    if (info.value->components != 1 && info.value->components != 3) {
        return Outcome<PdfImagePage>::failure("unsupported colour components (" + path + ")");
    }
    return Outcome<PdfImagePage>{PdfImagePage{path, info.value->width, info.value->height,
                                              info.value->components == 1, box.width, box.height},
                                 {}};
}

/// Writes the document into the pending file; the description of the failure, if any.
std::optional<std::string> writeDocument(const std::vector<PdfImagePage>& pages,
                                         PendingFile& file) {
    const int copy = ::dup(file.descriptor());
    std::unique_ptr<FILE, FileClose> stream(copy >= 0 ? ::fdopen(copy, "wb") : nullptr);
    if (!stream) {
        if (copy >= 0) {
            ::close(copy);
        }
        return std::string("cannot open ") + file.path();
    }
    // The writer hands over many small pieces: large writes cost fewer system calls.
    std::setvbuf(stream.get(), nullptr, _IOFBF, kWriteBufferBytes);
    return writeJpegPdf(pages, stream.get(), file.path());
}

/// `writePdf` without the guard against exceptions from the PDF library.
Outcome<std::string> assemblePdf(std::span<const PdfPage> pages, const MediaBox& box,
                                 const std::string& pdfDir,
                                 std::chrono::system_clock::time_point when) {
    std::vector<PdfImagePage> document;
    for (const PdfPage& source : pages) {
        Outcome<PdfImagePage> page = pdfPage(source.file, box);
        if (!page) {
            return Outcome<std::string>::failure(page.error);
        }
        page.value->quarterTurns = normalQuarterTurns(source.quarterTurns);
        page.value->skewDegrees = source.skewDegrees;
        page.value->words = source.words;
        document.push_back(std::move(*page.value));
    }
    const std::string stem = pdfDir + "/" + timeStampName(when);
    Outcome<PendingFile> file = PendingFile::create(stem + ".pdf");
    if (!file) {
        return Outcome<std::string>::failure(file.error);
    }
    if (auto error = writeDocument(document, *file.value)) {
        return Outcome<std::string>::failure(*error);
    }
    return file.value->publishAsNew([&](int attempt) {
        return attempt == 1 ? stem + ".pdf" : stem + "-" + std::to_string(attempt) + ".pdf";
    });
}

}  // namespace

MediaBox mediaBoxFor(PageSize pageSize, Rotation rotation) {
    const PageSizeRow& row = pageSizeRow(pageSize);
    MediaBox box{row.pdfWidth, row.pdfHeight};
    if (rotation == Rotation::quarter || rotation == Rotation::threeQuarters) {
        std::swap(box.width, box.height);
    }
    return box;
}

std::string timeStampName(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return std::string(text, length);
}

Outcome<std::string> writePdf(std::span<const PdfPage> pages, const MediaBox& box,
                              const std::string& pdfDir,
                              std::chrono::system_clock::time_point when) {
    try {
        return assemblePdf(pages, box, pdfDir, when);
    } catch (const std::exception& error) {
        return Outcome<std::string>::failure(error.what());
    }
}

std::vector<PdfPage> jobPdfPages(const PageJob& job, int pages) {
    std::vector<PdfPage> document;
    for (int n = 1; n <= pages; ++n) {
        PdfPage page;
        page.file = pageFileName(job.filePath, n, ".jpg");
        document.push_back(std::move(page));
    }
    return document;
}

}  // namespace scandesk
