// Building the page area, its actions and keys, and running the document's operations.
#include "ui/page_area.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTransform>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "ocr/clean_up_step.h"
#include "ui/thumbnail_loader.h"
#include "ui/translations.h"

namespace scandesk {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReviewKey = "review/beforeSaving";
constexpr const char* kIncoming = "incoming";
// The larger view fills at most this share of the screen.
constexpr double kViewShare = 0.85;
constexpr int kGridMargin = 24;

/// The page files a scan left in a receive directory, in page order.
std::vector<std::string> pageFilesIn(const fs::path& dir) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file(error) && (extension == ".jpg" || extension == ".bmp") &&
            entry.path().filename().string().rfind(".", 0) != 0) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

/// A window showing one page large, closed with Escape, Space or Return.
void showLarge(QWidget* parent, const QString& path, int quarterTurns, const QString& title) {
    const QSize screen = parent->screen()->availableSize() * kViewShare;
    QImage image = decodeThumbnail(path, std::max(screen.width(), screen.height()));
    if (image.isNull()) {
        return;
    }
    image = image.transformed(QTransform().rotate(90.0 * quarterTurns));
    image = image.scaled(screen, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QDialog dialog(parent);
    dialog.setObjectName("pageView");
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* picture = new QLabel(&dialog);
    picture->setPixmap(QPixmap::fromImage(image));
    picture->setAccessibleName(title);
    layout->addWidget(picture);
    auto* close = new QPushButton(displayText("ok"), &dialog);
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    auto* space = new QAction(&dialog);
    space->setShortcut(Qt::Key_Space);
    QObject::connect(space, &QAction::triggered, &dialog, &QDialog::accept);
    dialog.addAction(space);
    dialog.exec();
}

}  // namespace

PageArea::PageArea(std::optional<DocumentFolderClaim> claim, std::unique_ptr<QSettings> settings,
                   bool reviewForRun, PageAreaHooks hooks, QWidget* parent)
    : QWidget(parent),
      claim_(std::move(claim)),
      settings_(std::move(settings)),
      hooks_(std::move(hooks)),
      reviewForRun_(reviewForRun) {
    if (claim_) {
        document_ = std::make_unique<Document>(claim_->folder());
    }
    model_ = new PageListModel(kThumbnailEdge, kThumbnailBytes, this);
    model_->setDrop([this](const std::vector<size_t>& rows, size_t position) {
        // After the view's drop handling is over: the change resets the rows.
        QTimer::singleShot(0, this, [this, rows, position] {
            if (document_) {
                changed(document_->moveTo(rows, position));
            }
        });
    });

    auto* layout = new QVBoxLayout(this);
    auto* header = new QHBoxLayout;
    reviewBox_ = new QCheckBox(displayText("reviewBeforeSaving"), this);
    reviewBox_->setObjectName("reviewBeforeSaving");
    header->addWidget(reviewBox_);
    header->addStretch();
    layout->addLayout(header);

    list_ = new QListView(this);
    list_->setObjectName("pages");
    list_->setAccessibleName(displayText("pagesMenu").remove('&'));
    list_->setViewMode(QListView::IconMode);
    list_->setFlow(QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Snap);
    list_->setIconSize({kThumbnailEdge + 8, kThumbnailEdge + 8});  // the selection frame
    list_->setGridSize({kThumbnailEdge + kGridMargin, kThumbnailEdge + 2 * kGridMargin});
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setDefaultDropAction(Qt::MoveAction);
    list_->setDragEnabled(true);
    list_->setAcceptDrops(true);
    list_->setDropIndicatorShown(true);
    list_->setModel(model_);
    layout->addWidget(list_);
    connect(list_, &QListView::doubleClicked, this, [this] { viewPage(); });

    reviewAction_ = new QAction(displayText("reviewBeforeSaving"), this);
    reviewAction_->setObjectName("reviewAction");
    reviewAction_->setCheckable(true);
    const bool remembered = settings_ && settings_->value(kReviewKey, false).toBool();
    reviewAction_->setChecked(document_ && (reviewForRun_ || remembered));
    reviewAction_->setEnabled(document_ != nullptr);
    reviewBox_->setChecked(reviewAction_->isChecked());
    reviewBox_->setEnabled(document_ != nullptr);
    connect(reviewAction_, &QAction::toggled, this, [this](bool on) {
        reviewBox_->setChecked(on);
        if (settings_) {
            settings_->setValue(kReviewKey, on);
        }
        updateActions();
    });
    connect(reviewBox_, &QCheckBox::toggled, reviewAction_, &QAction::setChecked);

    const auto onSelection = [this](auto operation) {
        return [this, operation] {
            if (document_) {
                changed(operation(*document_, selectedRows()));
            }
        };
    };
    saveAction_ = addAction("savePages", QKeySequence::Save, [this] { save(); });
    addAction("insertScan", QKeySequence(Qt::CTRL | Qt::Key_I), [this] { insertScan(); });
    QAction* view = addAction("viewPage", QKeySequence(Qt::Key_Space), [this] { viewPage(); });
    // Space presses buttons elsewhere in the window: it shows a page only from the list.
    view->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    list_->addAction(view);
    actions_.append(nullptr);  // a separator
    addAction("deletePages", QKeySequence(Qt::Key_Delete),
              onSelection([](Document& d, const auto& rows) { return d.remove(rows); }));
    addAction("turnClockwise", QKeySequence(Qt::CTRL | Qt::Key_R),
              onSelection([](Document& d, const auto& rows) { return d.turn(rows, 1); }));
    addAction("turnCounterClockwise", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R),
              onSelection([](Document& d, const auto& rows) { return d.turn(rows, -1); }));
    addAction("moveBack", QKeySequence(Qt::CTRL | Qt::Key_Left),
              onSelection([](Document& d, const auto& rows) { return d.move(rows, -1); }));
    addAction("moveForward", QKeySequence(Qt::CTRL | Qt::Key_Right),
              onSelection([](Document& d, const auto& rows) { return d.move(rows, 1); }));
    // Clean up runs every step on the selected pages; a page marked blank is left out on
    // Save, and the mark comes off the same way it goes on.
    addAction("cleanUpPages", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
              onSelection([this](Document& d, const auto& rows) {
                  const CleanUpChoices every{true, true, true};
                  return d.cleanUp(rows, every, orientationReader(every));
              }));
    addAction("markBlank", QKeySequence(Qt::CTRL | Qt::Key_B),
              onSelection([](Document& d, const auto& rows) {
                  const bool allBlank = std::all_of(rows.begin(), rows.end(), [&d](size_t row) {
                      return row < d.size() && d.pages()[row].facts->blank;
                  });
                  return d.markBlank(rows, !allBlank);
              }));
    addAction("reverseOrder", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), [this] {
        if (document_) {
            changed(document_->reverse());
        }
    });
    addAction("interleave", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I), [this] { interleave(); });
    actions_.append(nullptr);
    undoAction_ = addAction("undo", QKeySequence(Qt::CTRL | Qt::Key_Z), [this] {
        if (document_) {
            changed(document_->undo(), selectedRows());
        }
    });
    redoAction_ = addAction("redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] {
        if (document_) {
            changed(document_->redo(), selectedRows());
        }
    });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateActions(); });

    adoptLeftovers();
    model_->showDocument(document_ && !document_->empty() ? document_.get() : nullptr);
    updateActions();
}

