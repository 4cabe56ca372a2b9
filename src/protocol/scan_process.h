// What the scan flow needs of a transport: one job, started once.
#pragma once

#include <functional>
#include <memory>

#include "common/result_pair.h"
#include "devices/device.h"
#include "protocol/scan_command.h"

namespace scandesk {

/// Receives one complete page of a job (1-based page number) and stores it; the
/// scan flow passes `saveImages`. Transports do not inspect the result.
using PageSink = std::function<ResultPair(const ScanParam& param, int pageNo, const Bytes& data)>;

/// Told of each stored page (its number), for progress displays. May be empty.
using PageProgress = std::function<void(int pageNo)>;

/// One scan job over one transport: connects, sends the commands, receives the
/// pages and releases the scanner before `start` returns. On success the message is
/// the page count in decimal; on failure it is a localisation key.
class ScanProcess {
  public:
    virtual ~ScanProcess() = default;
    virtual ResultPair start() = 0;
};

}  // namespace scandesk
