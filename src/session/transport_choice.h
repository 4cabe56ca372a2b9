// Picking the transport of a scan from the selected scanner's type.
#pragma once

#include "session/model_services.h"

namespace scandesk {

/// A factory that makes network processes for network scanners and USB processes for
/// USB scanners.
ScanProcessFactory chooseTransport(ScanProcessFactory network, ScanProcessFactory usb);

}  // namespace scandesk
