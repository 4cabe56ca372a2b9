// The unsaved document on disk: its page files and the list of their order and turns.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/pdf_page.h"

namespace scandesk {

/// What the per-page pipeline found on a page (read by the writers and the page area).
struct PageFacts {
    bool blank = false;
    double skewDegrees = 0;
    std::vector<PdfWord> words;
};

/// One page of the document: its page file (a name inside the document folder), the
/// clockwise quarter turns the user gave it and what is known about it.
struct DocumentPage {
    std::string file;
    int quarterTurns = 0;  ///< 0 ... 3
    std::shared_ptr<const PageFacts> facts = std::make_shared<PageFacts>();

    friend bool operator==(const DocumentPage& a, const DocumentPage& b) {
        return a.file == b.file && a.quarterTurns == b.quarterTurns;
    }
};

/// What a list file holds: the pages in order, and the files of pages the user removed
/// that are kept while an undo could bring them back.
struct StoredList {
    std::vector<DocumentPage> pages;
    std::vector<std::string> removed;
};

/// What a restore found besides the pages.
struct RestoreReport {
    int pages = 0;          ///< pages restored
    int recovered = 0;      ///< page files the list did not name, appended at the end
    int missing = 0;        ///< listed pages whose file is gone
    bool tornList = false;  ///< the list file was cut short or damaged
};

/// The document folder: page files named "page-NNNNNN.jpg" / ".bmp" and "document.list",
/// which is only ever replaced whole (written beside it, then renamed).
class DocumentStore {
  public:
    /// A store in `folder` (created with its parents when missing).
    explicit DocumentStore(std::string folder);

    const std::string& folder() const { return folder_; }
    /// The full path of a page file of the document.
    std::string pathOf(const std::string& file) const { return folder_ + "/" + file; }

    /// Reads the list and the folder: pages in list order, each file once; files the list
    /// does not name are appended in the order they were added; listed files that are gone
    /// are left out; removed pages' files are deleted. Nothing in the folder is lost.
    std::pair<StoredList, RestoreReport> restore();

    /// Replaces the list file atomically; the description of the failure, if any.
    std::optional<std::string> writeList(const StoredList& list);

    /// Moves a page file (a scan's output) into the folder under a new name; the name, or
    /// the failure with the file left where it was.
    std::optional<std::string> adopt(const std::string& source, std::string& error);

    /// Deletes a page file of the document (no error when it is gone already).
    void removeFile(const std::string& file);

  private:
    std::string folder_;
    long nextNumber_ = 1;
};

}  // namespace scandesk
