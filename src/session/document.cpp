// Document operations as new page lists; undo and redo swap whole lists.
#include "session/document.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "common/diagnostics.h"
#include "imaging/page_files.h"

namespace scandesk {

namespace {

/// The selection sorted, without repeats or indices past the end.
std::vector<size_t> validSelection(std::vector<size_t> selection, size_t size) {
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    selection.erase(
        std::remove_if(selection.begin(), selection.end(), [size](size_t i) { return i >= size; }),
        selection.end());
    return selection;
}

/// Adds the files these pages name to `files`.
void addFiles(std::set<std::string>& files, const std::vector<DocumentPage>& pages) {
    for (const DocumentPage& page : pages) {
        files.insert(page.file);
    }
}

/// Adds the files every one of these page lists names to `files`.
void addFiles(std::set<std::string>& files, const std::vector<std::vector<DocumentPage>>& lists) {
    for (const std::vector<DocumentPage>& pages : lists) {
        addFiles(files, pages);
    }
}

DocumentChange refused(DocumentRefusal why) {
    return DocumentChange{{}, why};
}

}  // namespace

Document::Document(std::string folder) : store_(std::move(folder)) {
    auto [list, report] = store_.restore();
    pages_ = std::move(list.pages);
    restored_ = report;
    if (report.recovered > 0 || report.missing > 0 || report.tornList) {
        diagWarning("document restored: ", report.pages, " pages, ", report.recovered,
                    " recovered, ", report.missing, " missing",
                    report.tornList ? ", torn list" : "");
        store();
    }
}

DocumentChange Document::insert(const std::vector<std::string>& files, std::optional<size_t> after,
                                std::vector<std::string>* failed) {
    std::vector<DocumentPage> added;
    for (const std::string& file : files) {
        std::string error;
        if (auto name = store_.adopt(file, error)) {
            added.push_back(DocumentPage{*name});
        } else {
            diagError("cannot add ", file, " to the document: ", error);
            if (failed) {
                failed->push_back(file);
            }
        }
    }
    if (added.empty()) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> pages = pages_;
    const size_t at = after && *after < pages.size() ? *after + 1 : pages.size();
    pages.insert(pages.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    apply(std::move(pages));
    std::vector<size_t> selection;
    for (size_t i = 0; i < added.size(); ++i) {
        selection.push_back(at + i);
    }
    return {selection, {}};
}

DocumentChange Document::remove(const std::vector<size_t>& selection) {
    const std::vector<size_t> chosen = validSelection(selection, pages_.size());
    if (chosen.empty()) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> pages;
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (!std::binary_search(chosen.begin(), chosen.end(), i)) {
            pages.push_back(pages_[i]);
        }
    }
    apply(std::move(pages));
    // The page that took the first removed page's place, or the new last page.
    if (pages_.empty()) {
        return {{}, {}};
    }
    return {{std::min(chosen.front(), pages_.size() - 1)}, {}};
}

DocumentChange Document::turn(const std::vector<size_t>& selection, int quarterTurns) {
    const std::vector<size_t> chosen = validSelection(selection, pages_.size());
    if (chosen.empty()) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> pages = pages_;
    for (size_t i : chosen) {
        pages[i].quarterTurns = (((pages[i].quarterTurns + quarterTurns) % 4) + 4) % 4;
    }
    apply(std::move(pages));
    return {chosen, {}};
}

DocumentChange Document::move(const std::vector<size_t>& selection, int step) {
    std::vector<size_t> chosen = validSelection(selection, pages_.size());
    if (chosen.empty() || (step != -1 && step != 1)) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> pages = pages_;
    std::vector<char> selected(pages.size(), 0);
    for (size_t i : chosen) {
        selected[i] = 1;
    }
    // Each selected page swaps with an unselected neighbour; pages blocked at the end stay.
    const auto swapAt = [&](size_t i, size_t j) {
        std::swap(pages[i], pages[j]);
        std::swap(selected[i], selected[j]);
    };
    if (step < 0) {
        for (size_t i = 1; i < pages.size(); ++i) {
            if (selected[i] && !selected[i - 1]) {
                swapAt(i, i - 1);
            }
        }
    } else {
        for (size_t i = pages.size() - 1; i > 0; --i) {
            if (selected[i - 1] && !selected[i]) {
                swapAt(i - 1, i);
            }
        }
    }
    std::vector<size_t> now;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (selected[i]) {
            now.push_back(i);
        }
    }
    if (pages == pages_) {
        return {now, {}};  // nothing could move: no history entry
    }
    apply(std::move(pages));
    return {now, {}};
}

DocumentChange Document::moveTo(const std::vector<size_t>& selection, size_t position) {
    const std::vector<size_t> chosen = validSelection(selection, pages_.size());
    if (chosen.empty()) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> moved;
    std::vector<DocumentPage> rest;
    size_t at = 0;  // where the moved pages go among the others
    for (size_t i = 0; i < pages_.size(); ++i) {
        const bool picked = std::binary_search(chosen.begin(), chosen.end(), i);
        (picked ? moved : rest).push_back(pages_[i]);
        if (!picked && i < position) {
            ++at;
        }
    }
    rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), moved.begin(), moved.end());
    std::vector<size_t> now;
    for (size_t i = 0; i < moved.size(); ++i) {
        now.push_back(at + i);
    }
    if (rest != pages_) {
        apply(std::move(rest));
    }
    return {now, {}};
}

