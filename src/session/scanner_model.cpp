// The scanner model's properties, observers, discovery and receive directory.
#include "session/scanner_model.h"

#include <algorithm>
#include <utility>

#include "common/diagnostics.h"
#include "common/localization.h"
#include "devices/catalogue.h"
#include "devices/options.h"
#include "imaging/save_pdf.h"
#include "session/list_text.h"
#include "session/model_state.h"
#include "session/receive_directory.h"

namespace scandesk {

Device placeholderDevice() {
    Device device;
    device.id = Uuid::random();
    device.scanSource = scanSourceOptionN();
    device.adfResolution = adfResolutionOption();
    device.fbResolution = fbResolutionOption();
    device.paperSize = pageSizeOption();
    device.hasScreen = true;
    device.supportCombine = false;
    return device;
}

ScannerModelState::ScannerModelState(Executor& mainExecutor, Executor& backgroundExecutor,
                                     ScannerModelServices services)
    : main(mainExecutor),
      background(backgroundExecutor),
      services(std::move(services)),
      selectedScanner(placeholderDevice()) {}

void ScannerModelState::notify(ModelProperty property) {
    main.post([weak = weak_from_this(), property] {
        if (auto self = weak.lock()) {
            self->callObservers(property);
        }
    });
}

void ScannerModelState::callObservers(ModelProperty property) {
    std::vector<ObserverId> ids;
    {
        std::lock_guard lock(mutex);
        for (const auto& entry : observers) {
            ids.push_back(entry.first);
        }
    }
    for (ObserverId id : ids) {
        ModelObserver observer;
        {
            // An observer removed by an earlier one in this round is not called.
            std::lock_guard lock(mutex);
            auto it = observers.find(id);
            if (it == observers.end()) {
                continue;
            }
            observer = it->second;
        }
        observer(property);
    }
}

void ScannerModelState::setAlert(std::string title, std::string message, bool asksForSecondPass) {
    write({ModelProperty::alertTitle, ModelProperty::alertMessage, ModelProperty::showAlert}, [&] {
        alertTitle = std::move(title);
        alertMessage = std::move(message);
        alertAsksForSecondPass = asksForSecondPass;
        showAlert = true;
    });
}

void ScannerModelState::startDiscovery() {
    write({ModelProperty::scannerList}, [&] { scannerList.clear(); });
}

void ScannerModelState::addDiscovered(const Device& scanner) {
    bool first = false;
    write({ModelProperty::scannerList, ModelProperty::selectedScanner}, [&] {
        first = scannerList.empty();
        scannerList.push_back(scanner);
        if (first) {
            selectedScanner = scanner;
        }
    });
    diagInfo("found scanner , name = ", scanner.name, " ip = ", scanner.ip);
}

void ScannerModelState::applyDiscovery(std::vector<Device> found) {
    if (found.empty()) {
        write({ModelProperty::scannerList}, [&] { scannerList.clear(); });
        setAlert(localized("error"), localized("noScannerFound"));
    } else {
        Device selected;
        write({ModelProperty::scannerList, ModelProperty::selectedScanner}, [&] {
            // A choice made while the run went on stands if the run found that scanner.
            const auto kept = std::find_if(found.begin(), found.end(), [&](const Device& d) {
                return d.id == selectedScanner.id;
            });
            selectedScanner = kept != found.end() ? *kept : found.front();
            selected = selectedScanner;
            scannerList = std::move(found);
        });
        diagInfo("selected scanner , name = ", selected.name,
                 " scansource = ", bracketedList(selected.scanSource));
    }
    write({ModelProperty::isFinding}, [&] { isFinding = false; });
    diagDebug("end isfinding = ", boolText(false));
}

void ScannerModelState::addScanner(const Device& scanner) {
    write({ModelProperty::scannerList, ModelProperty::selectedScanner}, [&] {
        // One entry per network address: a scanner added again replaces its old record.
        std::erase_if(scannerList, [&](const Device& known) {
            return scanner.transport == Transport::network &&
                   known.transport == Transport::network && known.ip == scanner.ip;
        });
        scannerList.push_back(scanner);
        selectedScanner = scanner;
    });
}

void ScannerModelState::applyUsbChange(uint16_t productId, bool arrived) {
    const auto& rows = IDDevice();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const BaseDevice& r) { return r.PID == productId; });
    if (row == rows.end()) {
        return;
    }
    const auto isThisModel = [&](const Device& d) {
        return d.transport == Transport::usb && d.PID == productId;
    };
    write({ModelProperty::scannerList, ModelProperty::selectedScanner}, [&] {
        int& attached = usbAttached[productId];
        attached = std::max(0, attached + (arrived ? 1 : -1));
        const auto listed = std::count_if(scannerList.begin(), scannerList.end(), isThisModel);
        if (arrived && listed < attached) {
            scannerList.push_back(Device::fromUsbRow(*row));
            if (scannerList.size() == 1) {
                selectedScanner = scannerList.front();
            }
        } else if (!arrived && listed > attached) {
            // Which of two alike scanners left cannot be told; the later one goes.
            const auto gone = std::find_if(scannerList.rbegin(), scannerList.rend(), isThisModel);
            const bool wasSelected = gone->id == selectedScanner.id;
            scannerList.erase(std::next(gone).base());
            if (wasSelected) {
                selectedScanner = scannerList.empty() ? placeholderDevice() : scannerList.front();
            }
        }
    });
    diagInfo("usb scanner ", arrived ? "arrived" : "left", ", name = ", row->name);
}

