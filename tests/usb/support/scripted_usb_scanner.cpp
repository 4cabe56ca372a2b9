// A scripted USB scanner for tests: umockdev emulates it at the kernel interface libusb uses.
#include "support/scripted_usb_scanner.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace scandesk::testing {
namespace {

// One URB per transfer, however long: the emulation answers each URB with one unit.
constexpr uint32_t kCapabilities = USBDEVFS_CAP_NO_PACKET_SIZE_LIM;

// Appends a little-endian 16-bit value.
void putLe16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// The bytes as two hex digits each, as umockdev's "H:" lines want them.
std::string hex(const Bytes& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

}  // namespace

// One submitted URB: umockdev's copies of the client's struct and buffer, and the answer.
struct ScriptedScanner::Urb {
    UMockdevIoctlData* urbData = nullptr;
    UMockdevIoctlData* bufferData = nullptr;
    int status = 0;
    Bytes reply;             // bytes written into the buffer at reap time
    size_t replyOffset = 0;  // where they go (8 for a control reply, after the setup)
    int actualLength = 0;

    ~Urb() {
        g_object_unref(bufferData);
        g_object_unref(urbData);
    }
    usbdevfs_urb* urb() const { return reinterpret_cast<usbdevfs_urb*>(urbData->data); }
};

ScriptedScanner::ScriptedScanner(DeviceLayout layout, std::string devnode, std::string syspath)
    : layout_(std::move(layout)),
      devnode_(std::move(devnode)),
      syspath_(std::move(syspath)),
      handler_(umockdev_ioctl_base_new()) {
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&ScriptedScanner::onIoctl), this);
}

ScriptedScanner::~ScriptedScanner() {
    g_signal_handlers_disconnect_by_data(handler_, this);
    {
        std::lock_guard lock(mutex_);
        pendingReads_.clear();
        silenced_.clear();
        completed_.clear();
    }
    g_object_unref(handler_);
}

Bytes ScriptedScanner::descriptors(const DeviceLayout& layout) {
    Bytes out{18, 1};
    putLe16(out, 0x0200);
    out.insert(out.end(), {0, 0, 0, 64});
    putLe16(out, layout.vendor);
    putLe16(out, layout.product);
    putLe16(out, 0x0100);
    out.insert(out.end(), {0, 0, 0, 1});

    Bytes body;
    for (const InterfaceLayout& interface : layout.interfaces) {
        body.insert(body.end(), {9, 4, interface.number, 0,
                                 static_cast<uint8_t>(interface.endpoints.size()), 0xFF, 0, 0, 0});
        for (const EndpointLayout& endpoint : interface.endpoints) {
            body.insert(body.end(), {7, 5, endpoint.address, endpoint.attributes});
            putLe16(body, endpoint.maxPacketSize);
            body.push_back(endpoint.attributes == 3 ? 1 : 0);
        }
    }
    out.insert(out.end(), {9, 2});
    putLe16(out, static_cast<uint16_t>(9 + body.size()));
    out.insert(out.end(), {static_cast<uint8_t>(layout.interfaces.size()), 1, 0, 0x80, 50});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

void ScriptedScanner::setControlReply(uint8_t bRequest, Bytes reply) {
    std::lock_guard lock(mutex_);
    controlReplies_.emplace_back(bRequest, std::move(reply));
}

void ScriptedScanner::setControlStall(bool stall) {
    std::lock_guard lock(mutex_);
    controlStall_ = stall;
}

void ScriptedScanner::failClearHalt(bool fail) {
    std::lock_guard lock(mutex_);
    clearHaltFails_ = fail;
}

void ScriptedScanner::stallWrites(std::function<bool(const Bytes& written)> predicate) {
    std::lock_guard lock(mutex_);
    stallWrite_ = std::move(predicate);
}

void ScriptedScanner::queueIn(InUnit unit) {
    std::lock_guard lock(mutex_);
    inQueue_.push_back(std::move(unit));
    serveReads();
}

void ScriptedScanner::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void ScriptedScanner::setUnitSource(std::function<std::optional<InUnit>()> source) {
    std::lock_guard lock(mutex_);
    unitSource_ = std::move(source);
    serveReads();
}

std::vector<Bytes> ScriptedScanner::writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

std::vector<ControlSetup> ScriptedScanner::controls() const {
    std::lock_guard lock(mutex_);
    return controls_;
}

std::vector<uint32_t> ScriptedScanner::inRequestSizes() const {
    std::lock_guard lock(mutex_);
    return inRequestSizes_;
}

int ScriptedScanner::clearHalts() const {
    std::lock_guard lock(mutex_);
    return clearHalts_;
}

int ScriptedScanner::claims() const {
    std::lock_guard lock(mutex_);
    return claims_;
}

int ScriptedScanner::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<ScriptedScanner*>(self)->handleIoctl(client) ? TRUE : FALSE;
}