PageArea::~PageArea() = default;

QAction* PageArea::addAction(const char* key, const QKeySequence& keys, std::function<void()> run) {
    auto* action = new QAction(displayText(key), this);
    action->setObjectName(key);
    action->setShortcut(keys);
    // The keys work wherever the focus is in the window, except where a text field
    // claims them for itself.
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, std::move(run));
    actions_.append(action);
    return action;
}

bool PageArea::reviewing() const {
    return document_ && reviewAction_->isChecked();
}

std::optional<std::string> PageArea::reviewFolder() const {
    if (!reviewing()) {
        return std::nullopt;
    }
    const std::string folder = claim_->folder() + "/" + kIncoming;
    std::error_code error;
    fs::create_directories(folder, error);
    return folder;
}

void PageArea::addScannedPages(const std::vector<std::string>& files,
                               const CleanUpChoices& cleanUp) {
    const std::optional<size_t> after = std::exchange(insertAfter_, std::nullopt);
    if (!document_ || files.empty()) {
        return;
    }
    std::vector<std::string> failed;
    const DocumentChange change = document_->insert(files, after, &failed);
    if (!change.refused && !change.selection.empty()) {
        // The scan's clean-up choices apply to its pages as they would to a saved scan:
        // blank pages get their mark (and are left out on Save), turns and skew are found.
        if (cleanUp.any()) {
            document_->cleanUp(change.selection, cleanUp, orientationReader(cleanUp));
        }
        changed(DocumentChange{{change.selection.front()}, {}});
    }
    hooks_.status(failed.empty() ? displayText("pagesAdded").arg(files.size())
                                 : displayText("pagesNotAdded").arg(failed.size()));
    focusList();
}

void PageArea::showLastScan(QList<QImage> pictures) {
    if (document_ && !document_->empty()) {
        return;  // the document under review stays on show
    }
    model_->showPictures(std::move(pictures));
    if (model_->rowCount() > 0) {
        list_->setCurrentIndex(model_->index(0));
    }
    focusList();
    updateActions();
}

void PageArea::focusList() {
    // The scan's dialog has just closed: the window takes the keys back even where no
    // window manager hands them over.
    window()->activateWindow();
    list_->setFocus();
}

void PageArea::reportRestore() {
    if (!document_ || document_->empty()) {
        return;
    }
    QString text = displayText("pagesRestored").arg(document_->size());
    if (document_->restored().missing > 0) {
        text += " " + displayText("pagesMissing").arg(document_->restored().missing);
    }
    hooks_.status(text);
    list_->setCurrentIndex(model_->index(0));
    list_->setFocus();
}

