// The two results of every imaging writer.
#pragma once

#include <string>

#include "common/result_pair.h"

namespace scandesk {

/// (true, "saveSuccessfully").
ResultPair saveSuccess();

/// Writes "save image error = " and the description, and returns
/// (false, "saveImageError").
ResultPair saveFailure(const std::string& description);

}  // namespace scandesk
