// Setting pages aside: a fresh folder and a rename per page (a copy across file systems).
#include "imaging/set_aside.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "imaging/page_files.h"

namespace scandesk {
namespace {

constexpr int kFolderTries = 100;

/// Makes a folder that did not exist before: `folder`, `folder`-2, ...
Outcome<std::string> makeFreshFolder(const std::string& folder) {
    for (int attempt = 1; attempt <= kFolderTries; ++attempt) {
        const std::string name = attempt == 1 ? folder : folder + "-" + std::to_string(attempt);
        std::error_code error;
        if (std::filesystem::create_directory(name, error)) {
            return {name, {}};
        }
        if (error) {
            return Outcome<std::string>::failure("cannot create " + name + ": " + error.message());
        }
    }
    return Outcome<std::string>::failure("no free name for " + folder);
}

/// Moves (or copies) one file into the folder; the description of the failure, if any.
std::optional<std::string> moveInto(const std::string& file, const std::string& folder,
                                    SetAside how) {
    const std::filesystem::path target =
        std::filesystem::path(folder) / std::filesystem::path(file).filename();
    std::error_code error;
    if (how == SetAside::move) {
        std::filesystem::rename(file, target, error);
        if (!error) {
            return std::nullopt;
        }
        if (error != std::errc::cross_device_link) {
            return "cannot move " + file + ": " + error.message();
        }
    }
    // A copy, or another file system: the copy is complete on disk before an original goes.
    const Outcome<Bytes> bytes = readWholeFile(file);
    if (!bytes) {
        return bytes.error;
    }
    if (auto failed = writeFileAtomically(target.string(), *bytes.value)) {
        return failed;
    }
    if (how == SetAside::copy) {
        return std::nullopt;
    }
    std::filesystem::remove(file, error);
    return error ? std::optional<std::string>("cannot remove " + file + ": " + error.message())
                 : std::nullopt;
}

}  // namespace

Outcome<std::string> setAsidePages(const std::vector<std::string>& files, const std::string& folder,
                                   SetAside how) {
    Outcome<std::string> made = makeFreshFolder(folder);
    if (!made) {
        return made;
    }
    for (const std::string& file : files) {
        if (auto failed = moveInto(file, *made.value, how)) {
            return Outcome<std::string>::failure(*failed);
        }
    }
    return made;
}

}  // namespace scandesk
