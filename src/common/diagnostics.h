// The one sink every diagnostic line of the system goes through.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <string_view>

namespace scandesk {

/// Receives one whole diagnostic line, without its line end.
using LineSink = std::function<void(std::string_view line)>;

/// Writes one line to the current sink (standard output unless replaced).
/// Thread-safe: concurrent lines never interleave.
void diagLine(std::string_view line);

/// Writes the concatenation of the parts as one line.
template <typename... Parts>
void diag(const Parts&... parts) {
    std::ostringstream out;
    (out << ... << parts);
    diagLine(out.str());
}

/// printf-style line for the low network layers; one trailing line end is dropped,
/// since the sink ends every line itself.
[[gnu::format(printf, 1, 2)]] void diagf(const char* format, ...);

/// "true" or "false", as the diagnostic lines spell flags.
inline const char* boolText(bool value) {
    return value ? "true" : "false";
}

/// Replaces the process-wide sink; an empty function discards every line.
/// Returns the previous sink so that callers can restore it.
LineSink setDiagnosticSink(LineSink sink);

/// The default sink: each line on standard output, flushed.
void writeLineToStdout(std::string_view line);

/// Routes diagnostics to a function for its lifetime, then restores the previous sink.
class ScopedDiagnosticSink {
  public:
    explicit ScopedDiagnosticSink(LineSink sink) : previous_(setDiagnosticSink(std::move(sink))) {}
    ~ScopedDiagnosticSink() { setDiagnosticSink(std::move(previous_)); }
    ScopedDiagnosticSink(const ScopedDiagnosticSink&) = delete;
    ScopedDiagnosticSink& operator=(const ScopedDiagnosticSink&) = delete;

  private:
    LineSink previous_;
};

}  // namespace scandesk
