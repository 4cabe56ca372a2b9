// Readable descriptions of the USB layer's failures, and the errors it throws.
#pragma once

#include <functional>
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

// Descriptions. Each asks the registered describers first (first present answer
// wins, an empty text counts), then falls back to the built-in text.
std::string errorDescription(IOReturn code);
std::optional<std::string> recoverySuggestion(IOReturn code);
std::optional<std::string> failureReason(IOReturn code);
std::optional<std::string> helpAnchor(IOReturn code);

std::string errorDescription(UsbIOError error);
std::optional<std::string> recoverySuggestion(UsbIOError error);
std::optional<std::string> failureReason(UsbIOError error);
std::optional<std::string> helpAnchor(UsbIOError error);

/// The built-in text of a return code: general table, USB table, then "IOError (n)".
std::string builtInDescription(IOReturn code);

using ReturnCodeDescriber = std::function<std::optional<std::string>(IOReturn)>;
using UsbIOErrorDescriber = std::function<std::optional<std::string>(UsbIOError)>;

// The describer lists start empty; a component may append to them. Appending and
// asking are safe from any thread.
void addDescriptionDescriber(ReturnCodeDescriber describer);
void addRecoverySuggestionDescriber(ReturnCodeDescriber describer);
void addDescriptionDescriber(UsbIOErrorDescriber describer);
void addRecoverySuggestionDescriber(UsbIOErrorDescriber describer);
/// Empties all four lists (for tests).
void clearDescribers();

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
