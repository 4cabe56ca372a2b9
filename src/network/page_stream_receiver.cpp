// The header and data states of the TCP page stream.
#include "network/page_stream_receiver.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "common/diagnostics.h"
#include "network/fd_wait.h"
#include "protocol/page_framing.h"
#include "protocol/scanner_replies.h"

namespace scandesk {
namespace {

// The data bytes a header unit carries after a block header.
constexpr size_t kDataInUnit = kHeaderUnitSize - kBlockHeaderSize;
// A page-end record and the status byte that ends the scan.
constexpr size_t kEndOfScanUnitSize = kPageEndRecordSize + 1;
constexpr size_t kHeaderLogThreshold = 10;
// Bytes fetched from the socket at once for header reads; reads at least half as large
// bypass the inbox.
constexpr size_t kInboxSize = 64 * 1024;
constexpr size_t kDirectReadSize = kInboxSize / 2;

// The bytes as a bracketed list of decimal values, as the diagnostics show them.
std::string bracketed(const Bytes& bytes) {
    std::ostringstream out;
    out << '[';
    for (size_t i = 0; i < bytes.size(); ++i) {
        out << (i ? ", " : "") << static_cast<int>(bytes[i]);
    }
    out << ']';
    return out.str();
}

}  // namespace

PageStreamReceiver::PageStreamReceiver(int fd, const CommunicatorLimits& limits,
                                       const ScanParam& param, const PageSink& savePage,
                                       const PageProgress& progress, int stopFd)
    : fd_(fd),
      stopFd_(stopFd),
      limits_(limits),
      param_(param),
      savePage_(savePage),
      progress_(progress),
      expectedSize_(expectedPageSize(param)),
      sizeLimit_(pageSizeLimit(expectedSize_)),
      dataBuffer_(kDataReadSize, 0),
      inbox_(kInboxSize, 0) {}

ScanOutcome PageStreamReceiver::run() {
    diagDebug("expect image size = ", expectedSize_, ", w = ", param_.w, " ,h = ", param_.h);
    if (fd_ < 0) {
        diagError("TCPCommunicator: no connection to receive pages from");
        return failed(ScanCode::scannerNetworkError, "no connection");
    }
    page_.reserve(pageReserve(expectedSize_));
    header_.reserve(kHeaderUnitSize);
    lastBytes_ = std::chrono::steady_clock::now();
    switch (waitReadable(fd_, limits_.pageTimeout, stopFd_)) {
        case WaitOutcome::stopped:
            return failed(ScanCode::cancelled, "stopped before the first page");
        case WaitOutcome::timedOut:
            diagWarning("timeInterval is ", secondsSince(lastBytes_));
            return failed(ScanCode::noBytesForOneMinute, "silent before the first page");
        case WaitOutcome::failed:
            diagError("TCPCommunicator: connection failed: ",
                      std::strerror(pendingSocketError(fd_)));
            return failed(ScanCode::scannerNetworkError, "connection failed");
        case WaitOutcome::ready:
            break;
    }
    while (true) {
        const auto result = state_ == State::needHeader ? needHeader() : readData();
        if (result) {
            return *result;
        }
    }
}

std::optional<ScanOutcome> PageStreamReceiver::needHeader() {
    // Bytes left over from a short block already begin this unit.
    const bool unitStartsEmpty = header_.empty();
    if (auto stored = storeEndedPage()) {
        return stored;
    }
    uint8_t buffer[kHeaderUnitSize];
    while (true) {
        const size_t want = kHeaderUnitSize - header_.size();
        const Read read = readSome(buffer, want);
        if (read.timedOut || read.stopped) {
            // A page whose end record had come was stored then: it stays.
            return readFailure(read, "where a header was due");
        }
        if (read.count < 1) {
            return streamEndedInHeader(unitStartsEmpty);
        }
        header_.insert(header_.end(), buffer, buffer + read.count);
        if (auto stored = storeEndedPage()) {
            return stored;
        }
        const size_t headerRead = header_.size();
        diagVerbose("header rece len = ", read.count, " and receivedHeaderLen = ", headerRead,
                    " and maxExpect = ", kHeaderUnitSize - headerRead);
        diagVerbose(bracketed(header_));

        if (headerRead == 1 && unitStartsEmpty) {
            // TCP may hand over a header's first byte alone: only a byte that stays
            // alone is a status byte, and a frame's first byte waits for its rest.
            if (!startsFrame(header_[0]) && !moreBytesWithinGrace()) {
                return statusByte(header_[0]);
            }
            continue;
        }
        if (headerRead < kHeaderLogThreshold) {
            continue;
        }
        diagDebug("header len = 10 and ", bracketed(header_), " and imageSize = ", receivedTotal_,
                  " ");
        if (headerRead == kEndOfScanUnitSize && header_[0] == kPageEndMark) {
            const uint8_t next = header_[kEndOfScanUnitSize - 1];
            if (next == kScanFinished) {
                diagInfo("scan finished");
                return finished();
            }
            // A page end followed by a status byte that stays alone: the page is
            // whole, the byte says how the job ended.
            if (!startsFrame(next) && !moreBytesWithinGrace()) {
                return statusByte(next);
            }
            continue;
        }
        if (headerRead == kHeaderUnitSize) {
            return interpretUnit();
        }
    }
}

std::optional<ScanOutcome> PageStreamReceiver::interpretUnit() {
    Bytes unit;
    unit.swap(header_);
    header_.reserve(kHeaderUnitSize);
    endStored_ = false;
    const uint8_t type = unit[0];
    if (isBlockType(type)) {
        const int64_t length = blockLength(unit);
        receivedTotal_ += length;
        // A block shorter than 10 bytes ends inside the unit; what follows its data
        // begins the next header.
        const size_t inUnit = std::min<size_t>(static_cast<size_t>(length), kDataInUnit);
        const auto data = unit.begin() + kBlockHeaderSize;
        page_.insert(page_.end(), data, data + static_cast<ptrdiff_t>(inUnit));
        header_.assign(data + static_cast<ptrdiff_t>(inUnit), unit.end());
        remaining_ = length - static_cast<int64_t>(inUnit);
        state_ = remaining_ > 0 ? State::readData : State::needHeader;
        return checkPageSize();
    }
    if (type == kPageEndMark) {
        // The page was stored when its end record came; the rest of the unit is the next
        // block's header.
        const int64_t length = blockLength(std::span(unit).subspan(kPageEndRecordSize));
        receivedTotal_ += length;
        remaining_ = length;
        state_ = remaining_ > 0 ? State::readData : State::needHeader;
        return std::nullopt;
    }
    return std::nullopt;  // not a unit of the stream: dropped
}

std::optional<ScanOutcome> PageStreamReceiver::readData() {
    const size_t request = static_cast<size_t>(std::min<int64_t>(remaining_, kDataReadSize));
    const Read read = readSome(dataBuffer_.data(), request);
    if (!read.timedOut && !read.stopped) {
        diagVerbose("receive image len = ", read.count, " and readLean = ", request);
    }
    if (read.count < 1) {
        return readFailure(read, "inside a page");
    }
    page_.insert(page_.end(), dataBuffer_.begin(), dataBuffer_.begin() + read.count);
    remaining_ -= read.count;
    if (remaining_ == 0) {
        state_ = State::needHeader;
    }
    return checkPageSize();
}

std::optional<ScanOutcome> PageStreamReceiver::checkPageSize() {
    if (static_cast<int64_t>(page_.size()) <= sizeLimit_) {
        return std::nullopt;
    }
    diagError("TCPCommunicator: page ", pageNo_, " has grown to ", page_.size(),
              " bytes, far beyond the expected ", expectedSize_, "; the stream is broken");
    return failed(ScanCode::scannerNetworkError, "page outgrew its size");
}

PageStreamReceiver::Read PageStreamReceiver::readSome(uint8_t* buffer, size_t count) {
    // A scanner streaming at full speed never leaves the socket empty, so a stop is
    // looked for before every read, not only while waiting for bytes.
    if (stopFd_ >= 0 && waitReadable(stopFd_, std::chrono::milliseconds(0)) == WaitOutcome::ready) {
        return Read{0, false, true};
    }
    if (inboxStart_ < inboxEnd_) {
        const size_t taken = std::min(count, inboxEnd_ - inboxStart_);
        std::memcpy(buffer, inbox_.data() + inboxStart_, taken);
        inboxStart_ += taken;
        return Read{static_cast<ssize_t>(taken), false, false};
    }
    // Large reads go straight to the caller; small ones (headers) fetch what the
    // socket holds into the inbox, so that a page costs few system calls.
    if (count >= kDirectReadSize) {
        return receive(buffer, count);
    }
    const Read read = receive(inbox_.data(), inbox_.size());
    if (read.count < 1) {
        return read;
    }
    inboxStart_ = 0;
    inboxEnd_ = static_cast<size_t>(read.count);
    return readSome(buffer, count);
}

PageStreamReceiver::Read PageStreamReceiver::receive(uint8_t* buffer, size_t count) {
    // Silence is measured from the last byte of any kind, header or data: a long page
    // on a slow link is not silence.
    const auto deadline = lastBytes_ + limits_.pageTimeout;
    while (true) {
        const ssize_t n = ::recv(fd_, buffer, count, 0);
        if (n > 0) {
            lastBytes_ = std::chrono::steady_clock::now();
        }
        if (n >= 0 || (errno != EAGAIN && errno != EINTR)) {
            return Read{n, false, false};
        }
        if (errno == EINTR) {
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const auto outcome =
            waitReadable(fd_, std::max(left, std::chrono::milliseconds(0)), stopFd_);
        if (outcome == WaitOutcome::timedOut) {
            return Read{0, true, false};
        }
        if (outcome == WaitOutcome::stopped) {
            return Read{0, false, true};
        }
        if (outcome == WaitOutcome::failed) {
            return Read{-1, false, false};
        }
    }
}

bool PageStreamReceiver::moreBytesWithinGrace() {
    if (inboxStart_ < inboxEnd_) {
        return true;
    }
    // A stop counts as company: the next read sees it and ends the transfer as cancelled.
    switch (waitReadable(fd_, limits_.statusGrace, stopFd_)) {
        case WaitOutcome::stopped:
            return true;
        case WaitOutcome::ready:
            return bytesReady(fd_).value_or(0) > 0;
        default:
            return false;
    }
}

ScanOutcome PageStreamReceiver::statusByte(uint8_t status) {
    const auto name = scanStatusName(status);
    diagDebug("header[0] = ", static_cast<int>(status));
    diagDebug("process status is : ", name.value_or("unknown"), " data=", static_cast<int>(status));
    const ScanCode code = statusCode(status);
    if (code == ScanCode::completed) {
        return finished();
    }
    if (!name) {
        diagWarning("TCPCommunicator: status byte ", static_cast<int>(status),
                    " is not a known scanner status");
    }
    return failed(code, "status byte " + std::to_string(status));
}

ScanOutcome PageStreamReceiver::readFailure(const Read& read, const char* where) {
    if (read.stopped) {
        return failed(ScanCode::cancelled, std::string("stopped ") + where);
    }
    if (read.timedOut) {
        diagWarning("timeInterval is ", secondsSince(lastBytes_));
        return failed(ScanCode::noBytesForOneMinute, std::string("silent ") + where);
    }
    return failed(ScanCode::scannerNetworkError, std::string("the stream ended ") + where);
}

ScanOutcome PageStreamReceiver::streamEndedInHeader(bool unitStartsEmpty) {
    // A scanner may close the connection right after a unit's first byte: the scan
    // ended there, as it always has. Anywhere else a header is cut short.
    if (unitStartsEmpty && header_.size() == 1 && startsFrame(header_[0])) {
        return finished();
    }
    if (header_.size() == kEndOfScanUnitSize && header_[0] == kPageEndMark &&
        startsFrame(header_[kEndOfScanUnitSize - 1])) {
        return finished();
    }
    diagError("TCPCommunicator: the stream ended while a header was due");
    return failed(ScanCode::scannerNetworkError, "the stream ended inside a header");
}

ScanOutcome PageStreamReceiver::finished() const {
    return ScanOutcome{ScanCode::completed, pagesStored_, false, {}, 0, {}};
}

ScanOutcome PageStreamReceiver::failed(ScanCode code, std::string detail) const {
    return ScanOutcome::failure(code, pagesStored_, std::move(detail));
}

std::optional<ScanOutcome> PageStreamReceiver::storeEndedPage() {
    if (endStored_ || header_.size() < kPageEndRecordSize || header_[0] != kPageEndMark) {
        return std::nullopt;
    }
    endStored_ = true;
    return savePage();
}

std::optional<ScanOutcome> PageStreamReceiver::savePage() {
    if (savePage_) {
        if (auto error = savePage_(pageNo_, page_)) {
            return failed(ScanCode::saveImageError,
                          "page " + std::to_string(pageNo_) + ": " + *error);
        }
    }
    ++pagesStored_;
    if (progress_) {
        progress_(pageNo_);
    }
    ++pageNo_;
    page_ = Bytes();
    page_.reserve(pageReserve(expectedSize_));
    return std::nullopt;
}

}  // namespace scandesk
