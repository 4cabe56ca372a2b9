// One log call as it waits on a destination's queue.
#pragma once

#include <string>

#include "logging/level.h"

namespace scandesk {

/// The fields `send` receives. Queues reuse these records, so their strings keep the
/// capacity they grew to and a steady stream of lines allocates nothing.
struct QueuedLine {
    Level level = Level::verbose;
    std::string msg;
    std::string thread;
    std::string file;
    std::string function;
    int line = 0;
    bool hasContext = false;
    std::string context;
};

}  // namespace scandesk
