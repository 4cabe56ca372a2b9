// The USB error catalogue: texts, fall-through, describers, log forms and the check.
#include "usb/usb_error.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include "support/captured_lines.h"

namespace scandesk {
namespace {

class UsbErrorCatalogue : public ::testing::Test {
  protected:
    void TearDown() override { clearDescribers(); }
};

TEST_F(UsbErrorCatalogue, DescriptionsOfReturnCodes) {
    const std::vector<std::pair<IOReturn, std::string>> rows{
        {kIOUSBTransactionTimeout, "Transaction timed out"},
        {static_cast<IOReturn>(0xE0004052), "IOError (-536854446)"},
        {static_cast<IOReturn>(0xE0004055), "IOError (-536854443)"},
        {static_cast<IOReturn>(0xE0004058), "IOError (-536854440)"},
        {static_cast<IOReturn>(0xE000405C), "IOError (-536854436)"},
        {0, "IOError (0)"},
        {kIOReturnError, "General error"},
        {static_cast<IOReturn>(0xE00002BC), "General error"},
        {kIOReturnUnformattedMedia, "media not formatted"},
        {kIOReturnInvalid, "Should never be seen"},
        {kIOUSBPipeStalled, "Pipe has stalled, error needs to be cleared"},
        {kIOUSBUnknownPipeErr, "Pipe ref not recognized"},
        {kIOUSBDeviceTransferredToCompanion, "Name is deprecated, see below"},
        {kIOUSBSyncRequestOnWLThread,
         "A synchronous USB request was made on the workloop thread (from a callback?).  Only "
         "async requests are permitted in that case"},
        {kIOUSBLowLatencyBufferNotPreviouslyAllocated,
         "Attempted to use user land low latency isoc calls w/out calling PrepareBuffer (on the "
         "data buffer) first "},
        {-1, "IOError (-1)"},
    };
    for (const auto& [code, text] : rows) {
        EXPECT_EQ(errorDescription(code), text) << code;
    }
}

TEST_F(UsbErrorCatalogue, NamedUsbCodes) {
    EXPECT_EQ(static_cast<uint32_t>(iokit_usb_err(0x51)), 0xE0004051u);
    EXPECT_EQ(static_cast<uint32_t>(kIOUSBTooManyTransactionsPending), 0xE0004042u);
    EXPECT_EQ(static_cast<uint32_t>(kIOUSBUnknownPipeErr), 0xE0004061u);
    EXPECT_EQ(kIOReturnError, -536870212);
}

TEST_F(UsbErrorCatalogue, DescriberOverridesBuiltInTextFirstAnswerWins) {
    addDescriptionDescriber([](IOReturn code) -> std::optional<std::string> {
        if (code == kIOReturnBusy) {
            return std::string();  // an empty text counts as an answer
        }
        return std::nullopt;
    });
    addDescriptionDescriber([](IOReturn) -> std::optional<std::string> { return "second"; });
    EXPECT_EQ(errorDescription(kIOReturnBusy), "");
    EXPECT_EQ(errorDescription(kIOReturnAborted), "second");
    EXPECT_EQ(recoverySuggestion(kIOReturnAborted), std::nullopt);
    addRecoverySuggestionDescriber(
        [](IOReturn) -> std::optional<std::string> { return "replug it"; });
    EXPECT_EQ(recoverySuggestion(kIOReturnAborted), "replug it");
}

TEST_F(UsbErrorCatalogue, LayerErrors) {
    EXPECT_EQ(errorDescription(UsbIOError::couldNotGetEnoughData), "Could not get enough data.");
    EXPECT_EQ(caseName(UsbIOError::couldNotGetEnoughData), "couldNotGetEnoughData");
    EXPECT_EQ(errorDescription(UsbIOError::noPluginInterface), "I/O: No plugin interface.");
    EXPECT_EQ(errorLogValue(UsbIOErrorException(UsbIOError::couldNotQueryInterface)),
              "couldNotQueryInterface");
    EXPECT_EQ(errorLogValue(IOReturnError(kIOUSBTransactionTimeout)), "-536854447");
    EXPECT_EQ(recoverySuggestion(UsbIOError::noPluginInterface), std::nullopt);
    EXPECT_EQ(failureReason(UsbIOError::noPluginInterface), std::nullopt);
    EXPECT_EQ(helpAnchor(kIOReturnBusy), std::nullopt);
    addDescriptionDescriber([](UsbIOError e) -> std::optional<std::string> {
        return e == UsbIOError::noPluginInterface ? std::optional<std::string>("custom")
                                                  : std::nullopt;
    });
    EXPECT_EQ(errorDescription(UsbIOError::noPluginInterface), "custom");
    EXPECT_EQ(errorDescription(UsbIOError::couldNotGetEnoughData), "Could not get enough data.");
}

TEST_F(UsbErrorCatalogue, OptionalLogForm) {
    EXPECT_EQ(optionalLogForm(std::optional<std::string>("Transaction timed out")),
              "Optional(\"Transaction timed out\")");
    EXPECT_EQ(optionalLogForm(std::optional<std::string>()), "nil");
    EXPECT_EQ(optionalLogForm(std::optional<long long>(-5)), "Optional(-5)");
    EXPECT_EQ(optionalLogForm(std::optional<long long>()), "nil");
}

TEST_F(UsbErrorCatalogue, ReturnCodeCheckLogsThenThrows) {
    testing::CapturedLines lines;
    EXPECT_NO_THROW(throwIfNotSuccess(success, "func write "));
    EXPECT_TRUE(lines.lines().empty());
    try {
        throwIfNotSuccess(kIOUSBTransactionTimeout, "func write ");
        FAIL() << "no throw";
    } catch (const IOReturnError& e) {
        EXPECT_EQ(e.code(), kIOUSBTransactionTimeout);
    }
    EXPECT_EQ(
        lines.lines(),
        std::vector<std::string>{
            "error happened at func write  and error is: Optional(\"Transaction timed out\")"});
}

TEST_F(UsbErrorCatalogue, LibusbCodesMapOntoPublishedNames) {
    const std::vector<std::pair<int, IOReturn>> rows{
        {LIBUSB_SUCCESS, success},
        {12, success},
        {LIBUSB_ERROR_IO, kIOReturnIOError},
        {LIBUSB_ERROR_INVALID_PARAM, kIOReturnBadArgument},
        {LIBUSB_ERROR_ACCESS, kIOReturnNotPrivileged},
        {LIBUSB_ERROR_NO_DEVICE, kIOReturnNoDevice},
        {LIBUSB_ERROR_NOT_FOUND, kIOReturnNotFound},
        {LIBUSB_ERROR_BUSY, kIOReturnExclusiveAccess},
        {LIBUSB_ERROR_TIMEOUT, kIOUSBTransactionTimeout},
        {LIBUSB_ERROR_OVERFLOW, kIOReturnOverrun},
        {LIBUSB_ERROR_PIPE, kIOUSBPipeStalled},
        {LIBUSB_ERROR_INTERRUPTED, kIOReturnAborted},
        {LIBUSB_ERROR_NO_MEM, kIOReturnNoMemory},
        {LIBUSB_ERROR_NOT_SUPPORTED, kIOReturnUnsupported},
        {LIBUSB_ERROR_OTHER, kIOReturnError},
        {-1000, kIOReturnError},
    };
    for (const auto& [libusbCode, code] : rows) {
        EXPECT_EQ(ioReturnFromLibusb(libusbCode), code) << libusbCode;
    }
}

}  // namespace
}  // namespace scandesk
