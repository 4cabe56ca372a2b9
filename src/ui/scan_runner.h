// Runs one scan pass on a worker thread behind its progress dialog.
#pragma once

#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "protocol/scan_outcome.h"
#include "session/scanner_model.h"
#include "ui/scan_progress_dialog.h"
#include "ui/thumbnail_loader.h"

namespace scandesk {

/// One scan pass at a time for one window. The pass blocks its worker thread, not the
/// window; the window-modal dialog shows the pages stored so far with their
/// thumbnails, keeps every other action of the window from starting until the pass is
/// over, and its Cancel asks the pass to stop.
class ScanRunner final : public QObject {
  public:
    /// One pass: it ends early, as cancelled, once `stop` is requested.
    using Pass = std::function<ScanOutcome(ScannerModel& model, std::stop_token stop)>;
    using Finished = std::function<void(const ScanOutcome& outcome)>;

    /// Runs passes of `model` behind dialogs over `window`, showing its page progress.
    ScanRunner(ScannerModel& model, QWidget* window);
    /// Stops a running pass and waits for it to end.
    ~ScanRunner() override;
    ScanRunner(const ScanRunner&) = delete;
    ScanRunner& operator=(const ScanRunner&) = delete;

    /// Starts `pass` on the worker; `finished` runs on the GUI thread once it is over.
    /// `prefix` is the file name prefix of the pass's page files in the receive
    /// directory. Returns false (and starts nothing) while another pass runs.
    bool run(Pass pass, std::string prefix, Finished finished);

    /// Asks the running pass to stop; it ends as soon as its transport lets go.
    void cancel();

    /// Whether a pass is running.
    bool busy() const { return busy_; }

    /// The thumbnails of the last pass's pages that were ready by its end, in page order.
    QList<QImage> pictures() const { return pictures_.values(); }

    /// The dialog of the running pass, if any.
    ScanProgressDialog* progressDialog() const { return progress_.get(); }

  private:
    /// Shows the number of pages stored so far and asks for the page's thumbnail.
    void showPage(int pageNo);
    /// Joins the worker, closes the dialog and reports the end.
    void passEnded(ScanOutcome outcome);

    ScannerModel& model_;
    QWidget* window_;
    bool busy_ = false;
    std::string prefix_;
    std::unique_ptr<ScanProgressDialog> progress_;
    std::unique_ptr<ThumbnailLoader> thumbnails_;
    Finished finished_;
    QMap<int, QImage> pictures_;
    std::stop_source stop_;
    std::thread worker_;
};

}  // namespace scandesk
