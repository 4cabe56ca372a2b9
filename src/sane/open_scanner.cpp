// Options, batches, line reading and cancelling of one opened scanner.
#include "sane/open_scanner.h"

#include <poll.h>
#include <sane/saneopts.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/diagnostics.h"
#include "network/socket_scan_process.h"
#include "network/stop_signal.h"
#include "usb/usb_scan_process.h"

namespace scandesk::sane {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "sane_cancel runs in signal handlers");

/// How often the cancel watcher looks at its stop token when no eventfd could be made.
constexpr int kWatchPollMs = 200;

constexpr std::array<SANE_String_Const, 3> kModeNames{
    SANE_VALUE_SCAN_MODE_COLOR, SANE_VALUE_SCAN_MODE_GRAY, SANE_VALUE_SCAN_MODE_LINEART};

// The source names frontends show, for the catalogue's texts.
SANE_String_Const sourceName(ScanSource source) {
    if (source == ScanSource::automatic) {
        return "Auto";
    }
    return source == ScanSource::feeder ? "ADF" : "Flatbed";
}

size_t longest(const std::vector<SANE_String_Const>& names) {
    size_t size = 0;
    for (SANE_String_Const name : names) {
        if (name) {
            size = std::max(size, std::strlen(name) + 1);
        }
    }
    return size;
}

SANE_Option_Descriptor group(SANE_String_Const title) {
    SANE_Option_Descriptor d{};
    d.name = "";
    d.title = title;
    d.desc = "";
    d.type = SANE_TYPE_GROUP;
    d.cap = 0;
    return d;
}

SANE_Option_Descriptor stringList(SANE_String_Const name, SANE_String_Const title,
                                  SANE_String_Const desc,
                                  const std::vector<SANE_String_Const>& list) {
    SANE_Option_Descriptor d{};
    d.name = name;
    d.title = title;
    d.desc = desc;
    d.type = SANE_TYPE_STRING;
    d.size = static_cast<SANE_Int>(longest(list));
    d.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    d.constraint_type = SANE_CONSTRAINT_STRING_LIST;
    d.constraint.string_list = list.data();
    return d;
}

SANE_Option_Descriptor length(SANE_String_Const name, SANE_String_Const title,
                              SANE_String_Const desc, const SANE_Range& range) {
    SANE_Option_Descriptor d{};
    d.name = name;
    d.title = title;
    d.desc = desc;
    d.type = SANE_TYPE_FIXED;
    d.unit = SANE_UNIT_MM;
    d.size = sizeof(SANE_Word);
    d.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    d.constraint_type = SANE_CONSTRAINT_RANGE;
    d.constraint.range = &range;
    return d;
}

// The process of a job for the entry's transport.
ProcessMaker transportFor(const ScannerEntry& entry, const ScanParam& param) {
    return [entry, param](PageSink sink) -> std::unique_ptr<ScanProcess> {
        if (entry.device.transport == Transport::network) {
            NetworkScanOptions options;
            options.port = entry.port;
            return std::make_unique<SocketScanProcess>(entry.device, ScanCommand(param),
                                                       std::move(sink), options);
        }
        return std::make_unique<UsbScanProcess>(entry.device, ScanCommand(param), std::move(sink));
    };
}

// A length option's value as millimetres, and back, exactly as the frontend gave it.
double& edge(AreaMm& area, SANE_Int option) {
    switch (option) {
        case kOptTlX:
            return area.left;
        case kOptTlY:
            return area.top;
        case kOptBrX:
            return area.right;
        default:
            return area.bottom;
    }
}

}  // namespace

SANE_Status statusFor(ScanCode code) {
    switch (code) {
        case ScanCode::completed:
        case ScanCode::noPaperInADF:
            return SANE_STATUS_NO_DOCS;
        case ScanCode::cancelled:
        case ScanCode::stoppedByDeviceKey:
            return SANE_STATUS_CANCELLED;
        case ScanCode::paperJunck:
        case ScanCode::paperTooLong:
            return SANE_STATUS_JAMMED;
        case ScanCode::upperDoorOpen:
            return SANE_STATUS_COVER_OPEN;
        case ScanCode::scannerBusy:
            return SANE_STATUS_DEVICE_BUSY;
        default:
            return SANE_STATUS_IO_ERROR;
    }
}

