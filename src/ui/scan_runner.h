// Runs one scan pass on a worker thread behind a modal progress dialog.
#pragma once

#include <QObject>
#include <QProgressDialog>
#include <functional>
#include <memory>
#include <thread>

#include "session/scanner_model.h"

namespace scandesk {

/// One scan pass at a time for one window. The pass blocks its worker thread, not the
/// window; the window-modal progress dialog shows the pages received so far and keeps
/// every other action of the window from starting until the pass is over.
class ScanRunner final : public QObject {
  public:
    using Pass = std::function<void(ScannerModel& model)>;

    /// Runs passes of `model` behind dialogs over `window`, showing its page progress.
    ScanRunner(ScannerModel& model, QWidget* window);
    /// Waits for a running pass to end.
    ~ScanRunner() override;
    ScanRunner(const ScanRunner&) = delete;
    ScanRunner& operator=(const ScanRunner&) = delete;

    /// Starts `pass` on the worker; `finished` runs on the GUI thread once it is over.
    /// Returns false (and starts nothing) while another pass runs.
    bool run(Pass pass, std::function<void()> finished);

    /// Whether a pass is running.
    bool busy() const { return busy_; }

    /// The progress dialog of the running pass, if any (for tests).
    QProgressDialog* progressDialog() const { return progress_.get(); }

  private:
    /// Shows the number of pages stored so far.
    void showPage(int pageNo);
    /// Joins the worker, closes the dialog and reports the end.
    void passEnded();

    ScannerModel& model_;
    QWidget* window_;
    bool busy_ = false;
    std::unique_ptr<QProgressDialog> progress_;
    std::function<void()> finished_;
    std::thread worker_;
};

}  // namespace scandesk
