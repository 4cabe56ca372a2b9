// One opened scanner: its options, its batch of pages and the line reader of the current one.
#pragma once

#include <sane/sane.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "network/unique_fd.h"
#include "sane/device_list.h"
#include "sane/page_lines.h"
#include "sane/scan_job.h"
#include "sane/scan_settings.h"

namespace scandesk::sane {

/// The options in descriptor order.
enum OptionIndex : SANE_Int {
    kOptCount,
    kOptStandardGroup,
    kOptMode,
    kOptResolution,
    kOptSource,
    kOptGeometryGroup,
    kOptTlX,
    kOptTlY,
    kOptBrX,
    kOptBrY,
    kOptionCount,
};

/// What a SANE handle points at.
class OpenScanner {
  public:
    /// `makeProcess` makes a job's transport; by default the entry's own (TCP or USB).
    explicit OpenScanner(ScannerEntry entry,
                         std::function<ProcessMaker(const ScanParam&)> makeProcess = {});
    ~OpenScanner();
    OpenScanner(const OpenScanner&) = delete;
    OpenScanner& operator=(const OpenScanner&) = delete;

    const SANE_Option_Descriptor* descriptor(SANE_Int option) const;
    SANE_Status control(SANE_Int option, SANE_Action action, void* value, SANE_Int* info);
    SANE_Status parameters(SANE_Parameters& out) const;
    SANE_Status start();
    SANE_Status read(SANE_Byte* data, SANE_Int maxLength, SANE_Int& length);
    /// Safe in a signal handler: sets a flag and wakes the watcher, nothing more.
    void cancel() noexcept;
    SANE_Status setIoMode(SANE_Bool nonBlocking) const;

    const ScanSettings& settings() const { return settings_; }
    /// Compressed bytes of pages received but not yet started.
    size_t queuedBytes() const;

  private:
    void describeOptions();
    void offerResolutions();
    SANE_Status setOption(SANE_Int option, void* value, SANE_Int* info);
    /// Ends the batch: stops the job and waits for it to release the scanner.
    void dropJob();
    /// Turns the cancel flag's wake-ups into stop requests of the running job.
    void watchCancel(std::stop_token stop);

    ScannerEntry entry_;
    std::function<ProcessMaker(const ScanParam&)> makeProcess_;
    ScanSettings settings_;
    std::array<SANE_Option_Descriptor, kOptionCount> descriptors_{};
    std::vector<SANE_String_Const> modes_;
    std::vector<SANE_String_Const> sources_;
    std::vector<SANE_Word> resolutions_;  ///< count first, as SANE word lists are
    SANE_Range xRange_{};
    SANE_Range yRange_{};

    std::optional<ScanPlan> plan_;  ///< of the running batch
    mutable std::mutex jobMutex_;   ///< guards `job_` against the watcher
    std::unique_ptr<ScanJob> job_;
    std::optional<PageLines> page_;
    Bytes line_;
    size_t lineOffset_ = 0;

    std::atomic<bool> cancelRequested_{false};
    UniqueFd cancelEvent_;
    std::jthread watcher_;  // last: it uses the members above
};

/// The SANE status a job's end reports to the frontend.
SANE_Status statusFor(ScanCode code);

}  // namespace scandesk::sane
