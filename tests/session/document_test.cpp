// The document model: operations, undo and redo, storage across restarts, and saving.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "imaging/jpeg_codec.h"
#include "imaging/lossless_turn.h"
#include "imaging/page_files.h"
#include "session/document.h"
#include "session/document_save.h"
#include "support/rendered_sheet.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// A scan's output folder and a document folder. Page files hold their label as text.
struct Desk {
    TempDir scans;
    TempDir state;
    std::string folder = state.path() + "/document";
    std::unique_ptr<Document> document = std::make_unique<Document>(folder);
    int made = 0;

    /// Page files with these labels, as a scan leaves them.
    std::vector<std::string> scanned(const std::vector<std::string>& labels) {
        std::vector<std::string> files;
        for (const std::string& label : labels) {
            files.push_back(scans.path() + "/scan-" + std::to_string(++made) + ".jpg");
            EXPECT_FALSE(writeFileAtomically(files.back(), toBytes(label)));
        }
        return files;
    }
    /// The labels in order, each with "@" and its turns when turned.
    std::vector<std::string> order() const {
        std::vector<std::string> labels;
        for (const DocumentPage& page : document->pages()) {
            labels.push_back(readText(document->pathOf(page)) +
                             (page.quarterTurns ? "@" + std::to_string(page.quarterTurns) : ""));
        }
        return labels;
    }
    /// The document as a new start finds it.
    void restart() {
        document.reset();
        document = std::make_unique<Document>(folder);
    }
    /// Page files in the document folder.
    size_t filesOnDisk() const {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            count += entry.path().filename().string().rfind("page-", 0) == 0;
        }
        return count;
    }
};

using Labels = std::vector<std::string>;
using Operation = std::function<DocumentChange(Document&)>;

struct OperationRow {
    const char* name;
    Labels start;
    Operation operation;
    Labels after;
    std::vector<size_t> selection;
    std::optional<DocumentRefusal> refused;
};

// Each operation, then undo (the order before), redo (the order after) and a restart
// (what was stored).
TEST(Document, OperationsUndoRedoAndRestart) {
    const Labels four{"1", "2", "3", "4"};
    const std::vector<OperationRow> rows{
        {"remove one", four, [](Document& d) { return d.remove({1}); }, {"1", "3", "4"}, {1}, {}},
        {"remove ends",
         four,
         [](Document& d) {
             return d.remove({3, 0, 3});
         },
         {"2", "3"},
         {0},
         {}},
        {"remove last", four, [](Document& d) { return d.remove({3}); }, {"1", "2", "3"}, {2}, {}},
        {"remove nothing",
         four,
         [](Document& d) { return d.remove({7}); },
         four,
         {},
         DocumentRefusal::nothingSelected},
        {"turn cw",
         four,
         [](Document& d) { return d.turn({0}, 1); },
         {"1@1", "2", "3", "4"},
         {0},
         {}},
        {"turn ccw",
         four,
         [](Document& d) {
             return d.turn({2, 0}, -1);
         },
         {"1@3", "2", "3@3", "4"},
         {0, 2},
         {}},
        {"move left",
         four,
         [](Document& d) { return d.move({1}, -1); },
         {"2", "1", "3", "4"},
         {0},
         {}},
        {"move blocked left",
         four,
         [](Document& d) {
             return d.move({0, 1, 3}, -1);
         },
         {"1", "2", "4", "3"},
         {0, 1, 2},
         {}},
        {"move block right",
         four,
         [](Document& d) {
             return d.move({0, 1}, 1);
         },
         {"3", "1", "2", "4"},
         {1, 2},
         {}},
        {"move split right",
         four,
         [](Document& d) {
             return d.move({0, 3}, 1);
         },
         {"2", "1", "3", "4"},
         {1, 3},
         {}},
        {"drop before",
         four,
         [](Document& d) {
             return d.moveTo({3, 2}, 1);
         },
         {"1", "3", "4", "2"},
         {1, 2},
         {}},
        {"drop at end",
         four,
         [](Document& d) { return d.moveTo({0}, 9); },
         {"2", "3", "4", "1"},
         {3},
         {}},
        {"reverse", four, [](Document& d) { return d.reverse(); }, {"4", "3", "2", "1"}, {}, {}},
        {"interleave",
         {"1", "3", "5", "6", "4", "2"},
         [](Document& d) { return d.interleave(); },
         {"1", "2", "3", "4", "5", "6"},
         {},
         {}},
        {"interleave two",
         {"1", "2"},
         [](Document& d) { return d.interleave(); },
         {"1", "2"},
         {},
         {}},
        {"interleave odd",
         {"1", "3", "2"},
         [](Document& d) { return d.interleave(); },
         {"1", "3", "2"},
         {},
         DocumentRefusal::unevenCount},
    };
    for (const OperationRow& row : rows) {
        SCOPED_TRACE(row.name);
        Desk desk;
        desk.document->insert(desk.scanned(row.start), std::nullopt);
        const DocumentChange change = row.operation(*desk.document);
        EXPECT_EQ(change.refused, row.refused);
        EXPECT_EQ(change.selection, row.selection);
        EXPECT_EQ(desk.order(), row.after);
        if (row.refused) {
            desk.document->undo();  // undoes the insert only
            EXPECT_TRUE(desk.order().empty());
            continue;
        }
        ASSERT_FALSE(desk.document->undo().refused);
        EXPECT_EQ(desk.order(), row.start);
        ASSERT_FALSE(desk.document->redo().refused);
        EXPECT_EQ(desk.order(), row.after);
        desk.restart();
        EXPECT_EQ(desk.order(), row.after);
        EXPECT_EQ(desk.filesOnDisk(), row.after.size());  // removed pages' files are gone
        EXPECT_FALSE(desk.document->canUndo());
    }
}

