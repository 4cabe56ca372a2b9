// The virtual scanner's replies and page stream.
#include "emulator/scanner_engine.h"

#include <algorithm>

#include "emulator/page_image.h"

#include <thread>

namespace scandesk::emulator {

uint8_t paperCheckReply(FeederState state) {
    switch (state) {
        case FeederState::loaded:
            return kReplyAccepted;
        case FeederState::empty:
            return kReplyFeederEmpty;
        case FeederState::unknown:
            return kReplyCannotCheck;
        case FeederState::missing:
            return kReplyNoSuchSource;
    }
    return kReplyNoSuchSource;
}

std::optional<FeederState> feederStateNamed(std::string_view name) {
    if (name == "loaded") {
        return FeederState::loaded;
    }
    if (name == "empty") {
        return FeederState::empty;
    }
    if (name == "unknown") {
        return FeederState::unknown;
    }
    if (name == "missing") {
        return FeederState::missing;
    }
    return std::nullopt;
}

ScannerEngine::ScannerEngine(ScannerScript script) : script_(std::move(script)) {
    script_.blockSize = std::clamp<size_t>(script_.blockSize, 1, kMaxBlockLength);
}

void ScannerEngine::greet() {
    if (!script_.greeting.empty()) {
        replies_.push_back(script_.greeting);
    }
}

void ScannerEngine::receive(std::span<const uint8_t> bytes) {
    reader_.feed(bytes);
    while (auto command = reader_.next()) {
        received_.push_back(*command);
        answer(*command);
    }
}

void ScannerEngine::answer(const HostCommand& command) {
    switch (command.letter) {
        case 'D':
            replies_.push_back({script_.paperReply.value_or(paperCheckReply(script_.feeder))});
            break;
        case 'S':
            replies_.push_back({script_.sourceReply});
            break;
        case 'I':
            replies_.push_back({script_.parametersReply});
            break;
        case 'X':
            if (auto job = parseStartCommand(command.raw)) {
                job_ = std::move(job);
                page_.reset();
                nextPage_ = 1;
            } else {
                replies_.push_back({kStartCommandRejected});
            }
            break;
        default:
            break;  // stray bytes and unknown letters get no answer
    }
}

std::optional<Bytes> ScannerEngine::nextUnit() {
    if (script_.silentAfterUnits && unitsSent_ >= *script_.silentAfterUnits) {
        return std::nullopt;
    }
    std::optional<Bytes> unit;
    lastUnitWasBlock_ = false;
    if (!replies_.empty()) {
        unit = std::move(replies_.front());
        replies_.pop_front();
    } else if (job_) {
        unit = nextStreamUnit();
        lastUnitWasBlock_ = unit && unit->size() > 1;
    }
    if (unit) {
        ++unitsSent_;
    }
    return unit;
}

std::optional<Bytes> ScannerEngine::nextStreamUnit() {
    if (!page_) {
        const int lastPage =
            std::min(script_.pages, script_.failAfterPages.value_or(script_.pages));
        if (nextPage_ > lastPage) {
            const bool failing = script_.failAfterPages && *script_.failAfterPages < script_.pages;
            job_.reset();
            return Bytes{failing ? script_.failStatus : kScanFinished};
        }
        if (nextPage_ > 1 && script_.pageGap.count() > 0) {
            std::this_thread::sleep_for(script_.pageGap);  // a slower scanner
        }
        auto data = script_.pageFiles.empty() || job_->mode == "TEXT"
                        ? renderPage(*job_, nextPage_)
                        : std::optional<Bytes>(script_.pageFiles[static_cast<size_t>(
                              (nextPage_ - 1) % static_cast<int>(script_.pageFiles.size()))]);
        if (!data) {
            job_.reset();
            return Bytes{kPageUnavailable};
        }
        page_.emplace(std::move(*data), nextPage_, script_.blockSize);
    }
    auto unit = page_->next();
    if (page_->done()) {
        page_.reset();
        ++pagesSent_;
        ++nextPage_;
    }
    return unit;
}

}  // namespace scandesk::emulator
