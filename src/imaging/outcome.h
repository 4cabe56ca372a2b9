// A value or the reason there is none, for imaging's internal steps.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace scandesk {

/// The result of a step that can fail: the value, or a description of the failure
/// for the "save image error = " line.
template <typename T>
struct Outcome {
    std::optional<T> value;
    std::string error;

    /// A failed outcome with its description.
    static Outcome failure(std::string why) { return Outcome{std::nullopt, std::move(why)}; }
    explicit operator bool() const { return value.has_value(); }
};

}  // namespace scandesk
