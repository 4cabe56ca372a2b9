// The two results of every imaging writer.
#pragma once

#include <exception>
#include <string>

#include "common/result_pair.h"

namespace scandesk {

/// (true, "saveSuccessfully").
ResultPair saveSuccess();

/// Writes "save image error = " and the description, and returns
/// (false, "saveImageError").
ResultPair saveFailure(const std::string& description);

/// Runs a writer, turning an exception it did not expect (memory, a library's own
/// error) into a save failure rather than a crash.
template <typename Writer>
ResultPair guardedSave(Writer&& writer) {
    try {
        return writer();
    } catch (const std::exception& error) {
        return saveFailure(error.what());
    }
}

}  // namespace scandesk