OpenScanner::OpenScanner(ScannerEntry entry,
                         std::function<ProcessMaker(const ScanParam&)> makeProcess)
    : entry_(std::move(entry)),
      makeProcess_(std::move(makeProcess)),
      settings_(defaultSettings(entry_.device)),
      modes_(kModeNames.begin(), kModeNames.end()),
      cancelEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!makeProcess_) {
        makeProcess_ = [this](const ScanParam& param) { return transportFor(entry_, param); };
    }
    // Geometry values hold exactly what a SANE_Fixed can say, so a read gives back the value.
    for (double* mm : {&settings_.area.left, &settings_.area.top, &settings_.area.right,
                       &settings_.area.bottom}) {
        *mm = SANE_UNFIX(SANE_FIX(*mm));
    }
    modes_.push_back(nullptr);
    for (ScanSource source : entry_.device.scanSource) {
        sources_.push_back(sourceName(source));
    }
    sources_.push_back(nullptr);
    const AreaMm page = largestPage(entry_.device);
    xRange_ = {0, SANE_FIX(page.right), 0};
    yRange_ = {0, SANE_FIX(page.bottom), 0};
    describeOptions();
    watcher_ = std::jthread([this](std::stop_token stop) { watchCancel(stop); });
}

OpenScanner::~OpenScanner() {
    watcher_ = {};  // stopped and joined before the job it watches goes
    dropJob();
}

void OpenScanner::describeOptions() {
    SANE_Option_Descriptor& count = descriptors_[kOptCount];
    count.name = SANE_NAME_NUM_OPTIONS;
    count.title = SANE_TITLE_NUM_OPTIONS;
    count.desc = SANE_DESC_NUM_OPTIONS;
    count.type = SANE_TYPE_INT;
    count.size = sizeof(SANE_Word);
    count.cap = SANE_CAP_SOFT_DETECT;

    descriptors_[kOptStandardGroup] = group(SANE_TITLE_STANDARD);
    descriptors_[kOptMode] =
        stringList(SANE_NAME_SCAN_MODE, SANE_TITLE_SCAN_MODE, SANE_DESC_SCAN_MODE, modes_);
    descriptors_[kOptSource] =
        stringList(SANE_NAME_SCAN_SOURCE, SANE_TITLE_SCAN_SOURCE, SANE_DESC_SCAN_SOURCE, sources_);

    SANE_Option_Descriptor& resolution = descriptors_[kOptResolution];
    resolution.name = SANE_NAME_SCAN_RESOLUTION;
    resolution.title = SANE_TITLE_SCAN_RESOLUTION;
    resolution.desc = SANE_DESC_SCAN_RESOLUTION;
    resolution.type = SANE_TYPE_INT;
    resolution.unit = SANE_UNIT_DPI;
    resolution.size = sizeof(SANE_Word);
    resolution.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    resolution.constraint_type = SANE_CONSTRAINT_WORD_LIST;
    offerResolutions();

    descriptors_[kOptGeometryGroup] = group(SANE_TITLE_GEOMETRY);
    descriptors_[kOptTlX] =
        length(SANE_NAME_SCAN_TL_X, SANE_TITLE_SCAN_TL_X, SANE_DESC_SCAN_TL_X, xRange_);
    descriptors_[kOptTlY] =
        length(SANE_NAME_SCAN_TL_Y, SANE_TITLE_SCAN_TL_Y, SANE_DESC_SCAN_TL_Y, yRange_);
    descriptors_[kOptBrX] =
        length(SANE_NAME_SCAN_BR_X, SANE_TITLE_SCAN_BR_X, SANE_DESC_SCAN_BR_X, xRange_);
    descriptors_[kOptBrY] =
        length(SANE_NAME_SCAN_BR_Y, SANE_TITLE_SCAN_BR_Y, SANE_DESC_SCAN_BR_Y, yRange_);
}

void OpenScanner::offerResolutions() {
    const std::vector<int>& dpis = entry_.device.resolutionsFor(settings_.source);
    resolutions_.assign(1, static_cast<SANE_Word>(dpis.size()));
    resolutions_.insert(resolutions_.end(), dpis.begin(), dpis.end());
    descriptors_[kOptResolution].constraint.word_list = resolutions_.data();
}

const SANE_Option_Descriptor* OpenScanner::descriptor(SANE_Int option) const {
    if (option < 0 || option >= kOptionCount) {
        return nullptr;
    }
    return &descriptors_[static_cast<size_t>(option)];
}

