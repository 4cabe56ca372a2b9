// The dialog in front of a running scan pass: page count, page thumbnails, Cancel.
#pragma once

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <functional>

namespace scandesk {

/// Window-modal while a pass runs. It cannot be closed by the user: Cancel, Escape and
/// the close button all ask the pass to stop, and the dialog goes when the pass ends.
class ScanProgressDialog final : public QDialog {
  public:
    /// Edge length in pixels of the square a thumbnail fits in.
    static constexpr int kThumbnailSize = 96;

    /// `cancel` is called (once) when the user asks the pass to stop.
    ScanProgressDialog(QWidget* window, std::function<void()> cancel);

    /// Shows the number of pages stored so far.
    void setPageCount(int pages);
    /// Shows "Recognising text: page N of M" under the pages received.
    void showRecognition(int done, int total);
    /// Adds or replaces the thumbnail of a stored page, kept in page order.
    void showThumbnail(int pageNo, const QImage& thumbnail);

    /// The thumbnails on show, for tests.
    const QListWidget& thumbnails() const { return *thumbnails_; }
    /// Whether the user asked to stop the pass.
    bool cancelRequested() const { return cancelRequested_; }

    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void requestCancel();

    std::function<void()> cancel_;
    bool cancelRequested_ = false;
    QLabel* status_ = nullptr;
    QLabel* recognition_ = nullptr;
    QListWidget* thumbnails_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace scandesk
