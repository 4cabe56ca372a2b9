// Captures the diagnostic lines written while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "common/diagnostics.h"

namespace scandesk::testing {

class CapturedLines {
  public:
    CapturedLines();
    std::vector<std::string> lines() const;
    /// Whether some captured line equals `line`.
    bool contains(const std::string& line) const;
    /// Whether some captured line contains `fragment`.
    bool containsFragment(const std::string& fragment) const;
    /// How many captured lines equal `line`.
    size_t count(const std::string& line) const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    ScopedDiagnosticSink sink_;
};

}  // namespace scandesk::testing
