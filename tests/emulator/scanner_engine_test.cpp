// The virtual scanner's protocol as a host sees it, in bytes: command framing, the start
// command's values, page streams cut into units, and the generated pages themselves.
#include "emulator/scanner_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "emulator/page_image.h"
#include "imaging/jpeg_codec.h"
#include "job_params.h"

namespace scandesk::emulator {
namespace {

using test::smallJob;

// Every command of one job, as the host sends it.
std::vector<HostCommand> jobCommands(const ScanParam& param) {
    const ScanCommand command(param);
    return {{'D', toBytes(command.getDCommand())},
            {'S', toBytes(command.getSCommand())},
            {'I', toBytes(command.getICommand())},
            {'X', command.getXCommand()}};
}

// What a reader makes of `all` fed in pieces of `piece` bytes.
std::vector<HostCommand> readInPieces(const Bytes& all, size_t piece) {
    CommandReader reader;
    std::vector<HostCommand> out;
    for (size_t at = 0; at < all.size(); at += piece) {
        reader.feed(std::span(all).subspan(at, std::min(piece, all.size() - at)));
        while (auto command = reader.next()) {
            out.push_back(*command);
        }
    }
    EXPECT_EQ(reader.pendingBytes(), 0u);
    return out;
}

// The TEXT start command carries a binary gamma table that contains ESC, LF and
// 0xC2 0x80 themselves: the framing must count it, not scan it.
TEST(CommandReader, AWholeJobSurvivesAnySplit) {
    for (const char* mode : {"TEXT", "CGRAY"}) {
        const auto expected = jobCommands(smallJob(mode));
        Bytes all;
        for (const auto& c : expected) {
            all.insert(all.end(), c.raw.begin(), c.raw.end());
        }
        for (const size_t piece : {1, 3, 7, 4096}) {
            EXPECT_EQ(readInPieces(all, piece), expected) << mode << " in pieces of " << piece;
        }
    }
}

TEST(CommandReader, StrayBytesComeOutAloneAndNeverSwallowACommand) {
    const HostCommand d = jobCommands(smallJob("GRAY256"))[0];
    // Plain bytes, and escapes before no command letter (a NUL must not pass for one).
    for (Bytes all : {Bytes{'h', 'i'}, Bytes{0x1B, 'x'}, Bytes{0x1B, 0x00}}) {
        all.insert(all.end(), d.raw.begin(), d.raw.end());
        const auto out = readInPieces(all, all.size());
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), d);
        EXPECT_EQ(std::count_if(out.begin(), out.end(), [](auto& c) { return c.letter != 0; }), 1);
    }
}

TEST(StartCommand, ReadsAreaModeResolutionAndGammaOrRefuses) {
    ScanParam p = smallJob("TEXT", 2432, 3441);
    p.gamma = 2;
    const auto job = parseStartCommand(ScanCommand(p).getXCommand());
    ASSERT_TRUE(job);
    EXPECT_EQ(std::tie(job->w, job->h, job->mode, job->dpi), std::tuple(2432, 3441, "TEXT", 300));
    EXPECT_EQ(job->gamma, gammaTable(2));

    const auto x = [](int64_t w, int64_t h, const char* mode = "CGRAY") {
        return ScanCommand(smallJob(mode, w, h)).getXCommand();
    };
    Bytes brokenGamma = x(96, 64, "TEXT");
    brokenGamma.back() = 0x81;
    // A mode no scanner knows, in a command otherwise whole.
    const Bytes colour = x(96, 64);
    std::string sepia(colour.begin(), colour.end());
    sepia.replace(sepia.find("M=CGRAY"), 7, "M=SEPIA");
    for (const Bytes& bad : {toBytes(sepia), x(0, 64), x(96, -5), x(kMaxPageSide + 1, 64),
                             brokenGamma, toBytes("\x1BX\nR=300,300\nM=GRAY256\nIDCard=0\n")}) {
        EXPECT_FALSE(parseStartCommand(bad)) << std::string(bad.begin(), bad.end());
    }
}

uint16_t field16(const Bytes& unit, size_t at) {
    return static_cast<uint16_t>(unit[at] | (unit[at + 1] << 8));
}