void ScannerModelState::reportPage(int pageNo) {
    PageProgress callback;
    {
        std::lock_guard lock(mutex);
        callback = progress;
    }
    if (callback) {
        callback(pageNo);
    }
}

ScannerModel::ScannerModel(Executor& mainExecutor, Executor& backgroundExecutor,
                           ScannerModelServices services, bool discoverAtStart)
    : state_(std::make_shared<ScannerModelState>(mainExecutor, backgroundExecutor,
                                                 std::move(services))) {
    if (discoverAtStart) {
        autoDetectScanners();
    }
}

ScannerModel::~ScannerModel() {
    // Later notifications find no observers even if a scan or search still holds the state.
    std::lock_guard lock(state_->mutex);
    state_->observers.clear();
    state_->progress = nullptr;
}

std::vector<Device> ScannerModel::scannerList() const {
    std::lock_guard lock(state_->mutex);
    return state_->scannerList;
}

bool ScannerModel::showAlert() const {
    std::lock_guard lock(state_->mutex);
    return state_->showAlert;
}

std::string ScannerModel::alertMessage() const {
    std::lock_guard lock(state_->mutex);
    return state_->alertMessage;
}

std::string ScannerModel::alertTitle() const {
    std::lock_guard lock(state_->mutex);
    return state_->alertTitle;
}

Device ScannerModel::selectedScanner() const {
    std::lock_guard lock(state_->mutex);
    return state_->selectedScanner;
}

bool ScannerModel::isFinding() const {
    std::lock_guard lock(state_->mutex);
    return state_->isFinding;
}

std::string ScannerModel::receiveDir() const {
    std::lock_guard lock(state_->mutex);
    return state_->receiveDir;
}

ObserverId ScannerModel::addObserver(ModelObserver observer) {
    std::lock_guard lock(state_->mutex);
    const ObserverId id = state_->nextObserverId++;
    state_->observers.emplace(id, std::move(observer));
    return id;
}

void ScannerModel::removeObserver(ObserverId id) {
    std::lock_guard lock(state_->mutex);
    state_->observers.erase(id);
}

void ScannerModel::setPageProgress(PageProgress progress) {
    std::lock_guard lock(state_->mutex);
    state_->progress = std::move(progress);
}

