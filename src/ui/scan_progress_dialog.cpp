// Building and updating the scan pass's dialog.
#include "ui/scan_progress_dialog.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QPixmap>
#include <QVBoxLayout>

#include "common/localization.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

// Room for a row of four thumbnails with their captions.
constexpr int kListWidth = 4 * (ScanProgressDialog::kThumbnailSize + 24);
constexpr int kListHeight = ScanProgressDialog::kThumbnailSize + 48;

QString statusText(int pages) {
    return displayText("scanInProgress") + "\n" + displayText("pagesReceived") + " " +
           QString::number(pages);
}

}  // namespace

ScanProgressDialog::ScanProgressDialog(QWidget* window, std::function<void()> cancel)
    : QDialog(window), cancel_(std::move(cancel)) {
    setObjectName("scanProgress");
    setWindowTitle(displayText("scanInProgress"));
    setWindowModality(Qt::WindowModal);
    auto* column = new QVBoxLayout(this);
    status_ = new QLabel(statusText(0), this);
    status_->setObjectName("scanStatus");
    thumbnails_ = new QListWidget(this);
    thumbnails_->setObjectName("thumbnails");
    thumbnails_->setViewMode(QListView::IconMode);
    thumbnails_->setIconSize({kThumbnailSize, kThumbnailSize});
    thumbnails_->setMovement(QListView::Static);
    thumbnails_->setResizeMode(QListView::Adjust);
    thumbnails_->setSelectionMode(QAbstractItemView::NoSelection);
    thumbnails_->setFocusPolicy(Qt::NoFocus);
    thumbnails_->setMinimumSize(kListWidth, kListHeight);
    auto* buttons = new QDialogButtonBox(this);
    cancelButton_ = buttons->addButton(displayText("cancelScan"), QDialogButtonBox::RejectRole);
    cancelButton_->setObjectName("cancelScan");
    connect(cancelButton_, &QPushButton::clicked, this, [this] { requestCancel(); });
    recognition_ = new QLabel(this);
    recognition_->setObjectName("recognitionStatus");
    recognition_->hide();
    column->addWidget(status_);
    column->addWidget(recognition_);
    column->addWidget(thumbnails_, 1);
    column->addWidget(buttons);
}

void ScanProgressDialog::setPageCount(int pages) {
    status_->setText(statusText(pages));
}

void ScanProgressDialog::showRecognition(int done, int total) {
    recognition_->setText(QString::fromStdString(
        fillIn(localized("recognisingText"), {std::to_string(done), std::to_string(total)})));
    recognition_->show();
}

void ScanProgressDialog::showThumbnail(int pageNo, const QImage& thumbnail) {
    const QIcon icon(QPixmap::fromImage(thumbnail));
    int row = 0;
    while (row < thumbnails_->count() &&
           thumbnails_->item(row)->data(Qt::UserRole).toInt() < pageNo) {
        ++row;
    }
    QListWidgetItem* item = thumbnails_->item(row);
    if (!item || item->data(Qt::UserRole).toInt() != pageNo) {
        item = new QListWidgetItem(QString::number(pageNo));
        item->setData(Qt::UserRole, pageNo);
        thumbnails_->insertItem(row, item);
    }
    item->setIcon(icon);
    thumbnails_->scrollToItem(item);
}

void ScanProgressDialog::reject() {
    // Escape stops the pass; the dialog itself stays until the pass has ended.
    requestCancel();
}

void ScanProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    requestCancel();
}

void ScanProgressDialog::requestCancel() {
    if (cancelRequested_) {
        return;
    }
    cancelRequested_ = true;
    cancelButton_->setEnabled(false);
    cancelButton_->setText(displayText("cancellingScan"));
    if (cancel_) {
        cancel_();
    }
}

}  // namespace scandesk
