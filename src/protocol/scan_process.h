// What the scan flow needs of a transport: one job, started once.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "common/bytes.h"
#include "protocol/scan_outcome.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// Receives one complete page of a job (the job's 1-based page number, as the transport
/// counts it) and stores it; why it could not, which stops the job, if it could not.
using PageSink = std::function<std::optional<std::string>(int pageNo, const Bytes& data)>;

/// Told of each stored page (the job's page number, as for the sink), for progress
/// displays. May be empty.
using PageProgress = std::function<void(int pageNo)>;

/// One scan job over one transport: connects, sends the commands, receives the
/// pages and releases the scanner before `start` returns, on every path.
class ScanProcess {
  public:
    virtual ~ScanProcess() = default;
    /// The whole job: `completed` with the pages stored, or why it failed and how many
    /// pages were stored before. A stop request ends it soon as `cancelled`, with the
    /// scanner released as after a normal end and the stored pages kept.
    virtual ScanOutcome start(std::stop_token stop) = 0;
};

}  // namespace scandesk
