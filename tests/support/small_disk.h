// A nearly full disk for tests: a small tmpfs that only this test process sees.
#pragma once

#include <cstddef>
#include <string>

namespace scandesk::testing {

/// Mounts a tmpfs of `kib` KiB on a fresh directory inside a mount namespace of the
/// calling thread (and the processes it starts), so nothing outside the test sees it.
/// Needs root; `ready()` says whether it worked and `problem()` why not.
class SmallDisk {
  public:
    explicit SmallDisk(size_t kib);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool ready() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string problem_;
    bool mounted_ = false;
};

}  // namespace scandesk::testing
