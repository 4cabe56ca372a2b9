// The SANE entry points: sane_scandesk_* for the dll backend, plain sane_* for direct links.
#include <sane/sane.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "common/diagnostics.h"
#include "discovery/snmp_discovery.h"
#include "sane/backend_config.h"
#include "sane/device_list.h"
#include "sane/open_scanner.h"

namespace scandesk::sane {
namespace {

constexpr SANE_Int kBuild = 1;

// Diagnostics never go to standard output: frontends write the image there.
void writeLineToStderr(std::string_view line) {
    std::string text = "[scandesk] ";
    text.append(line).push_back('\n');
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

LineSink backendSink() {
    return std::getenv("SANE_DEBUG_SCANDESK") ? LineSink(writeLineToStderr) : LineSink();
}

// Everything between sane_init and sane_exit.
class Backend {
  public:
    Backend()
        : sink_(backendSink()),
          config_(loadBackendConfig(configDirectories(std::getenv("SANE_CONFIG_DIR")))) {}

    // Static entries, USB scanners and (once, then cached) what an SNMP discovery finds;
    // `localOnly` lists the USB scanners alone (the network ones can still be opened by
    // name). net-snmp is used without prepareSnmpEnvironment: a frontend's threads may
    // already run, so the environment must not change; discovery is off unless configured.
    const SANE_Device** devices(bool localOnly = false) {
        entries_.clear();
        for (const NetEntry& net : config_.nets) {
            entries_.push_back(netEntry(net));
        }
        std::vector<ScannerEntry> usb = usbEntries(attachedUsbDevices());
        entries_.insert(entries_.end(), usb.begin(), usb.end());
        if (config_.snmpDiscovery && !discovered_ && !localOnly) {
            discovered_.emplace();
            for (const Device& found : getDeviceBySNMP()) {
                discovered_->push_back(discoveredEntry(found));
            }
        }
        for (const ScannerEntry& found : discovered_.value_or(std::vector<ScannerEntry>{})) {
            const bool known = std::any_of(entries_.begin(), entries_.end(),
                                           [&](const auto& e) { return e.name == found.name; });
            if (!known) {
                entries_.push_back(found);
            }
        }
        records_.clear();
        for (const ScannerEntry& e : entries_) {
            if (!localOnly || !isNetworkEntry(e)) {
                records_.push_back(
                    {e.name.c_str(), e.vendor.c_str(), e.model.c_str(), e.type.c_str()});
            }
        }
        list_.clear();
        for (const SANE_Device& record : records_) {
            list_.push_back(&record);
        }
        list_.push_back(nullptr);
        return list_.data();
    }

    // The scanner of a device name; "" is the first. Nothing when the name is unknown.
    OpenScanner* open(std::string_view name) {
        if (entries_.empty()) {
            devices();
        }
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const auto& e) { return name.empty() || e.name == name; });
        if (it == entries_.end()) {
            return nullptr;
        }
        return open_.emplace_back(std::make_unique<OpenScanner>(*it)).get();
    }

    void close(OpenScanner* scanner) {
        std::erase_if(open_, [&](const auto& owned) { return owned.get() == scanner; });
    }

  private:
    ScopedDiagnosticSink sink_;
    BackendConfig config_;
    std::vector<ScannerEntry> entries_;
    std::optional<std::vector<ScannerEntry>> discovered_;
    std::vector<SANE_Device> records_;
    std::vector<const SANE_Device*> list_;
    std::vector<std::unique_ptr<OpenScanner>> open_;  // before sink_ goes: destroyed first
};

// The one process-wide object: SANE's init/exit calls carry no handle to hang state on.
std::optional<Backend>& backend() {
    static std::optional<Backend> instance;
    return instance;
}

OpenScanner& scanner(SANE_Handle handle) {
    return *static_cast<OpenScanner*>(handle);
}

// Runs an entry point's body; nothing is thrown into the frontend.
template <typename Body>
SANE_Status guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return SANE_STATUS_NO_MEM;
    } catch (...) {
        return SANE_STATUS_IO_ERROR;
    }
}

}  // namespace
}  // namespace scandesk::sane

using namespace scandesk::sane;

// The library's only exported names (see sane_scandesk.map); everything else is hidden.
#define SCANDESK_SANE_EXPORT __attribute__((visibility("default")))

