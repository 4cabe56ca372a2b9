// The scanner's command protocol: the bytes of the D, S, I and X commands.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/scan_param.h"

namespace scandesk {

using Bytes = std::vector<uint8_t>;

/// Builds the commands of one job from its parameters. One object is shared by the
/// scan flow and the scan process of the job, so the paper check's rewrite of
/// `param.source` is seen by everything that reads the record later.
class ScanCommand {
  public:
    explicit ScanCommand(ScanParam param) : param(std::move(param)) {}

    ScanParam param;

    /// Paper-source check; logs "selected source = " and the source.
    std::string getDCommand() const;
    /// Source command, the one builder both transports send.
    std::string getSCommand() const;
    /// Image-parameter command.
    std::string getICommand() const;
    /// Start command with every scan parameter; in TEXT mode followed by the gamma
    /// block. Logs "cmd = " and its text part.
    Bytes getXCommand() const;
};

using SharedScanCommand = std::shared_ptr<ScanCommand>;

/// The gamma table of the TEXT-mode X command: the identity for gamma 1, otherwise
/// 255 * (i / 255) ^ (1 / gamma) truncated. Gammas below 1 are clamped to 1, since a
/// table is defined only from there on.
std::array<uint8_t, 256> gammaTable(int64_t gamma);

/// The text of a command as bytes (the texts are ASCII for every value the mapping makes).
Bytes toBytes(const std::string& text);

}  // namespace scandesk
