// Success and failure results of the imaging writers.
#include "imaging/save_result.h"

#include "common/diagnostics.h"

namespace scandesk {

ResultPair saveSuccess() {
    return {true, "saveSuccessfully"};
}

ResultPair saveFailure(const std::string& description) {
    diagError("save image error = ", description);
    return {false, "saveImageError"};
}

}  // namespace scandesk
