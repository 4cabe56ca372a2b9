// The failure of the imaging writers.
#include "imaging/save_result.h"

#include "common/diagnostics.h"

namespace scandesk {

SaveError saveFailure(const std::string& description) {
    diagError("save image error = ", description);
    return description;
}

}  // namespace scandesk
