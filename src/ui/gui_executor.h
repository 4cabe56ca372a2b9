// Runs the session core's main-queue work items on the Qt GUI thread.
#pragma once

#include <QObject>

#include "common/executor.h"

namespace scandesk {

/// Posts each task into the event loop of the thread that owns `context` (the GUI
/// thread). Tasks still queued when the context is destroyed are dropped; one that
/// throws is reported as a diagnostic line.
class GuiExecutor final : public Executor {
  public:
    explicit GuiExecutor(QObject* context) : context_(context) {}

    /// Queues the task behind the events already waiting; callable from any thread.
    void post(Task task) override;

  private:
    QObject* context_;
};

}  // namespace scandesk
