// A scripted USB scanner for tests: umockdev emulates it at the kernel interface libusb uses.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace scandesk::testing {

/// One endpoint of an interface descriptor.
struct EndpointLayout {
    uint8_t address = 0;
    uint8_t attributes = 2;  ///< bulk
    uint16_t maxPacketSize = 512;
};

/// One interface (setting 0) of the device's only configuration.
struct InterfaceLayout {
    uint8_t number = 0;
    std::vector<EndpointLayout> endpoints;
};

/// The device as its descriptors describe it. By default: interface 0 with one
/// interrupt endpoint, interface 1 with bulk IN 0x81 and bulk OUT 0x02.
struct DeviceLayout {
    uint16_t vendor = 0x356C;
    uint16_t product = 0x00AB;
    std::vector<InterfaceLayout> interfaces{{0, {{0x83, 3, 8}}}, {1, {{0x81}, {0x02}}}};
};

/// What one bulk-IN read gets.
struct InUnit {
    enum class Kind { data, stall, silence, gone };
    Kind kind = Kind::data;
    Bytes bytes;

    static InUnit data(Bytes bytes) { return {Kind::data, std::move(bytes)}; }
    static InUnit stall() { return {Kind::stall, {}}; }
    /// No answer: the read lasts until the host gives up on it.
    static InUnit silence() { return {Kind::silence, {}}; }
    /// The device is unplugged in the middle of the read.
    static InUnit gone() { return {Kind::gone, {}}; }
};

/// A control request as the device saw it.
struct ControlSetup {
    uint8_t bmRequestType = 0;
    uint8_t bRequest = 0;
    uint16_t wValue = 0;
    uint16_t wIndex = 0;
    uint16_t wLength = 0;
};

/// One emulated scanner. Everything is scripted and recorded from the test thread;
/// the ioctl handler runs on umockdev's worker thread and never blocks.
class ScriptedScanner {
  public:
    /// Answers to host bytes written to the OUT endpoint: the IN units they cause.
    using Responder = std::function<std::vector<InUnit>(const Bytes& written)>;

    ScriptedScanner(DeviceLayout layout, std::string devnode, std::string syspath);
    ~ScriptedScanner();
    ScriptedScanner(const ScriptedScanner&) = delete;
    ScriptedScanner& operator=(const ScriptedScanner&) = delete;

    /// The reply of a vendor IN request (by bRequest); the default is [5, 0, 0, 0, 0].
    void setControlReply(uint8_t bRequest, Bytes reply);
    /// Stalls every control request from now on.
    void setControlStall(bool stall);
    /// Makes clearing a halt fail as on a device that has gone.
    void failClearHalt(bool fail);
    /// Stalls every bulk OUT transfer whose bytes the predicate picks.
    void stallWrites(std::function<bool(const Bytes& written)> predicate);
    /// Queues what the next bulk-IN reads get, in order.
    void queueIn(InUnit unit);
    /// Called for every bulk OUT transfer; its units are queued after the others.
    void setResponder(Responder responder);
    /// Asked for the next unit when a read waits and the queue is empty; nothing means
    /// the scanner stays silent for now.
    void setUnitSource(std::function<std::optional<InUnit>()> source);

    std::vector<Bytes> writes() const;
    std::vector<ControlSetup> controls() const;
    /// The room each bulk-IN read offered, in order.
    std::vector<uint32_t> inRequestSizes() const;
    int clearHalts() const;
    int claims() const;
    const DeviceLayout& layout() const { return layout_; }
    const std::string& syspath() const { return syspath_; }
    const std::string& devnode() const { return devnode_; }

    /// The descriptors blob: device descriptor, then the whole configuration descriptor.
    static Bytes descriptors(const DeviceLayout& layout);

    UMockdevIoctlBase* handler() const { return handler_; }

  private:
    struct Urb;
    /// umockdev's "handle-ioctl" signal, passed on to `handleIoctl`.
    static int onIoctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client, void* self);
    /// Answers one usbdevfs request as the kernel would.
    bool handleIoctl(UMockdevIoctlClient* client);
    /// Takes a URB: control and OUT ones complete at once, IN ones wait for a unit.
    void submit(UMockdevIoctlClient* client);
    /// Hands back the oldest completed URB, or EAGAIN.
    void reap(UMockdevIoctlClient* client);
    /// Cancels a waiting URB (the host's time-out), completing it as cancelled.
    void discard(UMockdevIoctlClient* client);
    /// Gives waiting IN URBs the next units, as long as there are both.
    void serveReads();
    /// Records a control request and prepares its reply.
    void answerControl(Urb& urb);

    DeviceLayout layout_;
    std::string devnode_;
    std::string syspath_;
    UMockdevIoctlBase* handler_ = nullptr;

    mutable std::mutex mutex_;
    std::deque<std::unique_ptr<Urb>> pendingReads_;
    std::deque<std::unique_ptr<Urb>> silenced_;
    std::deque<std::unique_ptr<Urb>> completed_;
    std::deque<InUnit> inQueue_;
    Responder responder_;
    std::function<std::optional<InUnit>()> unitSource_;
    std::vector<std::pair<uint8_t, Bytes>> controlReplies_;
    bool controlStall_ = false;
    bool clearHaltFails_ = false;
    std::function<bool(const Bytes&)> stallWrite_;
    std::vector<Bytes> writes_;
    std::vector<ControlSetup> controls_;
    std::vector<uint32_t> inRequestSizes_;
    int clearHalts_ = 0;
    int claims_ = 0;
};

/// A umockdev testbed holding scripted scanners. Create it before libusb starts.
class UsbTestbed {
  public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    /// Attaches a scanner (an "add" event is sent) and returns it for scripting.
    ScriptedScanner& attach(DeviceLayout layout = {});
    /// Sends the "remove" event and takes the scanner out of the testbed.
    void unplug(ScriptedScanner& scanner);

  private:
    UMockdevTestbed* testbed_ = nullptr;
    int nextDevnum_ = 2;
    std::vector<std::unique_ptr<ScriptedScanner>> scanners_;
};

/// Whether the tests run under umockdev's preload library.
bool underUmockdev();

}  // namespace scandesk::testing
