// The worker thread and progress dialog of a scan pass.
#include "ui/scan_runner.h"

#include <QMetaObject>

#include "common/diagnostics.h"

namespace scandesk {

ScanRunner::ScanRunner(ScannerModel& model, QWidget* window) : model_(model), window_(window) {
    model_.setPageProgress([this](int pageNo) {
        QMetaObject::invokeMethod(
            this, [this, pageNo] { showPage(pageNo); }, Qt::QueuedConnection);
    });
    model_.setAnalysisProgress([this](int done, int total) {
        QMetaObject::invokeMethod(
            this,
            [this, done, total] {
                if (progress_) {
                    progress_->showRecognition(done, total);
                }
            },
            Qt::QueuedConnection);
    });
}

ScanRunner::~ScanRunner() {
    if (worker_.joinable()) {
        stop_.request_stop();
        worker_.join();
    }
    model_.setPageProgress({});
    model_.setAnalysisProgress({});
}

bool ScanRunner::run(Pass pass, std::string prefix, Finished finished) {
    if (busy_) {
        return false;
    }
    busy_ = true;
    prefix_ = std::move(prefix);
    finished_ = std::move(finished);
    stop_ = std::stop_source();
    pictures_.clear();
    progress_ = std::make_unique<ScanProgressDialog>(window_, [this] { cancel(); });
    thumbnails_ = std::make_unique<ThumbnailLoader>(
        ScanProgressDialog::kThumbnailSize, [this](int pageNo, const QImage& thumbnail) {
            pictures_.insert(pageNo, thumbnail);
            if (progress_) {
                progress_->showThumbnail(pageNo, thumbnail);
            }
        });
    progress_->show();
    worker_ = std::thread([this, pass = std::move(pass), stop = stop_.get_token()] {
        ScanOutcome outcome;
        try {
            outcome = pass(model_, stop);
        } catch (const std::exception& error) {
            // An escaping exception would end the whole program; end the pass instead.
            diagError("scan pass failed: ", error.what());
            model_.raiseAlert("error", "unexpectError");
            outcome = ScanOutcome::failure(ScanCode::unexpectError);
        } catch (...) {
            diagError("scan pass failed with an unknown exception");
            model_.raiseAlert("error", "unexpectError");
            outcome = ScanOutcome::failure(ScanCode::unexpectError);
        }
        QMetaObject::invokeMethod(
            this, [this, outcome] { passEnded(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

void ScanRunner::cancel() {
    if (busy_) {
        stop_.request_stop();
    }
}

void ScanRunner::showPage(int pageNo) {
    if (!progress_) {
        return;
    }
    progress_->setPageCount(pageNo);
    // The receive directory is the pass's own from before its first page.
    thumbnails_->load(pageNo, model_.receiveDir() + "/" + prefix_);
}

void ScanRunner::passEnded(ScanOutcome outcome) {
    worker_.join();
    busy_ = false;
    thumbnails_.reset();
    progress_.reset();
    auto finished = std::move(finished_);
    finished_ = nullptr;
    if (finished) {
        finished(outcome);
    }
}

}  // namespace scandesk
