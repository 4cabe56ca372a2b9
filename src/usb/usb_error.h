// Readable descriptions of the USB layer's failures, and the errors it throws.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "usb/io_return.h"

namespace scandesk {

/// The USB layer's own error conditions.
enum class UsbIOError : int {
    noPluginInterface = 0,
    pluginHasNoUsbDeviceInterface = 1,
    pluginHasNoUsbInterfaceInterface = 2,
    couldNotQueryInterface = 3,
    couldNotQueryUsbDeviceInterface = 4,
    couldNotQueryUsbInterfaceInterface = 5,
    couldNotGetEnoughData = 6,
};

/// The case name, as a log line writes the error as a value.
std::string_view caseName(UsbIOError error);

/// The text of a return code: the general table, the USB table, then "IOError (n)".
std::string errorDescription(IOReturn code);

/// A value in the optional log form: Optional("text") / Optional(42), or nil.
std::string optionalLogForm(const std::optional<std::string>& text);
std::string optionalLogForm(const std::optional<long long>& number);

/// A failing return code, thrown by the USB layer.
class IOReturnError : public std::runtime_error {
  public:
    explicit IOReturnError(IOReturn code);
    IOReturn code() const { return code_; }

  private:
    IOReturn code_;
};

/// One of the layer's own conditions, thrown by the USB layer.
class UsbIOErrorException : public std::runtime_error {
  public:
    explicit UsbIOErrorException(UsbIOError error);
    UsbIOError error() const { return error_; }

  private:
    UsbIOError error_;
};

/// How a caught error is written as a value into a log line: a return code as its
/// signed decimal number, a layer error as its case name, anything else as its text.
std::string errorLogValue(const std::exception& error);

/// Nothing for success; otherwise logs "error happened at <label> and error is: <description>"
/// and throws the code as `IOReturnError`.
void throwIfNotSuccess(IOReturn code, std::string_view label);

}  // namespace scandesk
