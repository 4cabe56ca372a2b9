// The lazily evaluated text of a log call and the optional context value beside it.
#pragma once

#include <concepts>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace scandesk {

/// A value as text: strings as they are, anything else through its stream output.
template <typename T>
std::string describeValue(const T& value) {
    if constexpr (std::is_convertible_v<const T&, std::string_view>) {
        return std::string(std::string_view(value));
    } else {
        std::ostringstream out;
        out << value;
        return out.str();
    }
}

/// The message of one log call. It refers to the caller's text or closure and is
/// valid only during that call; a closure runs at most once, on first use.
class LogMessage {
  public:
    /// A message that is already text.
    LogMessage(std::string_view text)  // NOLINT(google-explicit-constructor)
        : text_(std::string(text)) {}
    LogMessage(const std::string& text)  // NOLINT(google-explicit-constructor)
        : text_(text) {}
    LogMessage(const char* text)  // NOLINT(google-explicit-constructor)
        : text_(std::string(text)) {}

    /// A closure whose result (described as text) is the message.
    template <typename F>
    requires(std::invocable<F&> && !std::is_convertible_v<F, std::string_view>)
        LogMessage(F&& producer)  // NOLINT(google-explicit-constructor)
        : producer_(static_cast<void*>(std::addressof(producer))), call_([](void* p) {
              return describeValue((*static_cast<std::remove_reference_t<F>*>(p))());
          }) {}

    /// Any other value with a text form; described only when a destination takes it.
    template <typename T>
    requires(!std::invocable<T&> && !std::is_convertible_v<const T&, std::string_view>)
        LogMessage(const T& value)  // NOLINT(google-explicit-constructor)
        : producer_(const_cast<void*>(static_cast<const void*>(std::addressof(value)))),
          call_([](void* p) { return describeValue(*static_cast<const T*>(p)); }) {}

    LogMessage(LogMessage&&) = default;
    LogMessage(const LogMessage&) = delete;
    LogMessage& operator=(const LogMessage&) = delete;

    /// The text, evaluating the closure the first time.
    const std::string& text() {
        if (!text_) {
            text_ = call_(producer_);
        }
        return *text_;
    }
    /// Whether the text is known (given as text, or the closure has run).
    bool evaluated() const { return text_.has_value(); }

  private:
    void* producer_ = nullptr;
    std::string (*call_)(void*) = nullptr;
    std::optional<std::string> text_;
};

/// The optional context value of a log call, kept as its description.
struct LogContext {
    std::string description;

    /// The context of any value with a text form.
    template <typename T>
    static LogContext of(const T& value) {
        return LogContext{describeValue(value)};
    }
};

}  // namespace scandesk