TEST(Document, ScansGoAfterTheSelectedPageOrAtTheEnd) {
    Desk desk;
    EXPECT_EQ(desk.document->insert(desk.scanned({"1", "2"}), std::nullopt).selection,
              (std::vector<size_t>{0, 1}));
    EXPECT_EQ(desk.document->insert(desk.scanned({"a", "b"}), 0).selection,
              (std::vector<size_t>{1, 2}));
    EXPECT_EQ(desk.document->insert(desk.scanned({"z"}), std::nullopt).selection,
              (std::vector<size_t>{4}));
    EXPECT_EQ(desk.order(), (Labels{"1", "a", "b", "2", "z"}));
    // The scan's files moved into the document.
    EXPECT_TRUE(fs::is_empty(desk.scans.path()));
}

// A chain of changes walked back and forth; a change after an undo drops the redo.
TEST(Document, EveryChangeUndoesAndRedoesInOrder) {
    Desk desk;
    desk.document->insert(desk.scanned({"1", "2", "3"}), std::nullopt);
    desk.document->turn({1}, 1);
    desk.document->move({2}, -1);
    desk.document->remove({0});
    desk.document->insert(desk.scanned({"4"}), 0);
    const std::vector<Labels> states{
        {}, {"1", "2", "3"}, {"1", "2@1", "3"}, {"1", "3", "2@1"}, {"3", "2@1"}, {"3", "4", "2@1"}};
    for (size_t i = states.size() - 1; i > 0; --i) {
        EXPECT_EQ(desk.order(), states[i]);
        EXPECT_FALSE(desk.document->undo().refused);
    }
    EXPECT_EQ(desk.order(), states[0]);
    EXPECT_EQ(desk.document->undo().refused, DocumentRefusal::nothingToUndo);
    for (size_t i = 1; i < states.size(); ++i) {
        EXPECT_FALSE(desk.document->redo().refused);
        EXPECT_EQ(desk.order(), states[i]);
    }
    EXPECT_EQ(desk.document->redo().refused, DocumentRefusal::nothingToRedo);
    desk.document->undo();
    desk.document->undo();
    desk.document->reverse();
    EXPECT_EQ(desk.order(), (Labels{"2@1", "3", "1"}));
    EXPECT_FALSE(desk.document->canRedo());
    // An undone removal survives a restart only as long as it is in the order.
    desk.restart();
    EXPECT_EQ(desk.order(), (Labels{"2@1", "3", "1"}));
}

// Cut the stored list anywhere (a write that never completed): every page comes back
// exactly once, the ones the surviving lines name first and in their order.
TEST(Document, ATornListLosesAndDuplicatesNoPage) {
    Desk desk;
    desk.document->insert(desk.scanned({"1", "2", "3", "4"}), std::nullopt);
    desk.document->reverse();
    desk.document->turn({0}, 1);
    desk.document->remove({3});
    const std::string list = desk.folder + "/document.list";
    const std::string whole = readText(list);
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        std::ofstream(list, std::ios::binary | std::ios::trunc) << whole.substr(0, length);
        Desk again;
        again.folder = desk.folder;
        again.restart();
        Labels labels = again.order();
        // The removed page "1" may come back (a page never disappears through damage).
        EXPECT_EQ(again.document->restored().tornList, length + 1 < whole.size());
        Labels sorted = labels;
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::remove(sorted.begin(), sorted.end(), "1"), sorted.end());
        for (std::string& label : sorted) {
            label = label.substr(0, 1);
        }
        EXPECT_EQ(sorted, (Labels{"2", "3", "4"})) << ::testing::PrintToString(labels);
        EXPECT_EQ(labels.size(), again.filesOnDisk());
        // Restore repairs the list: the next start sees the same document.
        again.restart();
        EXPECT_EQ(again.order(), labels);
        EXPECT_FALSE(again.document->restored().tornList);
        std::ofstream(list, std::ios::binary | std::ios::trunc) << whole;
    }
}

