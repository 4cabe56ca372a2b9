// Picking the transport of a scan from the selected scanner's type.
#pragma once

#include "session/model_services.h"

namespace scandesk {

/// A factory that makes network processes for devices of type "Net" and USB processes
/// for every other type (an empty type included).
ScanProcessFactory chooseTransport(ScanProcessFactory network, ScanProcessFactory usb);

}  // namespace scandesk
