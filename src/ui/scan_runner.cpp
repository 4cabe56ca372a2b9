// The worker thread and progress dialog of a scan pass.
#include "ui/scan_runner.h"

#include <QCloseEvent>
#include <QMetaObject>

#include "common/diagnostics.h"
#include "ui/translations.h"

namespace scandesk {
namespace {

// The dialog's text for the pages stored so far.
QString progressText(int pages) {
    return displayText("scanInProgress") + "\n" + displayText("pagesReceived") + " " +
           QString::number(pages);
}

/// A progress dialog without a way out: the pass cannot be stopped, so neither Escape
/// nor the window's close button may hide the dialog and free the window meanwhile.
class PassProgressDialog final : public QProgressDialog {
  public:
    explicit PassProgressDialog(QWidget* window)
        : QProgressDialog(progressText(0), QString(), 0, 0, window) {}

    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

ScanRunner::ScanRunner(ScannerModel& model, QWidget* window) : model_(model), window_(window) {
    model_.setPageProgress([this](int pageNo) {
        QMetaObject::invokeMethod(
            this, [this, pageNo] { showPage(pageNo); }, Qt::QueuedConnection);
    });
}

ScanRunner::~ScanRunner() {
    if (worker_.joinable()) {
        worker_.join();
    }
    model_.setPageProgress({});
}

bool ScanRunner::run(Pass pass, std::function<void()> finished) {
    if (busy_) {
        return false;
    }
    busy_ = true;
    finished_ = std::move(finished);
    progress_ = std::make_unique<PassProgressDialog>(window_);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->show();
    worker_ = std::thread([this, pass = std::move(pass)] {
        try {
            pass(model_);
        } catch (const std::exception& error) {
            // An escaping exception would end the whole program; end the pass instead.
            diag("scan pass failed: ", error.what());
            model_.raiseAlert("error", "unexpectError");
        } catch (...) {
            diag("scan pass failed with an unknown exception");
            model_.raiseAlert("error", "unexpectError");
        }
        QMetaObject::invokeMethod(
            this, [this] { passEnded(); }, Qt::QueuedConnection);
    });
    return true;
}

void ScanRunner::showPage(int pageNo) {
    if (progress_) {
        progress_->setLabelText(progressText(pageNo));
    }
}

void ScanRunner::passEnded() {
    worker_.join();
    busy_ = false;
    progress_.reset();
    auto finished = std::move(finished_);
    finished_ = nullptr;
    if (finished) {
        finished();
    }
}

}  // namespace scandesk
