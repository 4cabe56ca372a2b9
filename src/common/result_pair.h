// The (status, message) outcome that every operation above the USB layer returns.
#pragma once

#include <ostream>
#include <string>

namespace scandesk {

/// Outcome of an operation: a flag and a fixed camel-case message (or, for a
/// successful scan, the page count in decimal).
struct ResultPair {
    bool status = false;
    std::string message;

    friend bool operator==(const ResultPair&, const ResultPair&) = default;
};

/// The pair as diagnostics print it: (status: true, message: "ok").
std::string describe(const ResultPair& result);

inline std::ostream& operator<<(std::ostream& out, const ResultPair& result) {
    return out << describe(result);
}

}  // namespace scandesk
