// The model's services wired to the real subsystems.
#include "session/default_services.h"

#include <stdexcept>
#include <thread>

#include "discovery/snmp_discovery.h"
#include "discovery/usb_enumeration.h"
#include "imaging/combine_image.h"
#include "imaging/save_images.h"
#include "imaging/save_pdf.h"
#include "imaging/save_result.h"
#include "network/socket_scan_process.h"
#include "session/transport_choice.h"
#include "usb/usb_scan_process.h"

namespace scandesk {

ScannerModelServices defaultModelServices(uint16_t scannerPort, CommunicatorLimits limits) {
    ScannerModelServices services;
    services.networkSearch = [](const ScannerFound& found) {
        return getDeviceBySNMP(SnmpDiscoveryOptions{}, found);
    };
    services.usbSearch = [] { return getDeviceByIOUSB(); };
    services.identifyScanner = [](const std::string& ip) { return identifyScanner(ip); };
    services.makeScanProcess = chooseTransport(
        [scannerPort, limits](const Device& scanner, ScanCommand command, PageSink sink,
                              PageProgress progress) -> std::unique_ptr<ScanProcess> {
            NetworkScanOptions options;
            options.port = scannerPort;
            options.limits = limits;
            options.progress = std::move(progress);
            return std::make_unique<SocketScanProcess>(scanner, std::move(command), std::move(sink),
                                                       std::move(options));
        },
        [](const Device& scanner, ScanCommand command, PageSink sink,
           PageProgress progress) -> std::unique_ptr<ScanProcess> {
            UsbScanOptions options;
            options.progress = std::move(progress);
            return std::make_unique<UsbScanProcess>(scanner, std::move(command), std::move(sink),
                                                    std::move(options));
        });
    services.savePage = [](const PageJob& job, int pageNo, const Bytes& data) {
        return saveImages(job, pageNo, data);
    };
    services.combineImage = [](int pages, int oriation, const PageJob& job) {
        return combineImage(pages, oriation, job);
    };
    services.writePdf = [](std::span<const PdfPage> pages, const MediaBox& box,
                           const std::string& pdfDir, std::chrono::system_clock::time_point when) {
        return writePdf(pages, box, pdfDir, when);
    };
    services.sleep = [](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); };
    services.busyRetryWait = kBusyRetryWait;
    services.now = [] { return std::chrono::system_clock::now(); };
    services.watchUsb = [](Executor& queue, UsbDeviceListHandler handler) {
        if (!usbHotplugAvailable()) {
            throw std::runtime_error("libusb reports no hot-plug support");
        }
        return observeDeviceList(UsbMatching{kMakerVendorId, std::nullopt},
                                 {kUsbDeviceArrived, kUsbDeviceLeft}, queue, std::move(handler));
    };
    return services;
}

}  // namespace scandesk
