// The shared inside of a ScannerModel: its properties, observers and services.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "session/scanner_model.h"

namespace scandesk {

/// Lives as long as the model or the longest piece of work still running for it; work
/// queued on an executor holds only a weak reference, so it does nothing once the
/// model is gone.
struct ScannerModelState : std::enable_shared_from_this<ScannerModelState> {
    ScannerModelState(Executor& mainExecutor, Executor& backgroundExecutor,
                      ScannerModelServices services);

    /// Changes properties under the lock, then tells the observers of each on the main
    /// executor, in the order given.
    template <typename Mutation>
    void write(std::initializer_list<ModelProperty> properties, Mutation mutate) {
        {
            std::lock_guard lock(mutex);
            mutate();
        }
        for (ModelProperty property : properties) {
            notify(property);
        }
    }

    /// Queues one notification on the main executor.
    void notify(ModelProperty property);
    /// Calls every observer registered at that moment.
    void callObservers(ModelProperty property);
    /// Shows an alert whose title and message are already localised; the flag is set
    /// last, so an observer of the flag reads this alert's texts. `asksForSecondPass`
    /// marks the alert whose confirmation runs the second pass of a two-pass scan.
    void setAlert(std::string title, std::string message, bool asksForSecondPass = false);
    /// Shows the alert of a scan's outcome and returns the outcome. `success` is the text
    /// of a good end; `failure`, when not empty, replaces the text composed for a failure.
    ScanOutcome showOutcome(ScanOutcome outcome, std::string success, std::string failure = {});
    /// Empties the list for a new discovery run (on the main executor).
    void startDiscovery();
    /// Lists a scanner as soon as the running discovery finds it (on the main executor);
    /// the first of the run is selected.
    void addDiscovered(const Device& scanner);
    /// Publishes a discovery result (on the main executor).
    void applyDiscovery(std::vector<Device> found);
    /// Appends a scanner (replacing a network scanner at the same address) and selects it.
    void addScanner(const Device& scanner);
    /// Lists or unlists a USB scanner of this product ID that arrived or left (on the
    /// main executor); other products are ignored.
    void applyUsbChange(uint16_t productId, bool arrived);
    /// Reports a stored page to the progress callback, if any.
    void reportPage(int pageNo);

    Executor& main;
    Executor& background;
    const ScannerModelServices services;

    mutable std::mutex mutex;  // guards the fields below
    std::vector<Device> scannerList;
    bool showAlert = false;
    std::string alertMessage;
    std::string alertTitle;
    bool alertAsksForSecondPass = false;
    Device selectedScanner;
    bool isFinding = false;
    std::string receiveDir;
    std::optional<Device> twoPassScanner;  // the scanner of the first pass of a two-pass scan
    std::map<ObserverId, ModelObserver> observers;
    ObserverId nextObserverId = 1;
    PageProgress progress;
    AnalysisProgress analysisProgress;
    // USB devices of each product ID the hot-plug observer reports attached; the list
    // holds no more of them than this.
    std::map<uint16_t, int> usbAttached;

    std::mutex searchMutex;  // the SNMP layer must not run two searches at once
    std::mutex scanMutex;    // one scan at a time
};

}  // namespace scandesk
