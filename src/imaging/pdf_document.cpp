// PDF documents of JPEG pages with qpdf: every page embeds its JPEG file as it is.
#include "imaging/pdf_document.h"

// Only the current qpdf interface is used; this silences its transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <sys/stat.h>

#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <stdexcept>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "imaging/text_layer.h"

namespace scandesk {
namespace {

constexpr const char* kImageName = "/Im0";
// Spelled out: this file builds in a language mode without <numbers>.
constexpr double kPi = 3.14159265358979323846;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

/// The whole file, read straight into one buffer (the library's own file source reads in
/// small pieces).
std::string wholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rbe"));
    if (!file || std::setvbuf(file.get(), nullptr, _IONBF, 0) != 0) {
        throw std::runtime_error("cannot read " + path);
    }
    struct stat info {};
    const bool sized = ::fstat(::fileno(file.get()), &info) == 0 && info.st_size > 0;
    // One byte to spare, so that the end of the file is seen without another buffer.
    std::string bytes(sized ? static_cast<size_t>(info.st_size) + 1 : 1 << 16, '\0');
    size_t used = 0;
    while (const size_t got = std::fread(bytes.data() + used, 1, bytes.size() - used, file.get())) {
        used += got;
        if (used == bytes.size()) {
            bytes.resize(used * 2);
        }
    }
    if (std::ferror(file.get())) {
        throw std::runtime_error("cannot read " + path);
    }
    bytes.resize(used);
    return bytes;
}

/// A page file's bytes for its image stream, read whole when the writer comes to that
/// stream, so that one page at a time is held in memory.
class PageFileData : public QPDFObjectHandle::StreamDataProvider {
  public:
    explicit PageFileData(std::string path) : path_(std::move(path)) {}

    void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
        const std::string bytes = wholeFile(path_);
        pipeline->write(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        pipeline->finish();
    }

  private:
    std::string path_;
};

/// A number as a PDF content stream writes it, whatever the process's locale.
std::string pdfNumber(double value) {
    std::array<char, 32> text{};
    const auto end =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 5);
    return std::string(text.data(), end.ptr);
}

/// What comes before the image in the page's content stream: for a skewed page, white
/// paper under the whole box (the turned image leaves its corners uncovered) and the turn
/// back about the page's centre, which whatever is drawn after it (the image, a text
/// layer over it) follows.
std::string straightening(const PdfImagePage& source) {
    if (source.skewDegrees == 0 || !std::isfinite(source.skewDegrees)) {
        return {};
    }
    const double angle = -source.skewDegrees * kPi / 180;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double cx = source.boxWidth / 2.0;
    const double cy = source.boxHeight / 2.0;
    return "q 1 g 0 0 " + std::to_string(source.boxWidth) + " " + std::to_string(source.boxHeight) +
           " re f Q " + pdfNumber(c) + " " + pdfNumber(s) + " " + pdfNumber(-s) + " " +
           pdfNumber(c) + " " + pdfNumber(cx - cx * c + cy * s) + " " +
           pdfNumber(cy - cx * s - cy * c) + " cm\n";
}

/// The text layer's font: two-byte codes that are Unicode code points, no glyph program
/// (the text is never drawn), one advance for every code.
QPDFObjectHandle textLayerFont(QPDF& pdf) {
    const std::string name = "/ScanDeskInvisibleText";
    QPDFObjectHandle descriptor = QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName " + name + " /Flags 4 /FontBBox [0 -" +
        std::to_string(kTextDescent) + " " + std::to_string(kTextAdvance) + " " +
        std::to_string(kTextAscent) + "] /ItalicAngle 0 /Ascent " + std::to_string(kTextAscent) +
        " /Descent -" + std::to_string(kTextDescent) + " /CapHeight " +
        std::to_string(kTextAscent) + " /StemV 80 >>");
    QPDFObjectHandle cidFont = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name +
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW " +
        std::to_string(kTextAdvance) + " /CIDToGIDMap /Identity >>");
    cidFont.replaceKey("/FontDescriptor", pdf.makeIndirectObject(descriptor));
    QPDFObjectHandle font = QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type0 /BaseFont " +
                                                    name + " /Encoding /Identity-H >>");
    font.replaceKey("/DescendantFonts",
                    QPDFObjectHandle::newArray({pdf.makeIndirectObject(cidFont)}));
    font.replaceKey("/ToUnicode", pdf.newStream(identityToUnicodeCMap()));
    return pdf.makeIndirectObject(font);
}

/// Adds one page showing the JPEG file over the whole media box, its text layer (if any)
/// under the same turn back as the image, in the font shared by all pages.
void addPage(QPDF& pdf, QPDFPageDocumentHelper& document, const PdfImagePage& source,
             QPDFObjectHandle& font) {
    QPDFObjectHandle image = pdf.newStream();
    QPDFObjectHandle imageDict = image.getDict();
    imageDict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    imageDict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    imageDict.replaceKey("/Width", QPDFObjectHandle::newInteger(source.pixelWidth));
    imageDict.replaceKey("/Height", QPDFObjectHandle::newInteger(source.pixelHeight));
    imageDict.replaceKey("/ColorSpace",
                         QPDFObjectHandle::newName(source.grey ? "/DeviceGray" : "/DeviceRGB"));
    imageDict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    // Declared as already DCT-encoded, so the writer copies the bytes unchanged.
    image.replaceStreamData(std::make_shared<PageFileData>(source.jpegPath),
                            QPDFObjectHandle::newName("/DCTDecode"), QPDFObjectHandle::newNull());

    // Stretched over the whole page: no margin, no centring, no kept aspect ratio.
    const std::string drawing =
        straightening(source) + "q " + std::to_string(source.boxWidth) + " 0 0 " +
        std::to_string(source.boxHeight) + " 0 0 cm " + kImageName + " Do Q\n" +
        textLayerContent(source.words, source.quarterTurns, source.pixelWidth, source.pixelHeight,
                         source.boxWidth, source.boxHeight);
    QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
    xobjects.replaceKey(kImageName, image);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects);
    if (!source.words.empty()) {
        if (font.isNull()) {
            font = textLayerFont(pdf);
        }
        QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
        fonts.replaceKey(kTextLayerFont, font);
        resources.replaceKey("/Font", fonts);
    }

    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(
                                     0, 0, source.boxWidth, source.boxHeight)));
    page.replaceKey("/Resources", resources);
    if (source.quarterTurns != 0) {
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90 * source.quarterTurns));
    }
    page.replaceKey("/Contents", pdf.newStream(drawing));
    document.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
}

}  // namespace

std::optional<std::string> writeJpegPdf(const std::vector<PdfImagePage>& pages, std::FILE* stream,
                                        const std::string& name) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.emptyPDF();
    QPDFPageDocumentHelper document(pdf);
    QPDFObjectHandle font = QPDFObjectHandle::newNull();
    for (const PdfImagePage& page : pages) {
        addPage(pdf, document, page, font);
    }
    QPDFWriter writer(pdf, name.c_str(), stream, false);
    // Nothing to filter: the images are JPEG already and the content streams are small. With
    // filtering on, the library reads every image twice (a failed filtering attempt first).
    writer.setCompressStreams(false);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
    if (std::fflush(stream) != 0 || std::ferror(stream)) {
        return "cannot write " + name;
    }
    return std::nullopt;
}

}  // namespace scandesk
