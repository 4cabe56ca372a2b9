// Saving the document as a PDF or as turned page files.
#include "session/document_save.h"

#include <filesystem>

#include "imaging/bw_bitmap.h"
#include "imaging/jpeg_codec.h"
#include "imaging/lossless_turn.h"
#include "imaging/page_files.h"
#include "session/receive_directory.h"

namespace scandesk {

namespace {

using Files = Outcome<std::vector<std::string>>;

/// Files removed when the save ends, however it ends.
struct Scratch {
    std::vector<std::string> files;
    ~Scratch() {
        std::error_code ignored;
        for (const std::string& file : files) {
            std::filesystem::remove(file, ignored);
        }
    }
};

Files savePdf(const Document& document, const DocumentTarget& target) {
    Scratch scratch;
    std::vector<PdfPage> pages;
    for (const DocumentPage& page : document.pages()) {
        PdfPage pdf;
        pdf.file = document.pathOf(page);
        pdf.quarterTurns = page.quarterTurns;
        pdf.skewDegrees = page.facts->skewDegrees;
        pdf.words = page.facts->words;
        Outcome<Bytes> bytes = readWholeFile(pdf.file, 2);
        if (!bytes) {
            return Files::failure(bytes.error);
        }
        if (looksLikeBitmap(*bytes.value)) {
            // A PDF embeds JPEG only: the black-and-white page is encoded for it, as a
            // scan bound for a PDF stores it.
            Outcome<Bytes> whole = readWholeFile(pdf.file);
            Outcome<Image> image =
                whole ? decodeBWBitmap(*whole.value) : Outcome<Image>::failure(whole.error);
            Outcome<Bytes> jpeg =
                image ? encodeJpeg(*image.value) : Outcome<Bytes>::failure(image.error);
            if (!jpeg) {
                return Files::failure(jpeg.error);
            }
            const std::string embedded =
                std::filesystem::path(pdf.file).replace_filename("." + page.file + ".jpg");
            if (auto error = writeFileAtomically(embedded, *jpeg.value)) {
                return Files::failure(*error);
            }
            scratch.files.push_back(embedded);
            pdf.file = embedded;
        }
        pages.push_back(std::move(pdf));
    }
    Outcome<std::string> written = writePdf(pages, target.box, target.folder, target.when);
    if (!written) {
        return Files::failure(written.error);
    }
    return {std::vector<std::string>{*written.value}, {}};
}

Files savePageFiles(const Document& document, const DocumentTarget& target) {
    const std::optional<std::string> dir =
        makeReceiveDir(target.folder, timeStampName(target.when));
    if (!dir) {
        return Files::failure("cannot create a directory in " + target.folder);
    }
    std::vector<std::string> written;
    int number = 0;
    for (const DocumentPage& page : document.pages()) {
        Outcome<Bytes> bytes = readWholeFile(document.pathOf(page));
        Outcome<Bytes> turned = bytes ? turnPageFile(*bytes.value, page.quarterTurns) : bytes;
        const char* extension = turned && looksLikeBitmap(*turned.value) ? ".bmp" : ".jpg";
        const std::string path = pageFileName(*dir + "/" + target.prefix, ++number, extension);
        std::optional<std::string> error =
            turned ? writeFileAtomically(path, *turned.value) : turned.error;
        if (error) {
            removeReceiveDir(*dir);  // the pages are still in the document
            return Files::failure(*error);
        }
        written.push_back(path);
    }
    return {std::move(written), {}};
}

}  // namespace

Files saveDocument(const Document& document, const DocumentTarget& target) {
    if (document.empty()) {
        return Files::failure("the document has no pages");
    }
    try {
        return target.format == DocumentFormat::pdf ? savePdf(document, target)
                                                    : savePageFiles(document, target);
    } catch (const std::exception& error) {
        return Files::failure(error.what());
    }
}

}  // namespace scandesk
