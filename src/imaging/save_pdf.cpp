// PDF assembly with qpdf: every page embeds its JPEG page file as it is.
#include "imaging/save_pdf.h"

// Only the current qpdf interface is used; this silences its transition warning.
#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "devices/page_sizes.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging/save_result.h"

namespace scandesk {

namespace {

constexpr const char* kImageName = "/Im0";
constexpr size_t kHeaderProbeBytes = 64 * 1024;

struct FileClose {
    void operator()(FILE* file) const { std::fclose(file); }
};

/// The PDF colour space of a JPEG with that many components.
std::optional<std::string> colourSpaceFor(int components) {
    if (components == 1) {
        return "/DeviceGray";
    }
    if (components == 3) {
        return "/DeviceRGB";
    }
    return std::nullopt;
}

/// Adds one page showing the JPEG page file at `path` over the whole media box; the
/// description of the failure, if any.
std::optional<std::string> addPage(QPDF& pdf, QPDFPageDocumentHelper& document,
                                   const std::string& path, const MediaBox& box) {
    // The frame header normally lies near the start; large metadata pushes it further.
    Outcome<Bytes> start = readWholeFile(path, kHeaderProbeBytes);
    if (!start) {
        return start.error;
    }
    Outcome<JpegInfo> info = readJpegInfo(*start.value);
    if (!info && start.value->size() == kHeaderProbeBytes) {
        start = readWholeFile(path);
        info = start ? readJpegInfo(*start.value) : Outcome<JpegInfo>::failure(start.error);
    }
    if (!info) {
        return info.error + " (" + path + ")";
    }
    const std::optional<std::string> colourSpace = colourSpaceFor(info.value->components);
    if (!colourSpace) {
        return "unsupported colour components (" + path + ")";
    }

    QPDFObjectHandle image = pdf.newStream();
    QPDFObjectHandle imageDict = image.getDict();
    imageDict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    imageDict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    imageDict.replaceKey("/Width", QPDFObjectHandle::newInteger(info.value->width));
    imageDict.replaceKey("/Height", QPDFObjectHandle::newInteger(info.value->height));
    imageDict.replaceKey("/ColorSpace", QPDFObjectHandle::newName(*colourSpace));
    imageDict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    // Declared as already DCT-encoded, so the writer copies the bytes unchanged.
    // The file is read again only while the document is written, so one page at a time
    // is in memory.
    image.replaceStreamData(QUtil::file_provider(path), QPDFObjectHandle::newName("/DCTDecode"),
                            QPDFObjectHandle::newNull());

    // Stretched over the whole page: no margin, no centring, no kept aspect ratio.
    const std::string drawing = "q " + std::to_string(box.width) + " 0 0 " +
                                std::to_string(box.height) + " 0 0 cm " + kImageName + " Do Q\n";
    QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
    xobjects.replaceKey(kImageName, image);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects);

    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(
                                     QPDFObjectHandle::Rectangle(0, 0, box.width, box.height)));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", pdf.newStream(drawing));
    document.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    return std::nullopt;
}

/// Writes the document into the pending file; the description of the failure, if any.
std::optional<std::string> writeDocument(QPDF& pdf, PendingFile& file) {
    const int copy = ::dup(file.descriptor());
    std::unique_ptr<FILE, FileClose> stream(copy >= 0 ? ::fdopen(copy, "wb") : nullptr);
    if (!stream) {
        if (copy >= 0) {
            ::close(copy);
        }
        return std::string("cannot open ") + file.path();
    }
    QPDFWriter writer(pdf, file.path().c_str(), stream.get(), false);
    writer.write();
    if (std::fflush(stream.get()) != 0 || std::ferror(stream.get())) {
        return std::string("cannot write ") + file.path();
    }
    return std::nullopt;
}

/// `save2PDFAt` without the guard against exceptions from the PDF library.
ResultPair assemblePdf(const ScanParam& param, int pages, const std::string& pdfDir,
                       const std::string& pageSize, std::chrono::system_clock::time_point when) {
    if (pages < 0) {
        return saveFailure("negative page count " + std::to_string(pages));
    }
    const MediaBox box = mediaBoxFor(pageSize, param.rotateAngle);
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.emptyPDF();
    QPDFPageDocumentHelper document(pdf);
    for (int n = 1; n <= pages; ++n) {
        if (auto error = addPage(pdf, document, pageFileName(param.filePath, n, ".jpg"), box)) {
            return saveFailure(*error);
        }
    }
    const std::string stem = pdfDir + "/" + timeStampName(when);
    Outcome<PendingFile> file = PendingFile::create(stem + ".pdf");
    if (!file) {
        return saveFailure(file.error);
    }
    if (auto error = writeDocument(pdf, *file.value)) {
        return saveFailure(*error);
    }
    Outcome<std::string> name = file.value->publishAsNew([&](int attempt) {
        return attempt == 1 ? stem + ".pdf" : stem + "-" + std::to_string(attempt) + ".pdf";
    });
    if (!name) {
        return saveFailure(name.error);
    }
    return saveSuccess();
}

}  // namespace

MediaBox mediaBoxFor(const std::string& pageSize, int64_t rotateAngle) {
    const PageSize row = findPageSize(pageSize).value_or(fallbackPageSize());
    MediaBox box{row.pdfWidth, row.pdfHeight};
    if (rotateAngle == 90 || rotateAngle == 270) {
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

ResultPair save2PDFAt(const ScanParam& param, int pages, const std::string& pdfDir,
                      const std::string& pageSize, std::chrono::system_clock::time_point when) {
    return guardedSave([&] { return assemblePdf(param, pages, pdfDir, pageSize, when); });
}

ResultPair save2PDF(const ScanParam& param, int pages, const std::string& pdfDir,
                    const std::string& pageSize) {
    return save2PDFAt(param, pages, pdfDir, pageSize, std::chrono::system_clock::now());
}

}  // namespace scandesk
