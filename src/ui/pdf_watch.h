// Notes which PDF file a scan wrote, so the window can offer to open it.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "session/model_services.h"

namespace scandesk {

/// Wraps a model's PDF writer and remembers the path of the last PDF it wrote. The
/// writer names its file itself, so the watch compares the folder before and after.
class PdfWatch {
  public:
    /// The services with their PDF writer wrapped; the watch must outlive them.
    ScannerModelServices watch(ScannerModelServices services);

    /// The path of the PDF written since the last call, if any; forgets it.
    std::string take();

  private:
    std::mutex mutex_;
    std::string written_;
};

}  // namespace scandesk