// Pages rebuilt from units the way a USB host cuts them, by unit length alone; single
// bytes are status bytes.
struct Stream {
    std::vector<std::pair<int, Bytes>> pages;  // page number from the tail unit, data
    Bytes statusBytes;
};

Stream parse(ScannerEngine& engine, size_t blockSize) {
    Stream stream;
    Bytes page;
    while (auto unit = engine.nextUnit()) {
        if (unit->size() == 1) {
            stream.statusBytes.push_back(unit->front());
            continue;
        }
        EXPECT_LE(unit->size(), kBlockHeaderSize + blockSize);
        const size_t length = field16(*unit, 10);
        page.insert(page.end(), unit->begin() + 12, unit->begin() + 12 + length);
        if (unit->size() == length + 22 && (*unit)[12 + length] == kPageEndMark) {
            stream.pages.emplace_back(field16(*unit, 3), page);
            page.clear();
        } else {
            EXPECT_EQ(unit->size(), length + 12);
        }
    }
    EXPECT_TRUE(page.empty());
    return stream;
}

TEST(ScannerEngine, SendsEveryPageNumberedThenTheEndStatus) {
    for (const auto& [mode, failAfter, pages, status] :
         {std::tuple<const char*, std::optional<int>, int, uint8_t>{"TEXT", {}, 3, 0x80},
          {"GRAY256", {}, 3, 0x80},
          {"CGRAY", 2, 2, 0xC3},
          {"TEXT", 0, 0, 0xC3},
          {"TEXT", 5, 3, 0x80}}) {
        SCOPED_TRACE(mode);
        const Bytes start = ScanCommand(smallJob(mode, 200, 150)).getXCommand();
        ScannerEngine engine({.pages = 3, .failAfterPages = failAfter, .blockSize = 512});
        engine.receive(start);
        std::vector<std::pair<int, Bytes>> expected;
        for (int n = 1; n <= pages; ++n) {
            expected.emplace_back(n, *renderPage(*parseStartCommand(start), n));
        }
        const Stream stream = parse(engine, 512);
        EXPECT_EQ(stream.pages, expected);
        EXPECT_EQ(stream.statusBytes, Bytes{status});
        EXPECT_EQ(engine.pagesSent(), pages);
    }
    ScannerEngine engine({});
    engine.receive(ScanCommand(smallJob("GRAY256", 0, 0)).getXCommand());
    EXPECT_EQ(parse(engine, 1).statusBytes, Bytes{kStartCommandRejected});
}

// Pages carry a mark in the top-left corner that rotation checks rely on.
JobRequest job(const std::string& mode, int64_t w, int64_t h) {
    return {.dpi = 300, .mode = mode, .w = w, .h = h, .gamma = gammaTable(1)};
}

TEST(PageImage, TextPagesArePackedRowsWithTheMarkTopLeft) {
    JobRequest j = job("TEXT", 203, 120);  // rows of 26 bytes, five of them padding bits
    const auto rows = renderPage(j, 1);
    ASSERT_EQ(rows.value_or(Bytes{}).size(), 26u * 120);
    const auto black = [&](const Bytes& page, int64_t x, int64_t y) {
        return (page[static_cast<size_t>(y * 26 + x / 8)] & (0x80 >> (x % 8))) == 0;
    };
    const int64_t mark = pageLayout(j).markSide;
    EXPECT_TRUE(black(*rows, 0, 0) && black(*rows, mark - 1, mark - 1));
    EXPECT_FALSE(black(*rows, mark, mark) || black(*rows, 202, 119) || black(*rows, 0, 119));
    EXPECT_EQ(rows->back() & 0x1F, 0x1F);
    EXPECT_NE(renderPage(j, 2), rows);
    j.gamma.fill(0);  // every level maps to black
    EXPECT_TRUE(black(*renderPage(j, 1), 202, 119));
}

TEST(PageImage, JpegPagesHaveTheAskedSizeAndColours) {
    for (const auto& [mode, components] : {std::pair{"GRAY256", 1}, {"CGRAY", 3}}) {
        const auto info = readJpegInfo(renderPage(job(mode, 320, 200), 12).value_or(Bytes{}));
        ASSERT_TRUE(info.value) << mode;
        EXPECT_EQ(std::tuple(info.value->width, info.value->height, info.value->components),
                  std::tuple(320, 200, components));
    }
}

}  // namespace
}  // namespace scandesk::emulator
