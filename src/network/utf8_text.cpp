// UTF-8 well-formedness, checked by ICU.
#include "network/utf8_text.h"

#include <unicode/ustring.h>

namespace scandesk {

std::optional<std::string> decodeUtf8(std::span<const uint8_t> bytes) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    // Preflight only: counts the UTF-16 units and fails on any ill-formed sequence.
    u_strFromUTF8(nullptr, 0, &length, reinterpret_cast<const char*>(bytes.data()),
                  static_cast<int32_t>(bytes.size()), &status);
    if (status == U_INVALID_CHAR_FOUND || status == U_ILLEGAL_ARGUMENT_ERROR) {
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace scandesk
