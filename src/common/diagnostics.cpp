// The process-wide diagnostic sink. It is the one piece of mutable global state the
// core keeps: the front ends choose where diagnostics go, the layers only write lines.
#include "common/diagnostics.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

namespace scandesk {
namespace {

// The least level of a sink that takes nothing.
constexpr int kNobody = 1 + static_cast<int>(DiagLevel::error);

struct SinkState {
    std::mutex mutex;
    DiagnosticSink sink = [](DiagLevel, std::string_view line) { writeLineToStderr(line); };
    // The least level taken, or kNobody; read without the lock, so that unwanted lines
    // cost one load.
    std::atomic<int> least{0};
};

SinkState& state() {
    static SinkState instance;
    return instance;
}

// Installs a sink and its least level; gives back the previous pair.
std::pair<DiagnosticSink, DiagLevel> exchangeSink(DiagnosticSink sink, DiagLevel least) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    const int taken = sink ? static_cast<int>(least) : kNobody;
    std::swap(s.sink, sink);
    const int previous = s.least.exchange(taken);
    return {std::move(sink), static_cast<DiagLevel>(std::min(previous, kNobody - 1))};
}

// A level-blind sink as a levelled one; empty stays empty.
DiagnosticSink ignoringLevel(LineSink sink) {
    if (!sink) {
        return {};
    }
    return [sink = std::move(sink)](DiagLevel, std::string_view line) { sink(line); };
}

}  // namespace

void writeLineToStderr(std::string_view line) {
    std::cerr << line << '\n' << std::flush;
}

bool diagWanted(DiagLevel level) {
    return static_cast<int>(level) >= state().least.load(std::memory_order_relaxed);
}

void diagLine(DiagLevel level, std::string_view line) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.sink && diagWanted(level)) {
        s.sink(level, line);
    }
}

void diagf(DiagLevel level, const char* format, ...) {
    if (!diagWanted(level)) {
        return;
    }
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
    diagLine(level, text);
}

DiagnosticSink setDiagnosticSink(DiagnosticSink sink, DiagLevel least) {
    return exchangeSink(std::move(sink), least).first;
}

DiagnosticSink setDiagnosticSink(LineSink sink) {
    return setDiagnosticSink(ignoringLevel(std::move(sink)));
}

ScopedDiagnosticSink::ScopedDiagnosticSink(DiagnosticSink sink, DiagLevel least) {
    std::tie(previous_, previousLeast_) = exchangeSink(std::move(sink), least);
}

ScopedDiagnosticSink::ScopedDiagnosticSink(LineSink sink)
    : ScopedDiagnosticSink(ignoringLevel(std::move(sink))) {}

ScopedDiagnosticSink::~ScopedDiagnosticSink() {
    exchangeSink(std::move(previous_), previousLeast_);
}

}  // namespace scandesk
