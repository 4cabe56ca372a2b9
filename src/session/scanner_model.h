// The session object of the window: scanners, selection, alert, receive directory, scans.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "common/executor.h"
#include "devices/device.h"
#include "protocol/scan_outcome.h"
#include "protocol/scan_param.h"
#include "protocol/scan_process.h"
#include "session/model_services.h"
#include "session/scan_request.h"

namespace scandesk {

struct ScannerModelState;

/// The observable properties of the model.
enum class ModelProperty {
    scannerList,
    showAlert,
    alertMessage,
    alertTitle,
    selectedScanner,
    isFinding,
    receiveDir,
};

/// Told that a property was set (once per write, even when the value stays the same).
using ModelObserver = std::function<void(ModelProperty changed)>;

/// Identifies a registered observer so that it can be removed again.
using ObserverId = uint64_t;

/// The one session object of a window (or of one command-line run).
///
/// Threads: every getter and setter may be called from any thread; each returns or
/// takes a copy under the model's own lock. Observers are always called on the main
/// executor, after the write they report, so an observer reading a getter sees that
/// write or a later one. Discovery runs on the background executor and applies its
/// result on the main executor. `startScan` and `secondScan` run synchronously on the
/// calling thread (the window calls them on a worker thread, the command line on its
/// main thread); two scans never overlap, a second caller waits for the first.
///
/// Lifetime: both executors must outlive the model. Work still queued on them when the
/// model is destroyed does nothing.
class ScannerModel {
  public:
    /// Starts with no scanners, no alert and the placeholder device selected, then
    /// starts the first discovery run unless `discoverAtStart` is false.
    ScannerModel(Executor& mainExecutor, Executor& backgroundExecutor,
                 ScannerModelServices services, bool discoverAtStart = true);
    ~ScannerModel();
    ScannerModel(const ScannerModel&) = delete;
    ScannerModel& operator=(const ScannerModel&) = delete;

    // Published properties.
    std::vector<Device> scannerList() const;
    bool showAlert() const;
    std::string alertMessage() const;  ///< already localised
    std::string alertTitle() const;    ///< already localised
    Device selectedScanner() const;
    bool isFinding() const;
    std::string receiveDir() const;  ///< receive directory of the current scan
    /// Whether the alert on show asks to confirm the second pass of a two-pass scan.
    bool alertAsksForSecondPass() const;

    /// Registers an observer of every property write; called on the main executor.
    ObserverId addObserver(ModelObserver observer);
    /// Removes an observer; notifications still queued for it are dropped.
    void removeObserver(ObserverId id);

    /// Told of each page stored by a running scan (its number), on the scanning thread.
    /// An empty function turns progress reports off.
    void setPageProgress(PageProgress progress);
    /// Told as the pages of a PDF are analysed (recognised): pages done, pages handed
    /// over so far; on a worker thread. An empty function turns these reports off.
    void setAnalysisProgress(AnalysisProgress progress);

    /// Starts one discovery run (network search, then USB search) and returns at once.
    /// The list is emptied, each network scanner is listed as soon as it is found (the
    /// first is selected), and at the end the whole result replaces the list: the
    /// selection stands if the run found it, else the first scanner is selected. The
    /// "noScannerFound" alert is raised when nothing was found; isFinding lasts until
    /// the end.
    void autoDetectScanners();

    /// Identifies the scanner at a dotted IPv4 address in the background, then adds
    /// and selects it; raises the "noScannerAtAddress" alert, naming the address, when
    /// no known scanner answers there.
    void addScannerByAddress(const std::string& ip);

    /// Follows the maker's USB scanners being plugged in and out until the model goes,
    /// without a discovery run: a catalogue model that arrives is listed (and selected
    /// when the list was empty); one that leaves is taken off, and if it was selected the
    /// first scanner left is selected, as after a refresh. Where the bus reports no
    /// changes, one line says so and the list changes only by discovery.
    void followUsbScanners();

    /// Adds a scanner to the list (replacing a network scanner at the same address) and
    /// selects it.
    void addScanner(const Device& scanner);

    /// Selects the scanner that the next scan uses.
    void setSelectedScanner(const Device& scanner);

    /// Closes the alert (the window's dismissal).
    void dismissAlert();

    /// Shows an alert; both keys are localised here.
    void raiseAlert(std::string_view titleKey, std::string_view messageKey);

    /// Creates `saveDir` (with missing parents) and `saveDir`/yyyyMMddHHmmss in it, and
    /// makes that the receive directory; false when either cannot be made.
    bool createReceiveDir(const std::string& saveDir);

    /// A whole scan: receive directory, scan, then combining, PDF and clean-up, or the
    /// prompt of a two-pass scan. Every outcome ends in the alert and is returned; no
    /// exception leaves.
    /// A stop request ends the scan as cancelled, keeping the stored pages.
    ScanOutcome startScan(const ScanRequest& request, std::stop_token stop = {});

    /// The second pass of a two-pass scan on the first pass's scanner into its receive
    /// directory, with one retry of a busy scanner, then combining and PDF. A failed
    /// pass keeps the first pass's page and asks for the second pass again.
    ScanOutcome secondScan(const ScanRequest& request, std::stop_token stop = {});

    /// Ends a two-pass scan whose second side will not be scanned (`waiting` is the
    /// outcome that asked for it): cancelled when a stop request ended the wait, else the
    /// error that the second side was not scanned, naming where the first side's page
    /// stays. The pages and files stay as they are; the alert says so.
    ScanOutcome endTwoPassScan(const ScanOutcome& waiting, bool cancelled);

  private:
    std::shared_ptr<ScannerModelState> state_;
    // Declared last, so that it stops before anything it reports to goes.
    std::unique_ptr<UsbDeviceListObserver> usbWatch_;
};

/// The device selected before any discovery result arrives: empty name and address,
/// the full option lists, a screen and no combining.
Device placeholderDevice();

}  // namespace scandesk
