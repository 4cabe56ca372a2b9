// Return codes of the USB layer: the published general codes and the USB-specific ones.
#pragma once

#include <cstdint>

namespace scandesk {

/// A signed 32-bit platform return code; 0 is success.
using IOReturn = int32_t;

inline constexpr IOReturn success = 0;

/// A USB-specific return code: 0xE0004000 | code.
constexpr IOReturn iokit_usb_err(int32_t code) {
    return static_cast<IOReturn>(0xE0004000u | static_cast<uint32_t>(code));
}

namespace ioreturn_detail {
constexpr IOReturn common(uint32_t code) {
    return static_cast<IOReturn>(0xE0000000u | code);
}
}  // namespace ioreturn_detail

// General codes, as the platform publishes them.
inline constexpr IOReturn kIOReturnSuccess = 0;
inline constexpr IOReturn kIOReturnInvalid = ioreturn_detail::common(0x001);
inline constexpr IOReturn kIOReturnError = ioreturn_detail::common(0x2BC);
inline constexpr IOReturn kIOReturnNoMemory = ioreturn_detail::common(0x2BD);
inline constexpr IOReturn kIOReturnNoResources = ioreturn_detail::common(0x2BE);
inline constexpr IOReturn kIOReturnIPCError = ioreturn_detail::common(0x2BF);
inline constexpr IOReturn kIOReturnNoDevice = ioreturn_detail::common(0x2C0);
inline constexpr IOReturn kIOReturnNotPrivileged = ioreturn_detail::common(0x2C1);
inline constexpr IOReturn kIOReturnBadArgument = ioreturn_detail::common(0x2C2);
inline constexpr IOReturn kIOReturnLockedRead = ioreturn_detail::common(0x2C3);
inline constexpr IOReturn kIOReturnLockedWrite = ioreturn_detail::common(0x2C4);
inline constexpr IOReturn kIOReturnExclusiveAccess = ioreturn_detail::common(0x2C5);
inline constexpr IOReturn kIOReturnBadMessageID = ioreturn_detail::common(0x2C6);
inline constexpr IOReturn kIOReturnUnsupported = ioreturn_detail::common(0x2C7);
inline constexpr IOReturn kIOReturnVMError = ioreturn_detail::common(0x2C8);
inline constexpr IOReturn kIOReturnInternalError = ioreturn_detail::common(0x2C9);
inline constexpr IOReturn kIOReturnIOError = ioreturn_detail::common(0x2CA);
inline constexpr IOReturn kIOReturnCannotLock = ioreturn_detail::common(0x2CC);
inline constexpr IOReturn kIOReturnNotOpen = ioreturn_detail::common(0x2CD);
inline constexpr IOReturn kIOReturnNotReadable = ioreturn_detail::common(0x2CE);
inline constexpr IOReturn kIOReturnNotWritable = ioreturn_detail::common(0x2CF);
inline constexpr IOReturn kIOReturnNotAligned = ioreturn_detail::common(0x2D0);
inline constexpr IOReturn kIOReturnBadMedia = ioreturn_detail::common(0x2D1);
inline constexpr IOReturn kIOReturnStillOpen = ioreturn_detail::common(0x2D2);
inline constexpr IOReturn kIOReturnRLDError = ioreturn_detail::common(0x2D3);
inline constexpr IOReturn kIOReturnDMAError = ioreturn_detail::common(0x2D4);
inline constexpr IOReturn kIOReturnBusy = ioreturn_detail::common(0x2D5);
inline constexpr IOReturn kIOReturnTimeout = ioreturn_detail::common(0x2D6);
inline constexpr IOReturn kIOReturnOffline = ioreturn_detail::common(0x2D7);
inline constexpr IOReturn kIOReturnNotReady = ioreturn_detail::common(0x2D8);
inline constexpr IOReturn kIOReturnNotAttached = ioreturn_detail::common(0x2D9);
inline constexpr IOReturn kIOReturnNoChannels = ioreturn_detail::common(0x2DA);
inline constexpr IOReturn kIOReturnNoSpace = ioreturn_detail::common(0x2DB);
inline constexpr IOReturn kIOReturnPortExists = ioreturn_detail::common(0x2DD);
inline constexpr IOReturn kIOReturnCannotWire = ioreturn_detail::common(0x2DE);
inline constexpr IOReturn kIOReturnNoInterrupt = ioreturn_detail::common(0x2DF);
inline constexpr IOReturn kIOReturnNoFrames = ioreturn_detail::common(0x2E0);
inline constexpr IOReturn kIOReturnMessageTooLarge = ioreturn_detail::common(0x2E1);
inline constexpr IOReturn kIOReturnNotPermitted = ioreturn_detail::common(0x2E2);
inline constexpr IOReturn kIOReturnNoPower = ioreturn_detail::common(0x2E3);
inline constexpr IOReturn kIOReturnNoMedia = ioreturn_detail::common(0x2E4);
inline constexpr IOReturn kIOReturnUnformattedMedia = ioreturn_detail::common(0x2E5);
inline constexpr IOReturn kIOReturnUnsupportedMode = ioreturn_detail::common(0x2E6);
inline constexpr IOReturn kIOReturnUnderrun = ioreturn_detail::common(0x2E7);
inline constexpr IOReturn kIOReturnOverrun = ioreturn_detail::common(0x2E8);
inline constexpr IOReturn kIOReturnDeviceError = ioreturn_detail::common(0x2E9);
inline constexpr IOReturn kIOReturnNoCompletion = ioreturn_detail::common(0x2EA);
inline constexpr IOReturn kIOReturnAborted = ioreturn_detail::common(0x2EB);
inline constexpr IOReturn kIOReturnNoBandwidth = ioreturn_detail::common(0x2EC);
inline constexpr IOReturn kIOReturnNotResponding = ioreturn_detail::common(0x2ED);
inline constexpr IOReturn kIOReturnIsoTooOld = ioreturn_detail::common(0x2EE);
inline constexpr IOReturn kIOReturnIsoTooNew = ioreturn_detail::common(0x2EF);
inline constexpr IOReturn kIOReturnNotFound = ioreturn_detail::common(0x2F0);

// USB-specific codes.
inline constexpr IOReturn kIOUSBUnknownPipeErr = iokit_usb_err(0x61);
inline constexpr IOReturn kIOUSBTooManyPipesErr = iokit_usb_err(0x60);
inline constexpr IOReturn kIOUSBNoAsyncPortErr = iokit_usb_err(0x5F);
inline constexpr IOReturn kIOUSBNotEnoughPipesErr = iokit_usb_err(0x5E);
inline constexpr IOReturn kIOUSBNotEnoughPowerErr = iokit_usb_err(0x5D);
inline constexpr IOReturn kIOUSBEndpointNotFound = iokit_usb_err(0x57);
inline constexpr IOReturn kIOUSBConfigNotFound = iokit_usb_err(0x56);
inline constexpr IOReturn kIOUSBTransactionTimeout = iokit_usb_err(0x51);
inline constexpr IOReturn kIOUSBTransactionReturned = iokit_usb_err(0x50);
inline constexpr IOReturn kIOUSBPipeStalled = iokit_usb_err(0x4F);
inline constexpr IOReturn kIOUSBInterfaceNotFound = iokit_usb_err(0x4E);
inline constexpr IOReturn kIOUSBLowLatencyBufferNotPreviouslyAllocated = iokit_usb_err(0x4D);
inline constexpr IOReturn kIOUSBLowLatencyFrameListNotPreviouslyAllocated = iokit_usb_err(0x4C);
inline constexpr IOReturn kIOUSBHighSpeedSplitError = iokit_usb_err(0x4B);
inline constexpr IOReturn kIOUSBSyncRequestOnWLThread = iokit_usb_err(0x4A);
inline constexpr IOReturn kIOUSBDeviceNotHighSpeed = iokit_usb_err(0x49);
inline constexpr IOReturn kIOUSBDeviceTransferredToCompanion = iokit_usb_err(0x49);
inline constexpr IOReturn kIOUSBClearPipeStallNotRecursive = iokit_usb_err(0x48);
inline constexpr IOReturn kIOUSBDevicePortWasNotSuspended = iokit_usb_err(0x47);
inline constexpr IOReturn kIOUSBEndpointCountExceeded = iokit_usb_err(0x46);
inline constexpr IOReturn kIOUSBDeviceCountExceeded = iokit_usb_err(0x45);
inline constexpr IOReturn kIOUSBStreamsNotSupported = iokit_usb_err(0x44);
inline constexpr IOReturn kIOUSBInvalidSSEndpoint = iokit_usb_err(0x43);
inline constexpr IOReturn kIOUSBTooManyTransactionsPending = iokit_usb_err(0x42);

/// The return code that stands for a libusb error code (LIBUSB_ERROR_*); 0 stays 0
/// and positive values (byte counts) are success.
IOReturn ioReturnFromLibusb(int libusbCode);

}  // namespace scandesk