// The list is replaced, never rewritten in place: a reader of the old list (or a crash in
// the middle of a write) sees a whole list, the old one.
TEST(Document, TheListIsReplacedWhole) {
    Desk desk;
    desk.document->insert(desk.scanned({"1", "2"}), std::nullopt);
    const std::string list = desk.folder + "/document.list";
    std::ifstream before(list, std::ios::binary);
    const std::string old = readText(list);
    desk.document->reverse();
    EXPECT_NE(readText(list), old);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(before), {}), old);
}

// A damaged list: one page's file is gone, another page is named twice.
TEST(Document, AMissingPageIsLeftOutAndATwiceNamedOneCountsOnce) {
    Desk desk;
    desk.document->insert(desk.scanned({"1", "2", "3"}), std::nullopt);
    desk.document->turn({2}, 1);
    fs::remove(desk.document->pathOf(desk.document->pages()[1]));
    const std::string list = desk.folder + "/document.list";
    std::string text = readText(list);
    const size_t last = text.rfind("page ");
    text.insert(text.find("end"), text.substr(last, text.find('\n', last) + 1 - last));
    std::ofstream(list, std::ios::trunc) << text;
    desk.restart();
    EXPECT_EQ(desk.order(), (Labels{"1", "3@1"}));
    EXPECT_EQ(desk.document->restored().missing, 1);
    EXPECT_EQ(desk.document->restored().pages, 2);
}

// A scan whose pages were moved in but whose list was not yet written when the window died.
TEST(Document, PagesAddedBeforeTheListWasWrittenAreRecovered) {
    Desk desk;
    desk.document->insert(desk.scanned({"1", "2"}), std::nullopt);
    const std::string list = readText(desk.folder + "/document.list");
    desk.document->insert(desk.scanned({"3", "4"}), 0);
    std::ofstream(desk.folder + "/document.list", std::ios::trunc) << list;
    std::ofstream(desk.folder + "/.document.list.123.tmp") << "half";
    desk.restart();
    EXPECT_EQ(desk.order(), (Labels{"1", "2", "3", "4"}));
    EXPECT_EQ(desk.document->restored().recovered, 2);
    EXPECT_FALSE(fs::exists(desk.folder + "/.document.list.123.tmp"));
}

TEST(Document, ClearingRemovesEveryPageForGood) {
    Desk desk;
    desk.document->insert(desk.scanned({"1", "2", "3"}), std::nullopt);
    desk.document->remove({0});
    desk.document->clear();
    EXPECT_TRUE(desk.document->empty());
    EXPECT_FALSE(desk.document->canUndo());
    EXPECT_EQ(desk.filesOnDisk(), 0u);
    desk.restart();
    EXPECT_TRUE(desk.document->empty());
}

