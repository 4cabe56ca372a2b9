// What the fuzz targets share: taking an input apart, invariant checks, scratch folders.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <span>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/diagnostics.h"
#include "imaging/save_images.h"
#include "protocol/scan_param.h"
#include "protocol/scan_process.h"
#include "support/temp_dir.h"

namespace scandesk::fuzz {

// Diagnostic lines would cost most of each run's time, and say nothing a fuzzer reads.
inline const ScopedDiagnosticSink quiet{LineSink([](std::string_view) {})};

/// Reads from the front of the input; an exhausted input gives zeros and empty pieces.
class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : rest_(data, size) {}

    uint8_t byte() {
        const auto piece = take(1);
        return piece.empty() ? 0 : piece[0];
    }
    /// A number in [0, limit] from two bytes, big-endian.
    size_t upTo(size_t limit) {
        size_t value = 0;
        for (uint8_t b : take(2)) {
            value = value << 8 | b;
        }
        return limit == 0 ? 0 : value % (limit + 1);
    }
    Bytes bytes(size_t count) {
        const auto piece = take(count);
        return Bytes(piece.begin(), piece.end());
    }
    /// The rest cut into pieces: first a count (up to 16) of lengths from 1 to `longest`,
    /// used in turn; with none, pieces of `longest`.
    std::vector<Bytes> pieces(size_t longest) {
        std::vector<size_t> lengths(upTo(16));
        for (size_t& length : lengths) {
            length = 1 + upTo(longest - 1);
        }
        std::vector<Bytes> out;
        for (size_t i = 0; !rest_.empty(); ++i) {
            out.push_back(bytes(lengths.empty() ? longest : lengths[i % lengths.size()]));
        }
        return out;
    }

  private:
    std::span<const uint8_t> take(size_t count) {
        const auto piece = rest_.first(std::min(count, rest_.size()));
        rest_ = rest_.subspan(piece.size());
        return piece;
    }
    std::span<const uint8_t> rest_;
};

/// Stops the process when an invariant does not hold, so that the fuzzer (or the replay)
/// reports the input.
inline void require(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
        std::abort();
    }
}

inline std::vector<std::string> entriesOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

/// The folder holds exactly `pages` page files `page-NNNN.jpg|bmp` and nothing else (no
/// temporary file left behind, nothing written beside).
inline void requireStoredPages(const testing::TempDir& dir, int pages) {
    static const std::regex name(R"(page-\d{4,}\.(jpg|bmp))");
    const std::vector<std::string> entries = entriesOf(dir.path());
    require(
        static_cast<int>(entries.size()) == pages &&
            std::ranges::all_of(entries, [](auto& entry) { return std::regex_match(entry, name); }),
        "the folder holds the counted page files and nothing else");
}

/// A small job whose kind and size come from the input: what its commands say, and how
/// its pages are stored.
struct FuzzJob {
    ScanParam param;
    PageJob pages;

    /// Stores pages as the scan flow does.
    PageSink sink() const {
        return [pages = pages](int pageNo, const Bytes& page) {
            return saveImages(pages, pageNo, page);
        };
    }
};

inline FuzzJob fuzzJob(FuzzInput& in, const testing::TempDir& dir) {
    FuzzJob job;
    ScanParam& p = job.param;
    p.mode = static_cast<ColorMode>(in.byte() % 3);
    p.w = 1 + static_cast<int64_t>(in.upTo(199));
    p.h = 1 + static_cast<int64_t>(in.upTo(199));
    const bool blackWhite = p.mode == ColorMode::blackWhite;
    job.pages = {dir.path() + "/page",
                 p.w,
                 p.h,
                 p.dpi,
                 blackWhite,
                 blackWhite && in.byte() % 2,
                 static_cast<Rotation>(in.byte() % 4),
                 CombineType::none};
    return job;
}

}  // namespace scandesk::fuzz