SANE_Status OpenScanner::control(SANE_Int option, SANE_Action action, void* value, SANE_Int* info) {
    if (info) {
        *info = 0;
    }
    const SANE_Option_Descriptor* d = descriptor(option);
    if (!d || d->type == SANE_TYPE_GROUP || !value) {
        return SANE_STATUS_INVAL;
    }
    if (action == SANE_ACTION_SET_VALUE) {
        return SANE_OPTION_IS_SETTABLE(d->cap) ? setOption(option, value, info) : SANE_STATUS_INVAL;
    }
    if (action != SANE_ACTION_GET_VALUE) {
        return SANE_STATUS_INVAL;  // no option has an automatic value
    }
    auto* word = static_cast<SANE_Word*>(value);
    switch (option) {
        case kOptCount:
            *word = kOptionCount;
            break;
        case kOptMode:
            std::strcpy(static_cast<char*>(value), kModeNames[static_cast<size_t>(settings_.mode)]);
            break;
        case kOptSource:
            std::strcpy(static_cast<char*>(value), sourceName(settings_.source));
            break;
        case kOptResolution:
            *word = settings_.dpi;
            break;
        default:
            *word = SANE_FIX(edge(settings_.area, option));
            break;
    }
    return SANE_STATUS_GOOD;
}

SANE_Status OpenScanner::setOption(SANE_Int option, void* value, SANE_Int* info) {
    SANE_Int changes = SANE_INFO_RELOAD_PARAMS;
    auto* word = static_cast<SANE_Word*>(value);
    if (option == kOptMode) {
        auto it = std::find_if(kModeNames.begin(), kModeNames.end(), [&](SANE_String_Const name) {
            return std::strcmp(name, static_cast<const char*>(value)) == 0;
        });
        if (it == kModeNames.end()) {
            return SANE_STATUS_INVAL;
        }
        settings_.mode = static_cast<ColorMode>(it - kModeNames.begin());
    } else if (option == kOptSource) {
        const auto& sources = entry_.device.scanSource;
        auto it = std::find_if(sources.begin(), sources.end(), [&](ScanSource source) {
            return std::strcmp(sourceName(source), static_cast<const char*>(value)) == 0;
        });
        if (it == sources.end()) {
            return SANE_STATUS_INVAL;
        }
        settings_.source = *it;
        offerResolutions();
        // Keep the resolution when the new source offers it, else take the nearest.
        SANE_Word dpi = settings_.dpi;
        control(kOptResolution, SANE_ACTION_SET_VALUE, &dpi, nullptr);
        changes |= SANE_INFO_RELOAD_OPTIONS;
    } else if (option == kOptResolution) {
        const auto first = resolutions_.begin() + 1;
        auto nearest = std::min_element(first, resolutions_.end(), [&](SANE_Word a, SANE_Word b) {
            return std::abs(a - *word) < std::abs(b - *word);
        });
        if (*nearest != *word) {
            *word = *nearest;
            changes |= SANE_INFO_INEXACT;
        }
        settings_.dpi = *word;
    } else {
        const SANE_Range& range = (option == kOptTlX || option == kOptBrX) ? xRange_ : yRange_;
        const SANE_Word clamped = std::clamp(*word, range.min, range.max);
        if (clamped != *word) {
            *word = clamped;
            changes |= SANE_INFO_INEXACT;
        }
        edge(settings_.area, option) = SANE_UNFIX(clamped);
    }
    if (info) {
        *info = changes;
    }
    return SANE_STATUS_GOOD;
}

SANE_Status OpenScanner::parameters(SANE_Parameters& out) const {
    LineFormat format;
    if (page_) {
        format = page_->format();
    } else {
        const std::optional<ScanPlan> plan = planScan(entry_.device, settings_);
        if (!plan) {
            return SANE_STATUS_INVAL;
        }
        format.channels = settings_.mode == ColorMode::color ? 3 : 1;
        format.depth = settings_.mode == ColorMode::blackWhite ? 1 : 8;
        format.pixelsPerLine = plan->crop.w;
        format.lines = plan->crop.h;
    }
    out.format = format.channels == 3 ? SANE_FRAME_RGB : SANE_FRAME_GRAY;
    out.last_frame = SANE_TRUE;
    out.bytes_per_line = static_cast<SANE_Int>(format.bytesPerLine());
    out.pixels_per_line = static_cast<SANE_Int>(format.pixelsPerLine);
    out.lines = static_cast<SANE_Int>(format.lines);
    out.depth = format.depth;
    return SANE_STATUS_GOOD;
}