DocumentChange Document::reverse() {
    if (pages_.size() < 2) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> pages(pages_.rbegin(), pages_.rend());
    apply(std::move(pages));
    return {{}, {}};
}

DocumentChange Document::interleave() {
    const size_t count = pages_.size();
    if (count < 2 || count % 2 != 0) {
        return refused(DocumentRefusal::unevenCount);
    }
    const size_t half = count / 2;
    std::vector<DocumentPage> pages;
    for (size_t i = 0; i < half; ++i) {
        pages.push_back(pages_[i]);              // front i + 1
        pages.push_back(pages_[count - 1 - i]);  // its back, scanned in reverse
    }
    apply(std::move(pages));
    return {{}, {}};
}

void Document::setFacts(const std::string& file, PageFacts facts) {
    shareFacts(file, std::move(facts));
    store();
}

std::shared_ptr<const PageFacts> Document::shareFacts(const std::string& file, PageFacts facts) {
    auto shared = std::make_shared<const PageFacts>(std::move(facts));
    // One fact set for the page wherever the history holds it.
    const auto update = [&](std::vector<DocumentPage>& pages) {
        for (DocumentPage& page : pages) {
            if (page.file == file) {
                page.facts = shared;
            }
        }
    };
    update(pages_);
    std::for_each(undo_.begin(), undo_.end(), update);
    std::for_each(redo_.begin(), redo_.end(), update);
    return shared;
}

DocumentChange Document::markBlank(const std::vector<size_t>& selection, bool blank) {
    const std::vector<size_t> chosen = validSelection(selection, pages_.size());
    if (chosen.empty()) {
        return refused(DocumentRefusal::nothingSelected);
    }
    for (size_t i : chosen) {
        PageFacts facts = *pages_[i].facts;
        facts.blank = blank;
        shareFacts(pages_[i].file, std::move(facts));
    }
    store();
    return {chosen, {}};
}

DocumentChange Document::cleanUp(const std::vector<size_t>& selection,
                                 const CleanUpChoices& choices,
                                 const OrientationReader& orientation) {
    const std::vector<size_t> chosen = validSelection(selection, pages_.size());
    if (chosen.empty()) {
        return refused(DocumentRefusal::nothingSelected);
    }
    std::vector<DocumentPage> pages = pages_;
    bool turned = false;
    for (size_t i : chosen) {
        const Outcome<Bytes> file = readWholeFile(pathOf(pages[i]));
        const Outcome<PageFindings> found = file ? examinePage(*file.value, choices, orientation)
                                                 : Outcome<PageFindings>::failure(file.error);
        if (!found) {
            diagWarning("page ", pages[i].file, " not cleaned up: ", found.error);
            continue;
        }
        PageFacts facts = *pages[i].facts;
        facts.blank = choices.setAsideBlank ? found.value->blank : facts.blank;
        facts.skewDegrees = choices.straighten ? found.value->skewDegrees : facts.skewDegrees;
        pages[i].facts = shareFacts(pages[i].file, std::move(facts));
        if (choices.turnUpright && !found.value->blank &&
            pages[i].quarterTurns != found.value->quarterTurns) {
            pages[i].quarterTurns = found.value->quarterTurns;
            turned = true;
        }
    }
    if (turned) {
        apply(std::move(pages));
    } else {
        store();
    }
    return {chosen, {}};
}

DocumentChange Document::undo() {
    if (undo_.empty()) {
        return refused(DocumentRefusal::nothingToUndo);
    }
    redo_.push_back(std::move(pages_));
    pages_ = std::move(undo_.back());
    undo_.pop_back();
    store();
    return {{}, {}};
}

DocumentChange Document::redo() {
    if (redo_.empty()) {
        return refused(DocumentRefusal::nothingToRedo);
    }
    undo_.push_back(std::move(pages_));
    pages_ = std::move(redo_.back());
    redo_.pop_back();
    store();
    return {{}, {}};
}

void Document::clear() {
    StoredList gone;
    std::set<std::string> files;
    addFiles(files, pages_);
    addFiles(files, undo_);
    addFiles(files, redo_);
    gone.removed.assign(files.begin(), files.end());
    storeError_ = store_.writeList(gone);
    for (const std::string& file : files) {
        store_.removeFile(file);
    }
    pages_.clear();
    undo_.clear();
    redo_.clear();
    store();
}

void Document::apply(std::vector<DocumentPage> pages) {
    undo_.push_back(std::move(pages_));
    std::vector<std::vector<DocumentPage>> dropped = std::move(redo_);
    redo_.clear();
    pages_ = std::move(pages);
    store();
    // Pages only a dropped redo held (an undone scan) can never come back.
    std::set<std::string> live;
    addFiles(live, pages_);
    addFiles(live, undo_);
    for (const auto& state : dropped) {
        for (const DocumentPage& page : state) {
            if (live.insert(page.file).second) {
                store_.removeFile(page.file);
            }
        }
    }
}

void Document::store() {
    StoredList list{pages_, {}};
    // Files only the history names: kept for undo and redo, gone at the next start.
    std::set<std::string> current;
    addFiles(current, pages_);
    std::set<std::string> history;
    addFiles(history, undo_);
    addFiles(history, redo_);
    std::set_difference(history.begin(), history.end(), current.begin(), current.end(),
                        std::back_inserter(list.removed));
    storeError_ = store_.writeList(list);
    if (storeError_) {
        diagError("cannot store the document list: ", *storeError_);
    }
}

}  // namespace scandesk