// Saving: page files turned losslessly (unturned ones byte for byte) under a scan's names,
// and a PDF that embeds the stored JPEGs.
TEST(Document, SavesAsAScanWouldWithTheTurnsApplied) {
    Desk desk;
    std::vector<std::string> files;
    for (int n = 1; n <= 3; ++n) {
        Image image{Raster(64 + 16 * n, 48, PixelFormat::Gray8), 30, 20};
        std::fill(image.raster.data(), image.raster.data() + image.raster.byteSize(), 40 * n);
        files.push_back(desk.scans.path() + "/p" + std::to_string(n) + ".jpg");
        ASSERT_FALSE(writeFileAtomically(files.back(), *encodeJpeg(image).value));
    }
    const std::vector<Bytes> stored{*readWholeFile(files[0]).value, *readWholeFile(files[1]).value,
                                    *readWholeFile(files[2]).value};
    desk.document->insert(files, std::nullopt);
    desk.document->turn({0}, 1);
    desk.document->remove({1});

    TempDir out;
    DocumentTarget target{DocumentFormat::pageFiles,
                          out.path(),
                          "scan",
                          {595, 842},
                          std::chrono::system_clock::from_time_t(1709647629)};
    const auto saved = saveDocument(*desk.document, target);
    ASSERT_TRUE(saved) << saved.error;
    const std::string dir = out.path() + "/" + timeStampName(target.when);
    ASSERT_EQ(*saved.value,
              (std::vector<std::string>{dir + "/scan-0001.jpg", dir + "/scan-0002.jpg"}));
    EXPECT_EQ(*readWholeFile(saved.value->at(0)).value, *turnJpeg(stored[0], 1).value);
    EXPECT_EQ(*readWholeFile(saved.value->at(1)).value, stored[2]);

    target.format = DocumentFormat::pdf;
    const auto pdf = saveDocument(*desk.document, target);
    ASSERT_TRUE(pdf) << pdf.error;
    EXPECT_EQ(*pdf.value,
              (std::vector<std::string>{out.path() + "/" + timeStampName(target.when) + ".pdf"}));
    const std::string prefix = out.path() + "/x";
    ASSERT_EQ(std::system(("pdfimages -j '" + pdf.value->front() + "' '" + prefix + "'").c_str()),
              0);
    EXPECT_EQ(*readWholeFile(prefix + "-000.jpg").value, stored[0]);
    EXPECT_EQ(*readWholeFile(prefix + "-001.jpg").value, stored[2]);
    // Saving leaves the document as it was; a failed save writes nothing.
    EXPECT_EQ(desk.document->size(), 2u);
    fs::remove(desk.document->pathOf(desk.document->pages()[1]));
    TempDir empty;
    target.folder = empty.path();
    EXPECT_FALSE(saveDocument(*desk.document, target));
    target.format = DocumentFormat::pageFiles;
    EXPECT_FALSE(saveDocument(*desk.document, target));
    EXPECT_TRUE(fs::is_empty(empty.path()));
}

// Clean up marks blank pages and turns the others upright (one undoable step); Save leaves
// the pages marked blank out and puts copies of them aside, unless they were unmarked.
TEST(Document, CleanUpMarksBlankPagesWhichSaveLeavesOut) {
    using testing::SheetKind;
    Desk desk;
    std::vector<std::string> files;
    std::vector<Bytes> stored;
    for (const testing::Sheet& sheet : {testing::Sheet{SheetKind::Text, 2, 2},
                                        {SheetKind::Noise},
                                        {SheetKind::OneLineNote},
                                        {SheetKind::PunchHoles}}) {
        files.push_back(desk.scans.path() + "/p" + std::to_string(files.size() + 1) + ".jpg");
        stored.push_back(testing::sheetJpeg(sheet, 100));
        ASSERT_FALSE(writeFileAtomically(files.back(), stored.back()));
    }
    desk.document->insert(files, std::nullopt);
    const auto upsideDown = [](const Image&) { return std::optional<int>(2); };
    desk.document->cleanUp({0, 1, 2, 3}, {true, true, true}, upsideDown);
    const auto& pages = desk.document->pages();
    EXPECT_EQ((std::vector<bool>{pages[0].facts->blank, pages[1].facts->blank,
                                 pages[2].facts->blank, pages[3].facts->blank}),
              (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ((std::vector<int>{pages[0].quarterTurns, pages[1].quarterTurns, pages[2].quarterTurns,
                                pages[3].quarterTurns}),
              (std::vector<int>{2, 0, 2, 0}));
    EXPECT_NEAR(pages[0].facts->skewDegrees, 2, 0.15);
    desk.document->undo();
    EXPECT_EQ(desk.document->pages()[0].quarterTurns, 0);
    EXPECT_TRUE(desk.document->pages()[1].facts->blank);
    desk.document->markBlank({3}, false);

    TempDir out;
    DocumentTarget target{DocumentFormat::pdf,
                          out.path(),
                          "scan",
                          {595, 842},
                          std::chrono::system_clock::from_time_t(1709647629)};
    const auto saved = saveDocument(*desk.document, target);
    ASSERT_TRUE(saved) << saved.error;
    const std::string stamp = out.path() + "/" + timeStampName(target.when);
    ASSERT_EQ(*saved.value,
              (std::vector<std::string>{stamp + ".pdf", stamp + "-blank/" + pages[1].file}));
    EXPECT_EQ(*readWholeFile(saved.value->at(1)).value, stored[1]);
    const std::string prefix = out.path() + "/x";
    ASSERT_EQ(std::system(("pdfimages -j '" + saved.value->front() + "' '" + prefix + "'").c_str()),
              0);
    EXPECT_EQ(*readWholeFile(prefix + "-002.jpg").value, stored[3]);
    EXPECT_FALSE(fs::exists(prefix + "-003.jpg"));
    EXPECT_EQ(desk.document->size(), 4u);
}

}  // namespace
}  // namespace scandesk
