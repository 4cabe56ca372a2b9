// Printing lists of texts for diagnostic lines.
#include "session/list_text.h"

namespace scandesk {

std::string bracketedList(const std::vector<std::string>& entries) {
    std::string text = "[";
    for (size_t i = 0; i < entries.size(); ++i) {
        text += (i == 0 ? "\"" : ", \"") + entries[i] + "\"";
    }
    return text + "]";
}

}  // namespace scandesk
