// Posting work items into the Qt event loop.
#include "ui/gui_executor.h"

#include <QMetaObject>

namespace scandesk {

void GuiExecutor::post(Task task) {
    // Qt's event loop must never see an exception: a failing task is reported instead.
    QMetaObject::invokeMethod(
        context_, [task = std::move(task)] { guarded("task", task); }, Qt::QueuedConnection);
}

}  // namespace scandesk
