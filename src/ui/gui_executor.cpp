// Posting work items into the Qt event loop.
#include "ui/gui_executor.h"

#include <QMetaObject>

namespace scandesk {

void GuiExecutor::post(Task task) {
    QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
}

}  // namespace scandesk
