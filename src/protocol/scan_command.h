// The scanner's command protocol: the bytes of the D, S, I and X commands.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/bytes.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// Builds the commands of one job from its parameters: the only place the protocol's
/// texts are written. Each scan process holds its own copy, whose `param.source` the
/// paper check may settle (automatic to feeder or flatbed).
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
    /// Start command with every scan parameter; for black-and-white pages followed by the
    /// gamma block. Logs "cmd = " and its text part.
    Bytes getXCommand() const;
};

/// The gamma table of the black-and-white X command: the identity for gamma 1, otherwise
/// 255 * (i / 255) ^ (1 / gamma) truncated. Gammas below 1 are clamped to 1, since a
/// table is defined only from there on.
std::array<uint8_t, 256> gammaTable(int64_t gamma);

}  // namespace scandesk
