// The outside services a scanner model calls: discovery, transports, imaging, time.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devices/device.h"
#include "imaging/outcome.h"
#include "imaging/page_job.h"
#include "imaging/pdf_page.h"
#include "imaging/save_pdf.h"
#include "imaging/save_result.h"
#include "protocol/scan_command.h"
#include "protocol/scan_process.h"
#include "session/scan_analysis.h"
#include "usb/usb_hotplug.h"

namespace scandesk {

/// One blocking search for scanners (network or USB); may return an empty list.
using DeviceSearch = std::function<std::vector<Device>()>;

/// Told of each scanner as soon as a search finds it, on the searching thread.
using ScannerFound = std::function<void(const Device&)>;

/// A blocking search that reports each scanner as it finds it and returns them all.
using StreamingDeviceSearch = std::function<std::vector<Device>(const ScannerFound& found)>;

/// Asks the scanner at a dotted IPv4 address which model it is; nothing when it does
/// not answer or is not a known model.
using ScannerIdentifier = std::function<std::optional<Device>(const std::string& ip)>;

/// Makes the scan process of one attempt for the device's transport.
using ScanProcessFactory = std::function<std::unique_ptr<ScanProcess>(
    const Device& scanner, ScanCommand command, PageSink sink, PageProgress progress)>;

/// Stores one received page of a job as its page file `pageNo`; why it could not, if so.
using PageSaver = std::function<SaveError(const PageJob& job, int pageNo, const Bytes& data)>;

/// Combines the job's page files pairwise (two pages, or the two sides of an ID card):
/// the number of combined page files, or nothing when they could not be combined.
using CombineImageFunction =
    std::function<std::optional<int>(int pages, int oriation, const PageJob& job)>;

/// Writes one PDF of the pages into `pdfDir`, named after `when`: the path written, or
/// why nothing was.
using WritePdfFunction = std::function<Outcome<std::string>(
    std::span<const PdfPage> pages, const MediaBox& box, const std::string& pdfDir,
    std::chrono::system_clock::time_point when)>;

/// Blocks the calling thread for the given time.
using SleepFunction = std::function<void(std::chrono::milliseconds)>;

/// The current wall-clock time; names the receive directories.
using ClockFunction = std::function<std::chrono::system_clock::time_point()>;

/// Starts following the maker's USB devices: arrivals (those present first) and
/// departures are handed to `handler` on `queue` until the returned observer is dropped.
/// Throws when the bus cannot report them.
using UsbWatch = std::function<std::unique_ptr<UsbDeviceListObserver>(
    Executor& queue, UsbDeviceListHandler handler)>;

/// How long a second pass waits before its one retry of a busy scanner.
inline constexpr std::chrono::milliseconds kBusyRetryWait{4000};

/// Everything the model calls outside itself. Every member must be set; the default
/// wiring to the real subsystems is `defaultModelServices` (default_services.h).
struct ScannerModelServices {
    StreamingDeviceSearch networkSearch;  ///< run first in a discovery run
    DeviceSearch usbSearch;               ///< run second
    ScannerIdentifier identifyScanner;    ///< for scanners added by address
    ScanProcessFactory makeScanProcess;
    PageSaver savePage;  ///< stores each received page into the receive directory
    CombineImageFunction combineImage;
    WritePdfFunction writePdf;
    SleepFunction sleep;
    std::chrono::milliseconds busyRetryWait = kBusyRetryWait;
    ClockFunction now;
    UsbWatch watchUsb;  ///< only for `ScannerModel::followUsbScanners`; may stay empty
};

}  // namespace scandesk
