// The virtual scanner's protocol engine, free of any transport.
//
// Include it as "emulator/scanner_engine.h" (target scandesk_emulator_engine). The host's
// bytes go in through `receive`, in whatever pieces the transport delivered them; what
// the scanner sends comes out of `nextUnit` one unit at a time, where a unit is what one
// USB bulk-IN read delivers: a reply byte, the greeting, a data block (12-byte header +
// L bytes), a page's last block followed by its 10-byte tail, or a single status byte.
// A TCP front end writes the units one after another.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "emulator/command_reader.h"
#include "emulator/page_blocks.h"
#include "protocol/scan_command.h"
#include "protocol/scanner_replies.h"

namespace scandesk::emulator {

/// What the paper check finds; the D reply follows from it.
enum class FeederState { loaded, empty, unknown, missing };

/// D reply of a feeder state: 0x80 loaded, 0xC2 empty, 0xC4 cannot tell, 0xD0 no feeder.
uint8_t paperCheckReply(FeederState state);
/// The state named "loaded", "empty", "unknown" or "missing".
std::optional<FeederState> feederStateNamed(std::string_view name);

/// Status byte for a start command the scanner cannot read.
inline constexpr uint8_t kStartCommandRejected = 0xD0;
/// Status byte when a page cannot be produced.
inline constexpr uint8_t kPageUnavailable = 0xC6;
/// Data bytes per block unless the script says otherwise.
inline constexpr size_t kDefaultBlockSize = 32768;

/// How the virtual scanner behaves; every connection (or USB session) starts afresh.
struct ScannerScript {
    int pages = 1;  ///< pages per job
    FeederState feeder = FeederState::loaded;
    std::optional<uint8_t> paperReply{};            ///< D reply instead of the feeder's
    uint8_t sourceReply = kReplyAccepted;           ///< reply to every S command
    uint8_t parametersReply = kImageReplyAccepted;  ///< reply to every I command
    Bytes greeting = toBytes("0001");               ///< sent by `greet`; empty sends nothing
    std::optional<int> failAfterPages{};            ///< after this many pages, send `failStatus`
    uint8_t failStatus = 0xC3;
    size_t blockSize = kDefaultBlockSize;      ///< 1 .. 65535 data bytes per block
    std::optional<size_t> silentAfterUnits{};  ///< send this many units, then nothing more
    /// JPEG streams served as the pages of grey and colour jobs, page n the
    /// ((n - 1) mod count)-th; empty: generated pages.
    std::vector<Bytes> pageFiles{};
    std::chrono::milliseconds pageGap{0};  ///< wait before each page after the first
};

/// One virtual scanner session.
class ScannerEngine {
  public:
    explicit ScannerEngine(ScannerScript script);

    /// Queues the greeting a new TCP connection receives.
    void greet();
    /// Takes bytes from the host; whole commands are answered at once.
    void receive(std::span<const uint8_t> bytes);
    /// The next unit to send, or nothing while the scanner waits for the host or is silent.
    std::optional<Bytes> nextUnit();

    /// Every command received so far, byte for byte, in order.
    const std::vector<HostCommand>& received() const { return received_; }
    /// Pages whose last unit has been handed out.
    int pagesSent() const { return pagesSent_; }
    /// Units handed out so far.
    size_t unitsSent() const { return unitsSent_; }
    /// Whether a job's page stream is still being handed out.
    bool streaming() const { return job_.has_value(); }
    /// Whether the unit handed out last was a data block (with or without a page tail),
    /// as opposed to a greeting, reply or status byte.
    bool lastUnitWasBlock() const { return lastUnitWasBlock_; }

  private:
    /// Queues the reply to a whole command, or starts the page stream.
    void answer(const HostCommand& command);
    /// The next unit of the running page stream.
    std::optional<Bytes> nextStreamUnit();

    ScannerScript script_;
    CommandReader reader_;
    std::vector<HostCommand> received_;
    std::deque<Bytes> replies_;
    std::optional<JobRequest> job_;
    std::optional<PageUnits> page_;
    int nextPage_ = 1;
    int pagesSent_ = 0;
    size_t unitsSent_ = 0;
    bool lastUnitWasBlock_ = false;
};

}  // namespace scandesk::emulator
