// Dispatching scan-process creation on the device type.
#include "session/transport_choice.h"

#include <utility>

namespace scandesk {

ScanProcessFactory chooseTransport(ScanProcessFactory network, ScanProcessFactory usb) {
    return [network = std::move(network), usb = std::move(usb)](
               const Device& scanner, ScanCommand command, PageSink sink, PageProgress progress) {
        const ScanProcessFactory& make = scanner.transport == Transport::network ? network : usb;
        return make(scanner, std::move(command), std::move(sink), std::move(progress));
    };
}

}  // namespace scandesk
