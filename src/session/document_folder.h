// Where a window keeps its unsaved document, and the claim that keeps it its own.
#pragma once

#include <optional>
#include <string>

namespace scandesk {

/// The program's state folder: `$XDG_STATE_HOME/scandesk` (an absolute value only), else
/// `~/.local/state/scandesk`; nothing without either.
std::optional<std::string> stateFolder(const char* xdgStateHome, const char* home);

/// A document folder held by this process: "document", "document-2", ... under the state
/// folder, the first one no other window or process holds (a lock on a file in it). The
/// claim lasts as long as the object; a process that dies leaves its folder for the next.
class DocumentFolderClaim {
  public:
    static std::optional<DocumentFolderClaim> claim(const std::string& stateFolder);

    DocumentFolderClaim(DocumentFolderClaim&& other) noexcept;
    DocumentFolderClaim& operator=(DocumentFolderClaim&& other) noexcept;
    DocumentFolderClaim(const DocumentFolderClaim&) = delete;
    DocumentFolderClaim& operator=(const DocumentFolderClaim&) = delete;
    ~DocumentFolderClaim();

    const std::string& folder() const { return folder_; }

  private:
    DocumentFolderClaim(std::string folder, int fd) : folder_(std::move(folder)), fd_(fd) {}

    std::string folder_;
    int fd_ = -1;
};

}  // namespace scandesk