extern "C" {

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_init(SANE_Int* version_code, SANE_Auth_Callback) {
    if (version_code) {
        *version_code = SANE_VERSION_CODE(SANE_CURRENT_MAJOR, SANE_CURRENT_MINOR, kBuild);
    }
    return guarded([] {
        backend().reset();
        backend().emplace();
        return SANE_STATUS_GOOD;
    });
}

SCANDESK_SANE_EXPORT void sane_scandesk_exit(void) {
    backend().reset();
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_get_devices(const SANE_Device*** device_list,
                                                           SANE_Bool local_only) {
    if (!backend() || !device_list) {
        return SANE_STATUS_INVAL;
    }
    return guarded([&] {
        *device_list = backend()->devices(local_only == SANE_TRUE);
        return SANE_STATUS_GOOD;
    });
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_open(SANE_String_Const name, SANE_Handle* handle) {
    if (!backend() || !handle) {
        return SANE_STATUS_INVAL;
    }
    return guarded([&] {
        OpenScanner* opened = backend()->open(name ? name : "");
        *handle = opened;
        return opened ? SANE_STATUS_GOOD : SANE_STATUS_INVAL;
    });
}

SCANDESK_SANE_EXPORT void sane_scandesk_close(SANE_Handle handle) {
    if (backend() && handle) {
        backend()->close(&scanner(handle));
    }
}

SCANDESK_SANE_EXPORT const SANE_Option_Descriptor* sane_scandesk_get_option_descriptor(
    SANE_Handle handle, SANE_Int option) {
    return handle ? scanner(handle).descriptor(option) : nullptr;
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_control_option(SANE_Handle handle, SANE_Int option,
                                                              SANE_Action action, void* value,
                                                              SANE_Int* info) {
    return guarded([&] {
        return handle ? scanner(handle).control(option, action, value, info) : SANE_STATUS_INVAL;
    });
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_get_parameters(SANE_Handle handle,
                                                              SANE_Parameters* params) {
    return guarded(
        [&] { return handle && params ? scanner(handle).parameters(*params) : SANE_STATUS_INVAL; });
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_start(SANE_Handle handle) {
    return guarded([&] { return handle ? scanner(handle).start() : SANE_STATUS_INVAL; });
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_read(SANE_Handle handle, SANE_Byte* data,
                                                    SANE_Int max_length, SANE_Int* length) {
    if (length) {
        *length = 0;
    }
    return guarded([&] {
        return handle && data && length ? scanner(handle).read(data, max_length, *length)
                                        : SANE_STATUS_INVAL;
    });
}

SCANDESK_SANE_EXPORT void sane_scandesk_cancel(SANE_Handle handle) {
    if (handle) {
        scanner(handle).cancel();
    }
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_set_io_mode(SANE_Handle handle,
                                                           SANE_Bool non_blocking) {
    return handle ? scanner(handle).setIoMode(non_blocking) : SANE_STATUS_INVAL;
}

SCANDESK_SANE_EXPORT SANE_Status sane_scandesk_get_select_fd(SANE_Handle, SANE_Int*) {
    return SANE_STATUS_UNSUPPORTED;
}

SCANDESK_SANE_EXPORT SANE_String_Const sane_strstatus(SANE_Status status) {
    switch (status) {
        case SANE_STATUS_GOOD:
            return "Success";
        case SANE_STATUS_UNSUPPORTED:
            return "Operation not supported";
        case SANE_STATUS_CANCELLED:
            return "Operation was cancelled";
        case SANE_STATUS_DEVICE_BUSY:
            return "Device busy";
        case SANE_STATUS_INVAL:
            return "Invalid argument";
        case SANE_STATUS_EOF:
            return "End of file reached";
        case SANE_STATUS_JAMMED:
            return "Document feeder jammed";
        case SANE_STATUS_NO_DOCS:
            return "Document feeder out of documents";
        case SANE_STATUS_COVER_OPEN:
            return "Scanner cover is open";
        case SANE_STATUS_IO_ERROR:
            return "Error during device I/O";
        case SANE_STATUS_NO_MEM:
            return "Out of memory";
        case SANE_STATUS_ACCESS_DENIED:
            return "Access to resource has been denied";
        default:
            return "Unknown SANE status code";
    }
}

// The plain names, so that a program can link the backend without the dll backend.
#define SCANDESK_SANE_ALIAS(ret, name, args) \
    SCANDESK_SANE_EXPORT ret sane_##name args __attribute__((alias("sane_scandesk_" #name)))
SCANDESK_SANE_ALIAS(SANE_Status, init, (SANE_Int*, SANE_Auth_Callback));
SCANDESK_SANE_ALIAS(void, exit, (void));
SCANDESK_SANE_ALIAS(SANE_Status, get_devices, (const SANE_Device***, SANE_Bool));
SCANDESK_SANE_ALIAS(SANE_Status, open, (SANE_String_Const, SANE_Handle*));
SCANDESK_SANE_ALIAS(void, close, (SANE_Handle));
SCANDESK_SANE_ALIAS(const SANE_Option_Descriptor*, get_option_descriptor, (SANE_Handle, SANE_Int));
SCANDESK_SANE_ALIAS(SANE_Status, control_option,
                    (SANE_Handle, SANE_Int, SANE_Action, void*, SANE_Int*));
SCANDESK_SANE_ALIAS(SANE_Status, get_parameters, (SANE_Handle, SANE_Parameters*));
SCANDESK_SANE_ALIAS(SANE_Status, start, (SANE_Handle));
SCANDESK_SANE_ALIAS(SANE_Status, read, (SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*));
SCANDESK_SANE_ALIAS(void, cancel, (SANE_Handle));
SCANDESK_SANE_ALIAS(SANE_Status, set_io_mode, (SANE_Handle, SANE_Bool));
SCANDESK_SANE_ALIAS(SANE_Status, get_select_fd, (SANE_Handle, SANE_Int*));

}  // extern "C"
