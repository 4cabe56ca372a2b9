// Command framing across arbitrary pieces, and the start command's values.
#include "emulator/command_reader.h"

#include "protocol/scan_command.h"

#include <gtest/gtest.h>

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

Bytes concatenated(const std::vector<HostCommand>& commands) {
    Bytes all;
    for (const auto& c : commands) {
        all.insert(all.end(), c.raw.begin(), c.raw.end());
    }
    return all;
}

std::vector<HostCommand> readInPieces(const Bytes& all, size_t piece) {
    CommandReader reader;
    std::vector<HostCommand> out;
    for (size_t at = 0; at < all.size(); at += piece) {
        const size_t n = std::min(piece, all.size() - at);
        reader.feed(std::span(all).subspan(at, n));
        while (auto command = reader.next()) {
            out.push_back(*command);
        }
    }
    EXPECT_EQ(reader.pendingBytes(), 0u);
    return out;
}

class CommandFraming : public ::testing::TestWithParam<std::tuple<std::string, size_t>> {};

// The TEXT start command carries a binary gamma table that contains ESC, LF and
// 0xC2 0x80 themselves: the framing must count it, not scan it.
TEST_P(CommandFraming, WholeJobSurvivesAnySplit) {
    const auto& [mode, piece] = GetParam();
    const auto expected = jobCommands(smallJob(mode));
    EXPECT_EQ(readInPieces(concatenated(expected), piece), expected);
}

INSTANTIATE_TEST_SUITE_P(ModesAndPieces, CommandFraming,
                         ::testing::Combine(::testing::Values("TEXT", "GRAY256", "CGRAY"),
                                            ::testing::Values(1, 2, 3, 7, 300, 4096)));

TEST(CommandFraming, StrayBytesComeOutAloneAndNeverShiftACommand) {
    const auto commands = jobCommands(smallJob("GRAY256"));
    // Plain bytes, and escapes before no command letter (a NUL must not pass for one).
    for (const Bytes& stray : {Bytes{'h', 'i'}, Bytes{0x1B, 'x'}, Bytes{0x1B, 0x00}}) {
        Bytes all = stray;
        all.insert(all.end(), commands[0].raw.begin(), commands[0].raw.end());
        const auto out = readInPieces(all, all.size());
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), commands[0]);
        for (size_t i = 0; i + 1 < out.size(); ++i) {
            EXPECT_EQ(out[i].letter, 0);  // stray, never a command
        }
    }
}

TEST(CommandFraming, IncompleteCommandWaits) {
    CommandReader reader;
    const Bytes d = toBytes(ScanCommand(smallJob("TEXT")).getDCommand());
    reader.feed(std::span(d).first(d.size() - 1));
    EXPECT_FALSE(reader.next());
    reader.feed(std::span(d).last(1));
    EXPECT_EQ(reader.next(), (HostCommand{'D', d}));
}

TEST(StartCommand, ReadsAreaModeResolutionAndGamma) {
    ScanParam p = smallJob("TEXT", 2432, 3441);
    p.gamma = 2;
    const auto job = parseStartCommand(ScanCommand(p).getXCommand());
    ASSERT_TRUE(job);
    EXPECT_EQ(job->w, 2432);
    EXPECT_EQ(job->h, 3441);
    EXPECT_EQ(job->mode, "TEXT");
    EXPECT_EQ(job->dpi, 300);
    EXPECT_EQ(job->gamma, gammaTable(2));

    const auto gray = parseStartCommand(ScanCommand(smallJob("GRAY256")).getXCommand());
    ASSERT_TRUE(gray);
    EXPECT_EQ(gray->gamma, gammaTable(1));  // no table sent: the identity
}

TEST(StartCommand, RejectsWhatNoScannerCouldScan) {
    struct Row {
        const char* what;
        ScanParam param;
    };
    ScanParam badMode = smallJob("GRAY256");
    badMode.mode = "SEPIA";
    ScanParam zeroWidth = smallJob("GRAY256", 0, 64);
    ScanParam negative = smallJob("CGRAY", 96, -5);
    ScanParam huge = smallJob("CGRAY", kMaxPageSide + 1, 64);
    for (const auto& row : {Row{"unknown mode", badMode}, Row{"zero width", zeroWidth},
                            Row{"negative height", negative}, Row{"oversized", huge}}) {
        EXPECT_FALSE(parseStartCommand(ScanCommand(row.param).getXCommand())) << row.what;
    }
    Bytes noArea = toBytes("\x1BX\nR=300,300\nM=GRAY256\nIDCard=0\n");
    EXPECT_FALSE(parseStartCommand(noArea));
    Bytes brokenGamma = ScanCommand(smallJob("TEXT")).getXCommand();
    brokenGamma.back() = 0x81;
    EXPECT_FALSE(parseStartCommand(brokenGamma));
}

}  // namespace
}  // namespace scandesk::emulator
