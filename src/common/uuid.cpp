// Random identifiers: device records, log queue names.
#include "common/uuid.h"

#include <uuid/uuid.h>

#include <cstring>

namespace scandesk {

Uuid Uuid::random() {
    uuid_t raw;
    uuid_generate_random(raw);
    Uuid id;
    std::memcpy(id.bytes_.data(), raw, id.bytes_.size());
    return id;
}

std::string Uuid::toString() const {
    uuid_t raw;
    std::memcpy(raw, bytes_.data(), bytes_.size());
    char text[37];
    uuid_unparse_lower(raw, text);
    return text;
}

}  // namespace scandesk
