// The failure of an imaging writer: logged once, handed back as its description.
#pragma once

#include <exception>
#include <optional>
#include <string>

namespace scandesk {

/// Why a page or document could not be written; nothing when it was.
using SaveError = std::optional<std::string>;

/// Writes "save image error = " and the description, and returns the description.
SaveError saveFailure(const std::string& description);

/// Runs a writer, turning an exception it did not expect (memory, a library's own
/// error) into a save failure rather than a crash.
template <typename Writer>
SaveError guardedSave(Writer&& writer) {
    try {
        return writer();
    } catch (const std::exception& error) {
        return saveFailure(error.what());
    }
}

}  // namespace scandesk
