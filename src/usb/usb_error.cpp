// The USB error catalogue: built-in texts, describer lists and the return-code check.
#include "usb/usb_error.h"

#include <libusb.h>

#include <array>
#include <utility>

#include "common/diagnostics.h"

namespace scandesk {
namespace {

constexpr std::array<std::pair<IOReturn, const char*>, 52> kGeneralTexts{{
    {kIOReturnAborted, "Aborted"},
    {kIOReturnBadArgument, "Invalid argument"},
    {kIOReturnBadMedia, "Media error"},
    {kIOReturnBadMessageID, "Sent/received messages had different msg_id"},
    {kIOReturnBusy, "Device busy"},
    {kIOReturnCannotLock, "Can't acquire lock"},
    {kIOReturnCannotWire, "Can't wire down physical memory"},
    {kIOReturnDMAError, "DMA failure"},
    {kIOReturnDeviceError, "The device is not working properly"},
    {kIOReturnError, "General error"},
    {kIOReturnExclusiveAccess, "Exclusive access and device already open"},
    {kIOReturnIOError, "General I/O error"},
    {kIOReturnIPCError, "Error during IPC"},
    {kIOReturnInternalError, "Internal error"},
    {kIOReturnInvalid, "Should never be seen"},
    {kIOReturnIsoTooNew, "Isochronous I/O request for distant future"},
    {kIOReturnIsoTooOld, "Isochronous I/O request for distant past"},
    {kIOReturnLockedRead, "Device read locked"},
    {kIOReturnLockedWrite, "Device write locked"},
    {kIOReturnMessageTooLarge, "Oversized msg received on interrupt port"},
    {kIOReturnNoBandwidth, "Bus bandwidth would be exceeded"},
    {kIOReturnNoChannels, "No DMA channels left"},
    {kIOReturnNoCompletion, "A completion routine is required"},
    {kIOReturnNoDevice, "No such device"},
    {kIOReturnNoFrames, "No DMA frames enqueued"},
    {kIOReturnNoInterrupt, "No interrupt attached"},
    {kIOReturnNoMedia, "Media not present"},
    {kIOReturnNoMemory, "Can't allocate memory"},
    {kIOReturnNoPower, "No power to device"},
    {kIOReturnNoResources, "Resource shortage"},
    {kIOReturnNoSpace, "No space for data"},
    {kIOReturnNotAligned, "Alignment error"},
    {kIOReturnNotAttached, "Device not attached"},
    {kIOReturnNotFound, "Data was not found"},
    {kIOReturnNotOpen, "Device not open"},
    {kIOReturnNotPermitted, "Not permitted"},
    {kIOReturnNotPrivileged, "Privilege violation"},
    {kIOReturnNotReadable, "Read not supported"},
    {kIOReturnNotReady, "Not ready"},
    {kIOReturnNotResponding, "Device not responding"},
    {kIOReturnNotWritable, "Write not supported"},
    {kIOReturnOffline, "Device offline"},
    {kIOReturnOverrun, "Data overrun"},
    {kIOReturnPortExists, "Port already exists"},
    {kIOReturnRLDError, "RLD failure"},
    {kIOReturnStillOpen, "Device(s) still open"},
    {kIOReturnTimeout, "I/O timeout"},
    {kIOReturnUnderrun, "Data underrun"},
    {kIOReturnUnformattedMedia, "media not formatted"},
    {kIOReturnUnsupported, "Unsupported function"},
    {kIOReturnUnsupportedMode, "No such mode"},
    {kIOReturnVMError, "Misc. VM failure"},
}};

constexpr std::array<std::pair<IOReturn, const char*>, 23> kUsbTexts{{
    {iokit_usb_err(0x42),
     "The transaction cannot be submitted because it would exceed the allowed number of "
     "pending transactions"},
    {iokit_usb_err(0x43),
     "An endpoint found in a SuperSpeed device is invalid (usually because there is no "
     "Endpoint Companion Descriptor)"},
    {iokit_usb_err(0x44),
     "The request cannot be completed because the XHCI controller does not support streams"},
    {iokit_usb_err(0x45),
     "The device cannot be enumerated because the controller cannot support more devices"},
    {iokit_usb_err(0x46),
     "The endpoint was not created because the controller cannot support more endpoints"},
    {iokit_usb_err(0x47), "Port was not suspended"},
    {iokit_usb_err(0x48), "IOUSBPipe::ClearPipeStall should not be called recursively"},
    {iokit_usb_err(0x49), "Name is deprecated, see below"},
    {iokit_usb_err(0x4A),
     "A synchronous USB request was made on the workloop thread (from a callback?).  Only "
     "async requests are permitted in that case"},
    {iokit_usb_err(0x4B), "Error to hub on high speed bus trying to do split transaction"},
    {iokit_usb_err(0x4C),
     "Attempted to use user land low latency isoc calls w/out calling PrepareBuffer (on the "
     "frame list) first"},
    {iokit_usb_err(0x4D),
     "Attempted to use user land low latency isoc calls w/out calling PrepareBuffer (on the "
     "data buffer) first "},
    {iokit_usb_err(0x4E), "Interface ref not recognized"},
    {iokit_usb_err(0x4F), "Pipe has stalled, error needs to be cleared"},
    {iokit_usb_err(0x50), "The transaction has been returned to the caller"},
    {iokit_usb_err(0x51), "Transaction timed out"},
    {iokit_usb_err(0x56), "Configuration Not found"},
    {iokit_usb_err(0x57), "Endpoint Not found"},
    {iokit_usb_err(0x5D), "not enough power for selected configuration"},
    {iokit_usb_err(0x5E), "not enough pipes in interface"},
    {iokit_usb_err(0x5F), "no async port"},
    {iokit_usb_err(0x60), "Too many pipes"},
    {iokit_usb_err(0x61), "Pipe ref not recognized"},
}};

constexpr std::array<const char*, 7> kUsbIOErrorTexts{
    "I/O: No plugin interface.",
    "USB: Plugin has no device interface.",
    "USB: Plugin has no interface interface.",
    "I/O: Could not query interface.",
    "USB: Could not query device interface.",
    "USB: Could not query interface interface.",
    "Could not get enough data.",
};

constexpr std::array<const char*, 7> kUsbIOErrorNames{
    "noPluginInterface",
    "pluginHasNoUsbDeviceInterface",
    "pluginHasNoUsbInterfaceInterface",
    "couldNotQueryInterface",
    "couldNotQueryUsbDeviceInterface",
    "couldNotQueryUsbInterfaceInterface",
    "couldNotGetEnoughData",
};

size_t index(UsbIOError error) {
    return static_cast<size_t>(error);
}

}  // namespace

std::string_view caseName(UsbIOError error) {
    return kUsbIOErrorNames.at(index(error));
}

std::string errorDescription(IOReturn code) {
    for (const auto& [value, text] : kGeneralTexts) {
        if (value == code) {
            return text;
        }
    }
    for (const auto& [value, text] : kUsbTexts) {
        if (value == code) {
            return text;
        }
    }
    return "IOError (" + std::to_string(code) + ")";
}

std::string optionalLogForm(const std::optional<std::string>& text) {
    return text ? "Optional(\"" + *text + "\")" : std::string("nil");
}

std::string optionalLogForm(const std::optional<long long>& number) {
    return number ? "Optional(" + std::to_string(*number) + ")" : std::string("nil");
}

IOReturnError::IOReturnError(IOReturn code)
    : std::runtime_error(errorDescription(code)), code_(code) {}

UsbIOErrorException::UsbIOErrorException(UsbIOError error)
    : std::runtime_error(kUsbIOErrorTexts.at(index(error))), error_(error) {}

std::string errorLogValue(const std::exception& error) {
    if (const auto* code = dynamic_cast<const IOReturnError*>(&error)) {
        return std::to_string(code->code());
    }
    if (const auto* own = dynamic_cast<const UsbIOErrorException*>(&error)) {
        return std::string(caseName(own->error()));
    }
    return error.what();
}

void throwIfNotSuccess(IOReturn code, std::string_view label) {
    if (code == success) {
        return;
    }
    diagWarning("error happened at ", label, " and error is: ",
                optionalLogForm(std::optional<std::string>(errorDescription(code))));
    throw IOReturnError(code);
}

IOReturn ioReturnFromLibusb(int libusbCode) {
    if (libusbCode >= 0) {
        return success;
    }
    switch (libusbCode) {
        case LIBUSB_ERROR_IO:
            return kIOReturnIOError;
        case LIBUSB_ERROR_INVALID_PARAM:
            return kIOReturnBadArgument;
        case LIBUSB_ERROR_ACCESS:
            return kIOReturnNotPrivileged;
        case LIBUSB_ERROR_NO_DEVICE:
            return kIOReturnNoDevice;
        case LIBUSB_ERROR_NOT_FOUND:
            return kIOReturnNotFound;
        case LIBUSB_ERROR_BUSY:
            return kIOReturnExclusiveAccess;
        case LIBUSB_ERROR_TIMEOUT:
            return kIOUSBTransactionTimeout;
        case LIBUSB_ERROR_OVERFLOW:
            return kIOReturnOverrun;
        case LIBUSB_ERROR_PIPE:
            return kIOUSBPipeStalled;
        case LIBUSB_ERROR_INTERRUPTED:
            return kIOReturnAborted;
        case LIBUSB_ERROR_NO_MEM:
            return kIOReturnNoMemory;
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return kIOReturnUnsupported;
        default:
            return kIOReturnError;
    }
}

}  // namespace scandesk
