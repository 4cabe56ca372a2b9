// What the scan flow needs of a transport: one job, started once.
#pragma once

#include <functional>
#include <stop_token>

#include "common/bytes.h"
#include "common/result_pair.h"
#include "protocol/scan_outcome.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// Receives one complete page of a job (1-based page number) and stores it; the
/// scan flow passes `saveImages`. A failed result stops the job.
using PageSink = std::function<ResultPair(const ScanParam& param, int pageNo, const Bytes& data)>;

/// Told of each stored page (its number), for progress displays. May be empty.
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
