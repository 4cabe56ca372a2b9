// A diagnostic sink that keeps lines for assertions.
#include "support/captured_lines.h"

#include <algorithm>

namespace scandesk::testing {

CapturedLines::CapturedLines()
    : sink_([this](std::string_view line) {
          std::lock_guard lock(mutex_);
          lines_.emplace_back(line);
      }) {}

std::vector<std::string> CapturedLines::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool CapturedLines::contains(const std::string& line) const {
    return count(line) > 0;
}

bool CapturedLines::containsFragment(const std::string& fragment) const {
    std::lock_guard lock(mutex_);
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
}

size_t CapturedLines::count(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count(lines_.begin(), lines_.end(), line));
}

}  // namespace scandesk::testing
