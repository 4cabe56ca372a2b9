// The one sink every diagnostic line of the system goes through, with a level per line.
//
// The layers only write lines; each program decides where they go (its logger, standard
// error, nowhere). This folder knows nothing of the logger, so the seam carries plain
// levels that the programs map onto it.
#pragma once

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>

namespace scandesk {

/// How much a diagnostic line matters, from byte dumps up to faults.
enum class DiagLevel : uint8_t { verbose, debug, info, warning, error };

/// Receives one whole diagnostic line, without its line end, and its level.
using DiagnosticSink = std::function<void(DiagLevel level, std::string_view line)>;

/// A sink that takes the text alone, whatever its level.
using LineSink = std::function<void(std::string_view line)>;

/// Whether a line of this level reaches the sink; lines below the sink's least level
/// are neither formatted nor passed on.
bool diagWanted(DiagLevel level);

/// Writes one line to the current sink (standard error unless replaced).
/// Thread-safe: concurrent lines never interleave.
void diagLine(DiagLevel level, std::string_view line);

/// Writes the concatenation of the parts as one line of the given level.
template <typename... Parts>
void diagAt(DiagLevel level, const Parts&... parts) {
    if (!diagWanted(level)) {
        return;
    }
    std::ostringstream out;
    (out << ... << parts);
    diagLine(level, out.str());
}

/// Byte dumps and other per-transfer detail.
template <typename... Parts>
void diagVerbose(const Parts&... parts) {
    diagAt(DiagLevel::verbose, parts...);
}
/// Steps of a job: commands, replies, per-page and per-packet lines.
template <typename... Parts>
void diagDebug(const Parts&... parts) {
    diagAt(DiagLevel::debug, parts...);
}
/// Milestones a user may want in a report: scan start and end, scanners found.
template <typename... Parts>
void diagInfo(const Parts&... parts) {
    diagAt(DiagLevel::info, parts...);
}
/// Something went wrong that the program works around or reports as an outcome.
template <typename... Parts>
void diagWarning(const Parts&... parts) {
    diagAt(DiagLevel::warning, parts...);
}
/// A fault that ends an operation.
template <typename... Parts>
void diagError(const Parts&... parts) {
    diagAt(DiagLevel::error, parts...);
}

/// printf-style line for the low network layers; one trailing line end is dropped,
/// since the sink ends every line itself.
[[gnu::format(printf, 2, 3)]] void diagf(DiagLevel level, const char* format, ...);

/// "true" or "false", as the diagnostic lines spell flags.
inline const char* boolText(bool value) {
    return value ? "true" : "false";
}

/// Replaces the process-wide sink and the least level it takes; an empty function
/// discards every line. Returns the previous sink so that callers can restore it.
DiagnosticSink setDiagnosticSink(DiagnosticSink sink, DiagLevel least = DiagLevel::verbose);
/// The same for a sink that ignores levels.
DiagnosticSink setDiagnosticSink(LineSink sink);

/// The default sink: each line on standard error, flushed. Standard output is kept for
/// what the programs produce.
void writeLineToStderr(std::string_view line);

/// Routes diagnostics to a function for its lifetime, then restores the previous sink.
class ScopedDiagnosticSink {
  public:
    explicit ScopedDiagnosticSink(DiagnosticSink sink, DiagLevel least = DiagLevel::verbose);
    explicit ScopedDiagnosticSink(LineSink sink);
    ~ScopedDiagnosticSink();
    ScopedDiagnosticSink(const ScopedDiagnosticSink&) = delete;
    ScopedDiagnosticSink& operator=(const ScopedDiagnosticSink&) = delete;

  private:
    DiagnosticSink previous_;
    DiagLevel previousLeast_;
};

}  // namespace scandesk
