// The interface layer over a scripted link: pipes, opening, transfers and time-outs.
#include "usb/usb_interface.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <cmath>

#include "support/fake_interface_link.h"
#include "usb/usb_error.h"
#include "usb/usb_timeout.h"

namespace scandesk {
namespace {

using testing::FakeInterfaceLink;

TEST(UsbInterface, PipeRolesComeFromTheDirectionsOfTheFirstTwoEndpoints) {
    constexpr UsbPipeProperties in{1, 1, 2, 512, 0}, out{0, 2, 2, 512, 0};
    const std::vector<std::pair<std::vector<std::optional<UsbPipeProperties>>, PipeTable>> rows{
        {{out, in}, {{kWritePipe, 1}, {kReadPipe, 2}}},
        {{in, in}, {{kReadPipe, 2}}},
        {{in, out, out}, {{kReadPipe, 1}, {kWritePipe, 2}}},
        {{std::nullopt, out}, {{kWritePipe, 2}}},
    };
    for (const auto& [pipes, expected] : rows) {
        auto* link = new FakeInterfaceLink;
        link->pipes = pipes;
        EXPECT_EQ(UsbInterface(std::unique_ptr<UsbInterfaceLink>(link)).getPipes(), expected);
    }
}

TEST(UsbInterface, FailuresThrowTheirCodeAndOpenAndPerformStillCloses) {
    auto* link = new FakeInterfaceLink;
    const auto interface = std::make_unique<UsbInterface>(std::unique_ptr<UsbInterfaceLink>(link));
    const auto codeOf = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const IOReturnError& error) {
            return error.code();
        }
        return success;
    };
    link->openCode = kIOReturnExclusiveAccess;
    EXPECT_EQ(codeOf([&] { interface->open(false); }), success);  // only seizing throws
    EXPECT_EQ(codeOf([&] { interface->open(true); }), kIOReturnExclusiveAccess);
    link->reads = {{success, {}}, {kIOUSBPipeStalled, {}}};
    EXPECT_THROW(
        interface->openAndPerform(false, [&] { interface->readBytes(1, 10, 1, 0.3, 0.3); }),
        UsbIOErrorException);  // an empty reply
    EXPECT_EQ(link->closes, 1);
    EXPECT_EQ(codeOf([&] { interface->readBytes(1, 10, 1, 0.3, 0.3); }), kIOUSBPipeStalled);
    link->onWrite = [](const auto&) { return kIOUSBTransactionTimeout; };
    EXPECT_EQ(codeOf([&] { interface->write({1, 2}, 2, 0.3, 0.3); }), kIOUSBTransactionTimeout);
    link->clearCode = kIOReturnNoDevice;
    EXPECT_EQ(codeOf([&] { interface->clearPipeStall(false, 1); }), kIOReturnNoDevice);
}

// The page stream tells an unplugged device, silence and a stall apart by these codes.
TEST(UsbInterface, LibusbFailuresMapOntoTheCodesThePageStreamActsOn) {
    EXPECT_EQ(ioReturnFromLibusb(LIBUSB_ERROR_NO_DEVICE), kIOReturnNoDevice);
    EXPECT_EQ(ioReturnFromLibusb(LIBUSB_ERROR_TIMEOUT), kIOUSBTransactionTimeout);
    EXPECT_EQ(ioReturnFromLibusb(LIBUSB_ERROR_PIPE), kIOUSBPipeStalled);
    EXPECT_EQ(ioReturnFromLibusb(12), success);  // a byte count
}

TEST(UsbInterface, TimeoutsInSecondsBecomeTruncatedMilliseconds) {
    for (const auto& [seconds, milliseconds] : std::vector<std::pair<double, uint32_t>>{
             {0.3, 300}, {0.0019, 1}, {-0.0005, 0}, {4294967.295, 4294967295u}}) {
        EXPECT_EQ(timeoutMilliseconds(seconds), milliseconds) << seconds;
    }
    for (double refused : {-0.001, 4294967.296, std::nan("")}) {
        EXPECT_THROW(timeoutMilliseconds(refused), std::invalid_argument) << refused;
    }
}

}  // namespace
}  // namespace scandesk