bool ScriptedScanner::handleIoctl(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex_);
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
            std::memcpy(caps->data, &kCapabilities, sizeof(kCapabilities));
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_CLAIMINTERFACE:
            ++claims_;
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_SETINTERFACE:
        case USBDEVFS_RESETEP:
        case USBDEVFS_RESET:
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_CLEAR_HALT:
            ++clearHalts_;
            umockdev_ioctl_client_complete(client, clearHaltFails_ ? -1 : 0,
                                           clearHaltFails_ ? ENODEV : 0);
            return true;
        case USBDEVFS_GETDRIVER:
        case USBDEVFS_IOCTL:
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return true;
        case USBDEVFS_SUBMITURB:
            submit(client);
            return true;
        case USBDEVFS_REAPURBNDELAY:
        case USBDEVFS_REAPURB:
            reap(client);
            return true;
        case USBDEVFS_DISCARDURB:
            discard(client);
            return true;
        default:
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return true;
    }
}

void ScriptedScanner::submit(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    auto entry = std::make_unique<Urb>();
    entry->urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    g_object_ref(entry->urbData);
    const usbdevfs_urb* urb = entry->urb();
    const auto length = static_cast<size_t>(std::max(urb->buffer_length, 0));
    entry->bufferData = umockdev_ioctl_data_resolve(entry->urbData, offsetof(usbdevfs_urb, buffer),
                                                    length, nullptr);
    g_object_ref(entry->bufferData);

    if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
        answerControl(*entry);
        completed_.push_back(std::move(entry));
    } else if ((urb->endpoint & 0x80) == 0) {
        Bytes written(entry->bufferData->data, entry->bufferData->data + length);
        writes_.push_back(written);
        if (stallWrite_ && stallWrite_(written)) {
            entry->status = -EPIPE;
        } else {
            entry->actualLength = static_cast<int>(length);
            if (responder_) {
                for (InUnit& unit : responder_(written)) {
                    inQueue_.push_back(std::move(unit));
                }
            }
        }
        completed_.push_back(std::move(entry));
    } else {
        inRequestSizes_.push_back(static_cast<uint32_t>(length));
        pendingReads_.push_back(std::move(entry));
    }
    serveReads();
    umockdev_ioctl_client_complete(client, 0, 0);
}

void ScriptedScanner::answerControl(Urb& entry) {
    const uint8_t* setup = entry.bufferData->data;
    ControlSetup seen{setup[0], setup[1], static_cast<uint16_t>(setup[2] | (setup[3] << 8)),
                      static_cast<uint16_t>(setup[4] | (setup[5] << 8)),
                      static_cast<uint16_t>(setup[6] | (setup[7] << 8))};
    controls_.push_back(seen);
    if (controlStall_) {
        entry.status = -EPIPE;
        return;
    }
    if ((seen.bmRequestType & 0x80) == 0) {
        entry.actualLength = seen.wLength;
        return;
    }
    Bytes reply{5, 0, 0, 0, 0};
    for (const auto& [request, bytes] : controlReplies_) {
        if (request == seen.bRequest) {
            reply = bytes;
        }
    }
    reply.resize(std::min<size_t>(reply.size(), seen.wLength));
    entry.reply = reply;
    entry.replyOffset = 8;
    entry.actualLength = static_cast<int>(reply.size());
}

