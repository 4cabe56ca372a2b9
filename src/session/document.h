// The document being put together before it is saved: its pages, the operations on them,
// their undo history, and its storage, which every change updates.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "imaging/page_cleanup.h"
#include "session/document_store.h"

namespace scandesk {

/// Why an operation changed nothing.
enum class DocumentRefusal {
    nothingSelected,  ///< the operation needs selected pages
    unevenCount,      ///< interleaving needs as many backs as fronts
    nothingToUndo,
    nothingToRedo,
};

/// The result of an operation: the pages to select afterwards, or why nothing changed.
struct DocumentChange {
    std::vector<size_t> selection;
    std::optional<DocumentRefusal> refused;
};

/// The pages of the document in order. Every operation can be undone and redone; the
/// files of removed pages stay in the folder while the history can bring them back.
/// Not thread-safe: one owner calls it.
class Document {
  public:
    /// The document stored in `folder`, as a restore finds it.
    explicit Document(std::string folder);

    const std::vector<DocumentPage>& pages() const { return pages_; }
    size_t size() const { return pages_.size(); }
    bool empty() const { return pages_.empty(); }
    /// The full path of a page's file.
    std::string pathOf(const DocumentPage& page) const { return store_.pathOf(page.file); }
    /// What the restore at construction found.
    const RestoreReport& restored() const { return restored_; }
    /// The last failure to store the list, if the last change could not be stored.
    const std::optional<std::string>& storeError() const { return storeError_; }

    /// Moves page files (a scan's output, in order) into the document after the page at
    /// `after` (at the end when none). Files that cannot be moved stay where they were and
    /// are named in `failed`. Selects the new pages.
    DocumentChange insert(const std::vector<std::string>& files, std::optional<size_t> after,
                          std::vector<std::string>* failed = nullptr);
    /// Removes the selected pages.
    DocumentChange remove(const std::vector<size_t>& selection);
    /// Turns the selected pages by clockwise quarter turns (-1: counter-clockwise).
    DocumentChange turn(const std::vector<size_t>& selection, int quarterTurns);
    /// Moves the selected pages one place towards the start (-1) or the end (+1); a page
    /// already at that end stays, and so do the selected pages behind it.
    DocumentChange move(const std::vector<size_t>& selection, int step);
    /// Moves the selected pages, in their order, before the page at `position` (an index
    /// of the present order; the end when past it), as a drag and drop does.
    DocumentChange moveTo(const std::vector<size_t>& selection, size_t position);
    /// Reverses the order of all pages.
    DocumentChange reverse();
    /// Manual duplex: the fronts were scanned first, then the backs in reverse order, so
    /// pages f1 ... fk, bk ... b1 become f1, b1, f2, b2, ... Refused for an odd count.
    DocumentChange interleave();
    /// Stores what the per-page pipeline found for a page (not an undoable operation).
    void setFacts(const std::string& file, PageFacts facts);

    /// Marks the selected pages blank (left out when the document is saved) or not.
    /// Like the pipeline's findings, not an undoable operation.
    DocumentChange markBlank(const std::vector<size_t>& selection, bool blank);
    /// Runs the chosen clean-up steps on the selected pages, as a scan would: blank pages
    /// are marked, skew is recorded, and pages found turned are turned upright (one
    /// operation, undone at once). A page whose file cannot be read is left as it is.
    DocumentChange cleanUp(const std::vector<size_t>& selection, const CleanUpChoices& choices,
                           const OrientationReader& orientation);

    DocumentChange undo();
    DocumentChange redo();
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }

    /// Empties the document after it was saved: its page files are deleted and the
    /// history is cleared. The list is rewritten first, so a crash in between never
    /// brings back pages that were saved.
    void clear();

  private:
    /// Makes `pages` current, remembering the present state for undo.
    void apply(std::vector<DocumentPage> pages);
    /// Gives the page `file` these facts everywhere the history holds it, without storing
    /// the list; the shared facts.
    std::shared_ptr<const PageFacts> shareFacts(const std::string& file, PageFacts facts);
    /// Replaces the list file with the present state.
    void store();

    DocumentStore store_;
    RestoreReport restored_;
    std::vector<DocumentPage> pages_;
    std::vector<std::vector<DocumentPage>> undo_;
    std::vector<std::vector<DocumentPage>> redo_;
    std::optional<std::string> storeError_;
};

}  // namespace scandesk
