// The process-wide diagnostic sink. It is the one piece of mutable global state the
// core keeps: the front ends choose where diagnostics go, the layers only write lines.
#include "common/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <vector>

namespace scandesk {
namespace {

struct SinkState {
    std::mutex mutex;
    LineSink sink = writeLineToStdout;
};

SinkState& state() {
    static SinkState instance;
    return instance;
}

}  // namespace

void writeLineToStdout(std::string_view line) {
    std::cout << line << '\n' << std::flush;
}

void diagLine(std::string_view line) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.sink) {
        s.sink(line);
    }
}

void diagf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(args);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    diagLine(text);
}

LineSink setDiagnosticSink(LineSink sink) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    std::swap(s.sink, sink);
    return sink;
}

}  // namespace scandesk
