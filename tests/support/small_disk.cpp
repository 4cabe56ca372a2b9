// A private small tmpfs for the tests of full disks.
#include "support/small_disk.h"

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace scandesk::testing {

SmallDisk::SmallDisk(size_t kib) {
    if (::geteuid() != 0) {
        problem_ = "a private mount needs root";
        return;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "scandesk-disk-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        problem_ = std::string("mkdtemp: ") + std::strerror(errno);
        return;
    }
    path_ = pattern;
    // Private propagation first, so that the mount never reaches the host's namespace.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        problem_ = std::string("private mount namespace: ") + std::strerror(errno);
        return;
    }
    const std::string options = "size=" + std::to_string(kib) + "k";
    if (::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        problem_ = std::string("mount tmpfs: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        ::umount2(path_.c_str(), MNT_DETACH);
    }
    if (!path_.empty()) {
        ::rmdir(path_.c_str());
    }
}

}  // namespace scandesk::testing