void ScannerModel::setAnalysisProgress(AnalysisProgress progress) {
    std::lock_guard lock(state_->mutex);
    state_->analysisProgress = std::move(progress);
}

void ScannerModel::autoDetectScanners() {
    state_->background.post([weak = std::weak_ptr<ScannerModelState>(state_)] {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        self->write({ModelProperty::isFinding}, [&] { self->isFinding = true; });
        diagDebug("start isfinding = ", boolText(true));
        self->main.post([weak] {
            if (auto model = weak.lock()) {
                model->startDiscovery();
            }
        });
        std::vector<Device> found;
        {
            std::lock_guard searching(self->searchMutex);
            found = self->services.networkSearch([&self, weak](const Device& scanner) {
                // Posted in order, so each lands after the run's start and before its end.
                self->main.post([weak, scanner] {
                    if (auto model = weak.lock()) {
                        model->addDiscovered(scanner);
                    }
                });
            });
            std::vector<Device> usb = self->services.usbSearch();
            found.insert(found.end(), usb.begin(), usb.end());
        }
        self->main.post([weak, found = std::move(found)]() mutable {
            if (auto model = weak.lock()) {
                model->applyDiscovery(std::move(found));
            }
        });
    });
}

void ScannerModel::addScannerByAddress(const std::string& ip) {
    state_->background.post([weak = std::weak_ptr<ScannerModelState>(state_), ip] {
        auto self = weak.lock();
        if (!self) {
            return;
        }
        self->write({ModelProperty::isFinding}, [&] { self->isFinding = true; });
        std::optional<Device> found;
        {
            std::lock_guard searching(self->searchMutex);
            found = self->services.identifyScanner(ip);
        }
        self->main.post([weak, ip, found = std::move(found)] {
            auto model = weak.lock();
            if (!model) {
                return;
            }
            if (found) {
                model->addScanner(*found);
            } else {
                model->setAlert(localized("error"), fillIn(localized("noScannerAtAddress"), {ip}));
            }
            model->write({ModelProperty::isFinding}, [&] { model->isFinding = false; });
        });
    });
}

void ScannerModel::followUsbScanners() {
    if (usbWatch_ || !state_->services.watchUsb) {
        return;
    }
    try {
        usbWatch_ = state_->services.watchUsb(
            state_->main, [weak = std::weak_ptr<ScannerModelState>(state_)](
                              const std::string& notification, const UsbService& service) {
                if (auto self = weak.lock(); self && service.vendorIdentifier == kMakerVendorId) {
                    self->applyUsbChange(service.productIdentifier,
                                         notification == kUsbDeviceArrived);
                }
            });
    } catch (const std::exception& error) {
        diagInfo("usb hot-plug unavailable, USB scanners are listed by refresh only: ",
                 error.what());
    }
}

void ScannerModel::addScanner(const Device& scanner) {
    state_->addScanner(scanner);
}

void ScannerModel::setSelectedScanner(const Device& scanner) {
    state_->write({ModelProperty::selectedScanner}, [&] { state_->selectedScanner = scanner; });
}

bool ScannerModel::alertAsksForSecondPass() const {
    std::lock_guard lock(state_->mutex);
    return state_->showAlert && state_->alertAsksForSecondPass;
}

void ScannerModel::dismissAlert() {
    state_->write({ModelProperty::showAlert}, [&] { state_->showAlert = false; });
}

void ScannerModel::raiseAlert(std::string_view titleKey, std::string_view messageKey) {
    state_->setAlert(localized(titleKey), localized(messageKey));
}

bool ScannerModel::createReceiveDir(const std::string& saveDir) {
    const std::string name = timeStampName(state_->services.now());
    const std::optional<std::string> made = makeReceiveDir(saveDir, name);
    // On failure the first name tried is kept, as the scan flow reports it.
    const std::string path = made.value_or(saveDir + "/" + name);
    state_->write({ModelProperty::receiveDir}, [&] { state_->receiveDir = path; });
    return made.has_value();
}

}  // namespace scandesk