void ScriptedScanner::serveReads() {
    while (!pendingReads_.empty()) {
        if (inQueue_.empty()) {
            std::optional<InUnit> next = unitSource_ ? unitSource_() : std::nullopt;
            if (!next) {
                return;
            }
            inQueue_.push_back(std::move(*next));
        }
        InUnit unit = std::move(inQueue_.front());
        inQueue_.pop_front();
        std::unique_ptr<Urb> entry = std::move(pendingReads_.front());
        pendingReads_.pop_front();
        if (unit.kind == InUnit::Kind::silence) {
            silenced_.push_back(std::move(entry));
            continue;
        }
        if (unit.kind == InUnit::Kind::stall) {
            entry->status = -EPIPE;
        } else if (unit.kind == InUnit::Kind::gone) {
            entry->status = -ENODEV;
        } else {
            const auto room = static_cast<size_t>(entry->bufferData->data_len);
            if (unit.bytes.size() > room) {
                entry->status = -EOVERFLOW;
                unit.bytes.resize(room);
            }
            entry->actualLength = static_cast<int>(unit.bytes.size());
            entry->reply = std::move(unit.bytes);
        }
        completed_.push_back(std::move(entry));
    }
}

void ScriptedScanner::reap(UMockdevIoctlClient* client) {
    if (completed_.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    std::unique_ptr<Urb> entry = std::move(completed_.front());
    completed_.pop_front();
    // The answer is written only now, so that it travels back with the reap.
    usbdevfs_urb* urb = entry->urb();
    urb->status = entry->status;
    urb->actual_length = entry->actualLength;
    std::copy(entry->reply.begin(), entry->reply.end(),
              entry->bufferData->data + entry->replyOffset);
    // The argument points at the caller's URB pointer, which gets the reaped URB.
    UMockdevIoctlData* target = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client),
                                                            0, sizeof(void*), nullptr);
    umockdev_ioctl_data_set_ptr(target, 0, entry->urbData);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void ScriptedScanner::discard(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    uint64_t address = 0;
    std::memcpy(&address, arg->data, std::min<size_t>(sizeof(address), arg->data_len));
    for (auto* list : {&pendingReads_, &silenced_}) {
        for (auto it = list->begin(); it != list->end(); ++it) {
            if ((*it)->urbData->client_addr == address) {
                (*it)->status = -ENOENT;
                completed_.push_back(std::move(*it));
                list->erase(it);
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

UsbTestbed::UsbTestbed() {
    // Without the preload library libusb would look at the machine's real bus.
    if (!underUmockdev()) {
        throw std::runtime_error("run under LD_PRELOAD=libumockdev-preload.so.0");
    }
    testbed_ = umockdev_testbed_new();
}

UsbTestbed::~UsbTestbed() {
    for (auto& scanner : scanners_) {
        umockdev_testbed_detach_ioctl(testbed_, scanner->devnode().c_str(), nullptr);
    }
    scanners_.clear();
    g_object_unref(testbed_);
}

ScriptedScanner& UsbTestbed::attach(DeviceLayout layout) {
    const int devnum = nextDevnum_++;
    char node[32];
    std::snprintf(node, sizeof(node), "bus/usb/001/%03d", devnum);
    const std::string syspath = "/sys/devices/pci0000:00/usb1/1-" + std::to_string(devnum);
    const std::string description = "P: /devices/pci0000:00/usb1/1-" + std::to_string(devnum) +
                                    "\nN: " + node + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device" +
                                    "\nE: DEVNAME=/dev/" + node +
                                    "\nA: busnum=1\nA: devnum=" + std::to_string(devnum) +
                                    "\nA: bConfigurationValue=1\nA: speed=480\nH: descriptors=" +
                                    hex(ScriptedScanner::descriptors(layout)) + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev could not add the scanner: " + message);
    }
    auto scanner =
        std::make_unique<ScriptedScanner>(std::move(layout), std::string("/dev/") + node, syspath);
    if (!umockdev_testbed_attach_ioctl(testbed_, scanner->devnode().c_str(), scanner->handler(),
                                       &error)) {
        const std::string message = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("umockdev could not attach the ioctl handler: " + message);
    }
    scanners_.push_back(std::move(scanner));
    return *scanners_.back();
}

void UsbTestbed::unplug(ScriptedScanner& scanner) {
    umockdev_testbed_uevent(testbed_, scanner.syspath().c_str(), "remove");
    umockdev_testbed_detach_ioctl(testbed_, scanner.devnode().c_str(), nullptr);
    umockdev_testbed_remove_device(testbed_, scanner.syspath().c_str());
    std::erase_if(scanners_, [&](const auto& held) { return held.get() == &scanner; });
}

bool underUmockdev() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "umockdev") != nullptr;
}

}  // namespace scandesk::testing
