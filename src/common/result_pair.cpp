// Printing of result pairs.
#include "common/result_pair.h"

namespace scandesk {

std::string describe(const ResultPair& result) {
    return std::string("(status: ") + (result.status ? "true" : "false") + ", message: \"" +
           result.message + "\")";
}

}  // namespace scandesk
