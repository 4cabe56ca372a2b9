// Bytes as the USB layer's log lines show them: a bracketed list of decimal values.
#include "usb/byte_list.h"

namespace scandesk {

std::string byteListText(std::span<const uint8_t> bytes) {
    std::string text = "[";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            text += ", ";
        }
        text += std::to_string(bytes[i]);
    }
    return text + "]";
}

}  // namespace scandesk