std::vector<size_t> PageArea::selectedRows() const {
    std::vector<size_t> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedIndexes()) {
        rows.push_back(static_cast<size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void PageArea::changed(const DocumentChange& change, std::vector<size_t> fallback) {
    if (change.refused == DocumentRefusal::unevenCount) {
        hooks_.status(displayText("interleaveUneven").arg(document_->size()));
    }
    if (change.refused) {
        return;
    }
    model_->showDocument(document_->empty() ? nullptr : document_.get());
    const std::vector<size_t>& rows = change.selection.empty() ? fallback : change.selection;
    QItemSelectionModel* selection = list_->selectionModel();
    selection->clear();
    bool first = true;
    for (size_t row : rows) {
        if (row >= document_->size()) {
            continue;
        }
        const QModelIndex index = model_->index(static_cast<int>(row));
        if (first) {
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            list_->scrollTo(index);
            first = false;
        } else {
            selection->select(index, QItemSelectionModel::Select);
        }
    }
    if (first && !document_->empty()) {
        selection->setCurrentIndex(model_->index(0), QItemSelectionModel::NoUpdate);
    }
    if (document_->storeError()) {
        hooks_.status(
            displayText("documentNotStored").arg(QString::fromStdString(*document_->storeError())));
    }
    updateActions();
}

void PageArea::updateActions() {
    const bool hasPages = document_ && !document_->empty() && model_->showsDocument();
    const bool selected = hasPages && list_->selectionModel()->hasSelection();
    for (QAction* action : actions_) {
        if (action) {
            action->setEnabled(selected);
        }
    }
    saveAction_->setEnabled(hasPages);
    findChild<QAction*>("reverseOrder")->setEnabled(hasPages);
    findChild<QAction*>("interleave")->setEnabled(hasPages);
    findChild<QAction*>("insertScan")->setEnabled(reviewing());
    findChild<QAction*>("viewPage")->setEnabled(model_->rowCount() > 0);
    undoAction_->setEnabled(document_ && document_->canUndo());
    redoAction_->setEnabled(document_ && document_->canRedo());
}

void PageArea::save() {
    if (!document_ || document_->empty() || (hooks_.scanning && hooks_.scanning())) {
        return;
    }
    const std::optional<DocumentTarget> target = hooks_.target ? hooks_.target() : std::nullopt;
    if (!target) {
        hooks_.status(displayText("saveNotPossible"));
        return;
    }
    std::error_code ignored;
    fs::create_directories(target->folder, ignored);
    const auto saved = saveDocument(*document_, *target);
    if (!saved) {
        QMessageBox::warning(this, displayText("error"),
                             displayText("saveFailed").arg(QString::fromStdString(saved.error)));
        return;
    }
    const auto blank = std::count_if(document_->pages().begin(), document_->pages().end(),
                                     [](const DocumentPage& page) { return page.facts->blank; });
    const size_t pages = document_->size() - static_cast<size_t>(blank);
    document_->clear();
    model_->showDocument(nullptr);
    QStringList status;
    if (pages > 0) {
        const std::string& first = saved.value->front();
        const std::string where =
            target->format == DocumentFormat::pdf ? first : fs::path(first).parent_path().string();
        status << displayText("pagesSaved").arg(pages).arg(QString::fromStdString(where));
    }
    if (blank > 0) {
        // The copies of the blank pages come last in what was written; with every page blank
        // they are all that was written, and no saved document may be claimed.
        status << displayText("blankSetAside")
                      .arg(blank)
                      .arg(QString::fromStdString(
                          fs::path(saved.value->back()).parent_path().string()));
    }
    hooks_.status(status.join(' '));
    updateActions();
}

void PageArea::insertScan() {
    if (!reviewing() || !hooks_.scan) {
        return;
    }
    const std::vector<size_t> rows = selectedRows();
    insertAfter_ = rows.empty() ? std::nullopt : std::optional<size_t>(rows.back());
    hooks_.scan();
}

void PageArea::viewPage() {
    const QModelIndex current = list_->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const QString title = displayText("pageNumber").arg(current.row() + 1);
    if (model_->showsDocument()) {
        const DocumentPage& page = document_->pages()[static_cast<size_t>(current.row())];
        showLarge(this, QString::fromStdString(document_->pathOf(page)), page.quarterTurns, title);
    }
}

void PageArea::interleave() {
    if (document_) {
        changed(document_->interleave());
    }
}

void PageArea::adoptLeftovers() {
    if (!claim_) {
        return;
    }
    const fs::path incoming = fs::path(claim_->folder()) / kIncoming;
    std::vector<fs::path> dirs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(incoming, error)) {
        if (entry.is_directory(error)) {
            dirs.push_back(entry.path());
        }
    }
    std::sort(dirs.begin(), dirs.end());
    for (const fs::path& dir : dirs) {
        const std::vector<std::string> files = pageFilesIn(dir);
        if (!files.empty()) {
            document_->insert(files, std::nullopt);
        }
        fs::remove(dir, error);  // only when nothing is left in it
    }
}

OrientationReader PageArea::orientationReader(const CleanUpChoices& choices) {
    if (!choices.turnUpright) {
        return {};
    }
    if (!orientation_) {
        orientation_.emplace(TesseractEngine::open({"osd"}));
    }
    return *orientation_ ? orientationReaderOf(*orientation_->value) : OrientationReader{};
}

}  // namespace scandesk
