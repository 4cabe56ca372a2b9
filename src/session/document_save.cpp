// Saving the document as a PDF or as turned page files.
#include "session/document_save.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "imaging/bw_bitmap.h"
#include "imaging/jpeg_codec.h"
#include "imaging/lossless_turn.h"
#include "imaging/page_files.h"
#include "imaging/set_aside.h"
#include "session/receive_directory.h"

namespace scandesk {

namespace {

namespace fs = std::filesystem;
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

/// The pages that go into the saved document: all but those marked blank.
std::vector<DocumentPage> pagesToSave(const Document& document) {
    std::vector<DocumentPage> pages;
    std::copy_if(document.pages().begin(), document.pages().end(), std::back_inserter(pages),
                 [](const DocumentPage& page) { return !page.facts->blank; });
    return pages;
}

/// Copies the files of the pages marked blank into `folder`/yyyyMMddHHmmss-blank (the
/// document removes its own files once saved, so they must not be lost with them); the
/// copies made.
Files setAsideBlankPages(const Document& document, const DocumentTarget& target) {
    std::vector<std::string> blank;
    for (const DocumentPage& page : document.pages()) {
        if (page.facts->blank) {
            blank.push_back(document.pathOf(page));
        }
    }
    if (blank.empty()) {
        return {std::vector<std::string>{}, {}};
    }
    const Outcome<std::string> folder = setAsidePages(
        blank, target.folder + "/" + timeStampName(target.when) + "-blank", SetAside::copy);
    if (!folder) {
        return Files::failure(folder.error);
    }
    std::vector<std::string> copies;
    for (const std::string& file : blank) {
        copies.push_back(
            (std::filesystem::path(*folder.value) / std::filesystem::path(file).filename())
                .string());
    }
    return {std::move(copies), {}};
}

Files savePdf(const Document& document, const std::vector<DocumentPage>& kept,
              const DocumentTarget& target) {
    Scratch scratch;
    std::vector<PdfPage> pages;
    for (const DocumentPage& page : kept) {
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

Files savePageFiles(const Document& document, const std::vector<DocumentPage>& kept,
                    const DocumentTarget& target) {
    const std::optional<std::string> dir =
        makeReceiveDir(target.folder, timeStampName(target.when));
    if (!dir) {
        return Files::failure("cannot create a directory in " + target.folder);
    }
    std::vector<std::string> written;
    int number = 0;
    for (const DocumentPage& page : kept) {
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
        Files blank = setAsideBlankPages(document, target);
        const std::vector<DocumentPage> kept = pagesToSave(document);
        if (!blank || kept.empty()) {
            return blank;
        }
        Files saved = target.format == DocumentFormat::pdf ? savePdf(document, kept, target)
                                                           : savePageFiles(document, kept, target);
        if (!saved) {
            // Nothing is left behind by a failed save; the document still has the pages.
            std::error_code ignored;
            if (!blank.value->empty()) {
                fs::remove_all(fs::path(blank.value->front()).parent_path(), ignored);
            }
            return saved;
        }
        saved.value->insert(saved.value->end(), blank.value->begin(), blank.value->end());
        return saved;
    } catch (const std::exception& error) {
        return Files::failure(error.what());
    }
}

}  // namespace scandesk
