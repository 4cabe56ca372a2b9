// The page area of the main window: the document's pages, their operations and saving.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QListView>
#include <QSettings>
#include <QToolBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ocr/tesseract_engine.h"
#include "session/document.h"
#include "session/document_folder.h"
#include "session/document_save.h"
#include "ui/page_list_model.h"

namespace scandesk {

/// What the page area needs from the rest of the window.
struct PageAreaHooks {
    /// Where and how the document is saved with the present settings; nothing when the
    /// settings do not allow a save (no scanner, no folder).
    std::function<std::optional<DocumentTarget>()> target;
    /// Starts a scan with the present settings.
    std::function<void()> scan;
    /// Whether a scan pass is running.
    std::function<bool()> scanning;
    /// Shows a message in the status line.
    std::function<void(const QString&)> status;
};

/// The pages as thumbnails in a list (several selected at once, dragged to a new place,
/// one shown large with a double click or Space), the operations on the selected pages
/// as actions with keys, and whether scans are reviewed before they are saved.
class PageArea final : public QWidget {
  public:
    /// Thumbnails are at most this many pixels on their long side.
    static constexpr int kThumbnailEdge = 160;
    /// The thumbnails held in memory at most (200 A4 pages take about a third of it).
    static constexpr qint64 kThumbnailBytes = 64LL * 1024 * 1024;

    /// The area over the document in `claim` (none: pages cannot be kept for review).
    /// `reviewForRun` turns review on for this run without changing the setting.
    PageArea(std::optional<DocumentFolderClaim> claim, std::unique_ptr<QSettings> settings,
             bool reviewForRun, PageAreaHooks hooks, QWidget* parent = nullptr);
    ~PageArea() override;
    PageArea(const PageArea&) = delete;
    PageArea& operator=(const PageArea&) = delete;

    /// The operations, for the window's menu and tool bar, in menu order.
    const QList<QAction*>& pageActions() const { return actions_; }
    QAction* reviewAction() const { return reviewAction_; }
    QListView* list() const { return list_; }
    const Document* document() const { return document_.get(); }
    PageListModel& model() { return *model_; }

    /// Whether scans go into the document instead of being saved at once.
    bool reviewing() const;
    /// The folder a reviewed scan stores its pages in; nothing when scans are saved at once.
    std::optional<std::string> reviewFolder() const;
    /// A scan for review ended: its page files (in order) join the document after the
    /// page chosen by Insert scan (at the end otherwise); the first is selected.
    void addScannedPages(const std::vector<std::string>& files, const CleanUpChoices& cleanUp = {});
    /// A scan was saved at once: its pictures stay on show while the document is empty.
    void showLastScan(QList<QImage> pictures);
    /// Says in the status line what the start restored, if anything.
    void reportRestore();

  private:
    QAction* addAction(const char* key, const QKeySequence& keys, std::function<void()> run);
    /// The selected rows, in order.
    std::vector<size_t> selectedRows() const;
    /// Shows the document after a change and selects what the change names.
    void changed(const DocumentChange& change, std::vector<size_t> fallback = {});
    /// Enables the actions that apply now.
    void updateActions();
    /// Gives the keys to the page list.
    void focusList();
    void save();
    void insertScan();
    void viewPage();
    void interleave();
    /// Page files a scan stored for review before the window died.
    void adoptLeftovers();
    /// Orientation detection when the choices turn pages upright (the engine opened on
    /// first use); nothing otherwise or when it cannot be opened.
    OrientationReader orientationReader(const CleanUpChoices& choices);

    std::optional<DocumentFolderClaim> claim_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<QSettings> settings_;
    PageAreaHooks hooks_;
    bool reviewForRun_ = false;
    std::optional<size_t> insertAfter_;
    PageListModel* model_ = nullptr;
    QListView* list_ = nullptr;
    QList<QAction*> actions_;
    /// Orientation detection for Clean up, opened on first use.
    std::optional<Outcome<TesseractEngine>> orientation_;
    QAction* reviewAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QCheckBox* reviewBox_ = nullptr;
};

}  // namespace scandesk
