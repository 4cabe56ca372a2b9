// The interface layer over a scripted link: pipes, opening, transfers and time-outs.
#include "usb/usb_interface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/captured_lines.h"
#include "support/fake_interface_link.h"
#include "usb/usb_error.h"
#include "usb/usb_timeout.h"

namespace scandesk {
namespace {

using testing::CapturedLines;
using testing::FakeInterfaceLink;

constexpr UsbPipeProperties kBulkIn{1, 1, 2, 512, 0};
constexpr UsbPipeProperties kBulkOut{0, 2, 2, 512, 0};

struct Fixture {
    Fixture() {
        auto owned = std::make_unique<FakeInterfaceLink>();
        link = owned.get();
        interface = std::make_unique<UsbInterface>(std::move(owned));
    }
    FakeInterfaceLink* link;
    std::unique_ptr<UsbInterface> interface;
};

struct PipeRow {
    std::vector<std::optional<UsbPipeProperties>> pipes;
    PipeTable expected;
};

TEST(UsbInterfacePipes, RolesComeFromTheFirstTwoEndpointsInOrder) {
    const std::vector<PipeRow> rows{
        {{kBulkIn, kBulkOut}, {{kReadPipe, 1}, {kWritePipe, 2}}},
        {{kBulkOut, kBulkIn}, {{kWritePipe, 1}, {kReadPipe, 2}}},
        {{kBulkIn, kBulkIn}, {{kReadPipe, 2}}},
        {{kBulkIn, kBulkOut, kBulkOut}, {{kReadPipe, 1}, {kWritePipe, 2}}},
        {{std::nullopt, kBulkOut}, {{kWritePipe, 2}}},
        {{UsbPipeProperties{2, 1, 0, 64, 0}, kBulkIn}, {{kReadPipe, 2}}},
        {{}, {}},
    };
    for (const PipeRow& row : rows) {
        Fixture f;
        f.link->pipes = row.pipes;
        EXPECT_EQ(f.interface->getPipes(), row.expected);
    }
}

TEST(UsbInterfacePipes, LogLinesNameEveryExaminedPipe) {
    Fixture f;
    f.link->pipes = {std::nullopt, UsbPipeProperties{1, 3, 3, 8, 10}, kBulkOut};
    CapturedLines lines;
    f.interface->getPipes();
    EXPECT_EQ(lines.lines(), (std::vector<std::string>{
                                 "endpoints = 3 and get no res = Optional(0)",
                                 "Could not get properties for pipe 1",
                                 "endpointnum = 2,direction = 1,number = 3,transType=3,maxsize=8,"
                                 "interval=10",
                                 "endpoint2 direction: in, ",
                                 "endpoint2 type is: interrupt, ",
                             }));
}

TEST(UsbInterfaceOpening, OnlySeizingThrowsAndCloseAlwaysReports) {
    Fixture f;
    f.link->openCode = kIOReturnExclusiveAccess;
    f.link->closeCode = kIOReturnNotOpen;
    CapturedLines lines;
    EXPECT_NO_THROW(f.interface->open(false));
    EXPECT_TRUE(lines.contains("open interface failed"));
    EXPECT_THROW(f.interface->open(true), IOReturnError);
    EXPECT_TRUE(
        lines.contains("error happened at func open-seize-true and error is: "
                       "Optional(\"Exclusive access and device already open\")"));
    EXPECT_NO_THROW(f.interface->close());
    EXPECT_TRUE(
        lines.contains("error happened at func close and error is: Optional(\"Device not open\")"));
    EXPECT_EQ(lines.count("interface closed"), 1u);
}

TEST(UsbInterfaceOpening, OpenAndPerformClosesAlsoWhenTheActionThrows) {
    Fixture f;
    CapturedLines lines;
    EXPECT_THROW(f.interface->openAndPerform(
                     false, [] { throw UsbIOErrorException(UsbIOError::couldNotGetEnoughData); }),
                 UsbIOErrorException);
    int runs = 0;
    f.interface->openAndPerform(false, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(lines.count("interface closed"), 2u);
}

TEST(UsbInterfaceTransfers, ReadBytesChecksTheMinimumAndLogsWhatCame) {
    Fixture f;
    CapturedLines lines;
    f.link->reads = {{success, {1, 2, 3}}, {success, {}}, {success, {}}};
    EXPECT_EQ(f.interface->readBytes(1, 10, 1, 0.3, 0.3), (Bytes{1, 2, 3}));
    EXPECT_TRUE(lines.contains("pipe status = Optional(0)"));
    EXPECT_TRUE(lines.contains("readBytes function. readlen=3"));
    EXPECT_TRUE(lines.contains("get bytes data is [1, 2, 3]"));
    try {
        f.interface->readBytes(1, 10, 1, 0.3, 0.3);
        FAIL() << "no error thrown";
    } catch (const UsbIOErrorException& error) {
        EXPECT_EQ(error.error(), UsbIOError::couldNotGetEnoughData);
    }
    EXPECT_TRUE(f.interface->read(std::nullopt, 10, 1, 0.3, 0.3).empty());
    EXPECT_EQ(f.link->readRooms, (std::vector<uint32_t>{10, 10, 10}));
}

TEST(UsbInterfaceTransfers, FailuresAreLoggedWithTheirLabelAndThrown) {
    Fixture f;
    CapturedLines lines;
    f.link->writeCode = kIOUSBTransactionTimeout;
    EXPECT_THROW(f.interface->write({1, 2}, 2, 0.3, 0.3), IOReturnError);
    EXPECT_TRUE(lines.contains(
        "error happened at func write  and error is: Optional(\"Transaction timed out\")"));
    f.link->reads = {{kIOUSBPipeStalled, {}}};
    EXPECT_THROW(f.interface->readBytes(1, 10, 1, 0.3, 0.3), IOReturnError);
    EXPECT_TRUE(lines.containsFragment("error happened at func readBytes and error is: "));
    f.link->clearCode = kIOReturnNoDevice;
    EXPECT_THROW(f.interface->clearPipeStall(false, 1), IOReturnError);
    EXPECT_TRUE(lines.containsFragment("error happened at func clearPipeStall-false  and"));
    IOUSBDevRequestTO request;
    EXPECT_THROW(f.interface->sendControlRequest(request, 1), IOReturnError);
}

TEST(UsbTimeouts, SecondsBecomeTruncatedMilliseconds) {
    const std::vector<std::pair<double, uint32_t>> rows{
        {0.3, 300}, {30.0, 30000}, {0.0, 0}, {-0.0005, 0}, {0.0019, 1}, {4294967.295, 4294967295u},
    };
    for (const auto& [seconds, milliseconds] : rows) {
        EXPECT_EQ(timeoutMilliseconds(seconds), milliseconds) << seconds;
    }
    for (double refused :
         {-0.001, -2.0, 4294967.296, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(timeoutMilliseconds(refused), std::invalid_argument) << refused;
    }
}

}  // namespace
}  // namespace scandesk