SANE_Status OpenScanner::start() {
    page_.reset();
    if (cancelRequested_.exchange(false)) {
        dropJob();  // a cancel ended the last batch; this start begins a new one
    }
    if (!job_) {
        plan_ = planScan(entry_.device, settings_);
        if (!plan_) {
            return SANE_STATUS_INVAL;
        }
        auto job = std::make_unique<ScanJob>(makeProcess_(plan_->param));
        std::lock_guard lock(jobMutex_);
        job_ = std::move(job);
    }
    if (cancelRequested_) {
        job_->requestStop();
    }
    std::variant<ReceivedPage, ScanOutcome> next = job_->next();
    if (auto* outcome = std::get_if<ScanOutcome>(&next)) {
        dropJob();
        return statusFor(outcome->code);
    }
    auto& page = std::get<ReceivedPage>(next);
    page_ = PageLines::open(std::move(page.data), settings_.mode, plan_->param.w, plan_->param.h,
                            plan_->crop);
    if (!page_) {
        diagError("scandesk backend: page ", page.number, " is not a readable image");
        dropJob();
        return SANE_STATUS_IO_ERROR;
    }
    line_.assign(static_cast<size_t>(page_->format().bytesPerLine()), 0);
    lineOffset_ = line_.size();
    return SANE_STATUS_GOOD;
}

SANE_Status OpenScanner::read(SANE_Byte* data, SANE_Int maxLength, SANE_Int& length) {
    length = 0;
    if (cancelRequested_) {
        page_.reset();
        return SANE_STATUS_CANCELLED;
    }
    if (!page_) {
        return SANE_STATUS_INVAL;
    }
    const auto room = static_cast<size_t>(std::max<SANE_Int>(0, maxLength));
    size_t filled = 0;
    while (filled < room) {
        if (lineOffset_ == line_.size()) {
            if (!page_->nextLine(line_)) {
                break;
            }
            lineOffset_ = 0;
        }
        const size_t n = std::min(room - filled, line_.size() - lineOffset_);
        std::memcpy(data + filled, line_.data() + lineOffset_, n);
        filled += n;
        lineOffset_ += n;
    }
    length = static_cast<SANE_Int>(filled);
    return filled == 0 && room > 0 ? SANE_STATUS_EOF : SANE_STATUS_GOOD;
}

void OpenScanner::cancel() noexcept {
    cancelRequested_.store(true);
    const uint64_t one = 1;
    // write(2) is async-signal-safe; a full counter already means "wake up".
    [[maybe_unused]] const ssize_t written = ::write(cancelEvent_.get(), &one, sizeof one);
}

SANE_Status OpenScanner::setIoMode(SANE_Bool nonBlocking) const {
    if (!page_) {
        return SANE_STATUS_INVAL;
    }
    return nonBlocking ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
}

size_t OpenScanner::queuedBytes() const {
    std::lock_guard lock(jobMutex_);
    return job_ ? job_->queuedBytes() : 0;
}

void OpenScanner::dropJob() {
    std::unique_ptr<ScanJob> job;
    {
        std::lock_guard lock(jobMutex_);
        job = std::move(job_);
    }
    job.reset();  // outside the lock: waits for the worker to release the scanner
}

void OpenScanner::watchCancel(std::stop_token stop) {
    const StopSignal closing(stop);
    while (!stop.stop_requested()) {
        pollfd fds[2] = {{cancelEvent_.get(), POLLIN, 0}, {closing.fd(), POLLIN, 0}};
        const int timeout = closing.fd() >= 0 ? -1 : kWatchPollMs;
        if (::poll(fds, 2, timeout) <= 0 || !(fds[0].revents & POLLIN)) {
            continue;
        }
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = ::read(cancelEvent_.get(), &count, sizeof count);
        std::lock_guard lock(jobMutex_);
        // A start since the cancel has cleared the request and begun a new batch, which
        // this late wake-up must leave alone.
        if (job_ && cancelRequested_) {
            job_->requestStop();
        }
    }
}

}  // namespace scandesk::sane
