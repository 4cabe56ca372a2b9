// Choosing the transport by the device type.
#include "session/transport_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scandesk {
namespace {

TEST(TransportChoice, OnlyNetDevicesGoOverTheNetwork) {
    std::vector<std::string> made;
    auto recorder = [&made](std::string transport) -> ScanProcessFactory {
        return [&made, transport](const Device&, ScanCommand, PageSink, PageProgress) {
            made.push_back(transport);
            return std::unique_ptr<ScanProcess>();
        };
    };
    const ScanProcessFactory choose = chooseTransport(recorder("net"), recorder("usb"));
    for (const char* type : {"Net", "USB", "", "net", "Net "}) {
        Device device;
        device.type = type;
        choose(device, ScanCommand(ScanParam{}), nullptr, nullptr);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"net", "usb", "usb", "usb", "usb"}));
}

}  // namespace
}  // namespace scandesk
