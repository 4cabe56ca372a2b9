// The engine as a host sees it: replies, page streams, faults and silence.
#include "emulator/scanner_engine.h"

#include <gtest/gtest.h>

#include "emulator/page_image.h"
#include "job_params.h"

namespace scandesk::emulator {
namespace {

using test::smallJob;

std::vector<Bytes> drain(ScannerEngine& engine) {
    std::vector<Bytes> units;
    while (auto unit = engine.nextUnit()) {
        units.push_back(*unit);
    }
    return units;
}

void send(ScannerEngine& engine, const Bytes& bytes) {
    engine.receive(bytes);
}

uint16_t field16(const Bytes& unit, size_t at) {
    return static_cast<uint16_t>(unit[at] | (unit[at + 1] << 8));
}

// Pages rebuilt from units the way a USB host cuts them: by unit length alone.
struct Stream {
    std::vector<std::pair<int, Bytes>> pages;  // page number from the tail unit, data
    std::vector<uint8_t> statusBytes;
};

Stream parse(const std::vector<Bytes>& units) {
    Stream stream;
    Bytes page;
    for (const Bytes& unit : units) {
        if (unit.size() == 1) {
            stream.statusBytes.push_back(unit[0]);
            continue;
        }
        const size_t length = field16(unit, 10);
        page.insert(page.end(), unit.begin() + 12, unit.begin() + 12 + length);
        if (unit.size() == length + 22 && unit[12 + length] == 0x82) {
            stream.pages.emplace_back(field16(unit, 3), page);
            page.clear();
        } else {
            EXPECT_EQ(unit.size(), length + 12);
        }
    }
    EXPECT_TRUE(page.empty());
    return stream;
}

struct FeederCase {
    FeederState state;
    uint8_t reply;
};

class PaperCheck : public ::testing::TestWithParam<FeederCase> {};

TEST_P(PaperCheck, ReplyFollowsFeederStateAndOtherRepliesAreFixed) {
    ScannerEngine engine({.feeder = GetParam().state});
    const ScanCommand command(smallJob("TEXT"));
    send(engine, toBytes(command.getDCommand() + command.getSCommand() + command.getICommand()));
    EXPECT_EQ(drain(engine), (std::vector<Bytes>{{GetParam().reply}, {0x80}, {0x00}}));
    EXPECT_EQ(engine.received().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(States, PaperCheck,
                         ::testing::Values(FeederCase{FeederState::loaded, 0x80},
                                           FeederCase{FeederState::empty, 0xC2},
                                           FeederCase{FeederState::unknown, 0xC4},
                                           FeederCase{FeederState::missing, 0xD0}));

TEST(Feeder, NamesMatchFlags) {
    EXPECT_EQ(feederStateNamed("empty"), FeederState::empty);
    EXPECT_EQ(feederStateNamed("missing"), FeederState::missing);
    EXPECT_FALSE(feederStateNamed("full"));
}

TEST(Greeting, ScriptedTextOrNothing) {
    ScannerEngine normal({});
    normal.greet();
    EXPECT_EQ(drain(normal), (std::vector<Bytes>{toBytes("0001")}));
    ScannerEngine mute({.greeting = {}});
    mute.greet();
    EXPECT_TRUE(drain(mute).empty());
}

class PageStream : public ::testing::TestWithParam<std::string> {};

TEST_P(PageStream, EveryPageFramedAndNumberedThenFinished) {
    const ScanParam param = smallJob(GetParam(), 200, 150);
    ScannerEngine engine({.pages = 3, .blockSize = 512});
    send(engine, ScanCommand(param).getXCommand());
    const auto units = drain(engine);
    const Stream stream = parse(units);
    ASSERT_EQ(stream.pages.size(), 3u);
    const auto job = parseStartCommand(ScanCommand(param).getXCommand());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(stream.pages[static_cast<size_t>(i)].first, i + 1);
        EXPECT_EQ(stream.pages[static_cast<size_t>(i)].second, renderPage(*job, i + 1));
    }
    EXPECT_EQ(stream.statusBytes, (std::vector<uint8_t>{0x80}));
    EXPECT_EQ(engine.pagesSent(), 3);
    EXPECT_FALSE(engine.streaming());
    for (const Bytes& unit : units) {
        EXPECT_LE(unit.size(), 512u + 12u);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PageStream, ::testing::Values("TEXT", "GRAY256", "CGRAY"));

TEST(PageStream, FailAfterSendsStatusInsteadOfTheRest) {
    struct Row {
        int failAfter;
        size_t pages;
        std::vector<uint8_t> status;
    };
    for (const Row& row : {Row{0, 0, {0xC2}}, Row{2, 2, {0xC2}}, Row{5, 3, {0x80}}}) {
        ScannerEngine engine({.pages = 3, .failAfterPages = row.failAfter, .failStatus = 0xC2});
        send(engine, ScanCommand(smallJob("TEXT")).getXCommand());
        const Stream stream = parse(drain(engine));
        EXPECT_EQ(stream.pages.size(), row.pages) << row.failAfter;
        EXPECT_EQ(stream.statusBytes, row.status) << row.failAfter;
    }
}

TEST(PageStream, TinyBlocksEndEachPageWithAnEmptyTailBlock) {
    ScannerEngine engine({.pages = 1, .blockSize = 7});
    send(engine, ScanCommand(smallJob("TEXT", 64, 8)).getXCommand());
    const auto units = drain(engine);
    ASSERT_GE(units.size(), 3u);
    EXPECT_EQ(units[units.size() - 2].size(), 22u);  // header with L = 0, then the tail
    EXPECT_EQ(parse(units).pages.at(0).second.size(), 64u);
}

TEST(PageStream, UnreadableStartCommandGetsSyntaxErrorStatus) {
    ScannerEngine engine({});
    ScanParam bad = smallJob("GRAY256", 0, 0);
    send(engine, ScanCommand(bad).getXCommand());
    EXPECT_EQ(drain(engine), (std::vector<Bytes>{{0xD0}}));
}

TEST(Silence, NothingAfterTheScriptedNumberOfUnits) {
    ScannerEngine engine({.pages = 2, .blockSize = 256, .silentAfterUnits = 4});
    engine.greet();
    const ScanCommand command(smallJob("TEXT"));
    send(engine, toBytes(command.getDCommand() + command.getSCommand() + command.getICommand()));
    send(engine, command.getXCommand());
    EXPECT_EQ(drain(engine).size(), 4u);  // greeting and three replies
    EXPECT_FALSE(engine.nextUnit());
    EXPECT_EQ(engine.received().size(), 4u);  // still listening
}

TEST(Session, CommandsSplitAnywhereAreAnsweredOnceWhole) {
    ScannerEngine engine({});
    const Bytes d = toBytes(ScanCommand(smallJob("TEXT")).getDCommand());
    for (size_t i = 0; i + 1 < d.size(); ++i) {
        send(engine, Bytes{d[i]});
        EXPECT_FALSE(engine.nextUnit());
    }
    send(engine, Bytes{d.back()});
    EXPECT_EQ(engine.nextUnit(), Bytes{0x80});
    EXPECT_EQ(engine.received().at(0).raw, d);
}

}  // namespace
}  // namespace scandesk::emulator
