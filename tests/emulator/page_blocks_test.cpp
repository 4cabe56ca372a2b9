// Page framing: header layout, block lengths and the unit sizes a USB host can read.
#include "emulator/page_blocks.h"

#include <gtest/gtest.h>

#include <numeric>

namespace scandesk::emulator {
namespace {

uint16_t field16(const Bytes& unit, size_t at) {
    return static_cast<uint16_t>(unit[at] | (unit[at + 1] << 8));
}

TEST(BlockHeader, PageNumberAtThreeAndLengthAtTenLittleEndian) {
    const Bytes header = blockHeader(0x42, 0x0102, 0xA0B0);
    EXPECT_EQ(header, (Bytes{0x42, 0, 0, 0x02, 0x01, 0, 0, 0, 0, 0, 0xB0, 0xA0}));
    const Bytes tail = pageTail(7);
    EXPECT_EQ(tail.size(), 10u);
    EXPECT_EQ(tail[0], 0x82);
    EXPECT_EQ(field16(tail, 3), 7);
}

struct LengthsCase {
    size_t pageSize;
    size_t blockSize;
    std::vector<size_t> expected;
};

class BlockLengths : public ::testing::TestWithParam<LengthsCase> {};

TEST_P(BlockLengths, CoverThePageWithinTheirLimits) {
    const auto& c = GetParam();
    const auto lengths = blockLengths(c.pageSize, c.blockSize);
    EXPECT_EQ(lengths, c.expected);
    EXPECT_EQ(std::accumulate(lengths.begin(), lengths.end(), size_t{0}), c.pageSize);
    for (size_t i = 0; i < lengths.size(); ++i) {
        EXPECT_LE(lengths[i], c.blockSize);
    }
    // The last unit (block + tail) is never longer than a full data unit.
    EXPECT_LE(lengths.back() + kPageTailSize, std::max(c.blockSize, kPageTailSize));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlockLengths,
    ::testing::Values(LengthsCase{1000, 4096, {1000}}, LengthsCase{4096, 4096, {2048, 2048}},
                      LengthsCase{10000, 4096, {4096, 4096, 1808}},
                      LengthsCase{8190, 4096, {4096, 2047, 2047}}, LengthsCase{0, 4096, {0}},
                      LengthsCase{25, 10, {10, 10, 5, 0}}, LengthsCase{20, 10, {10, 10, 0}},
                      LengthsCase{7, 1, {1, 1, 1, 1, 1, 1, 1, 0}}, LengthsCase{12, 12, {10, 2}}));

TEST(PageUnits, ConcatenatedPayloadsAreThePageAndOnlyTheLastUnitHasTheTail) {
    Bytes page(10000);
    std::iota(page.begin(), page.end(), uint8_t{0});
    PageUnits units(page, 3, 4096);
    Bytes payload;
    std::vector<Bytes> all;
    while (auto unit = units.next()) {
        all.push_back(*unit);
    }
    ASSERT_EQ(all.size(), 3u);
    for (size_t i = 0; i < all.size(); ++i) {
        const Bytes& unit = all[i];
        const size_t length = field16(unit, 10);
        EXPECT_EQ(unit[0], i == 0 ? kFirstBlockType : kNextBlockType);
        EXPECT_EQ(field16(unit, 3), 3);
        const bool last = i + 1 == all.size();
        ASSERT_EQ(unit.size(), kBlockHeaderSize + length + (last ? kPageTailSize : 0));
        payload.insert(payload.end(), unit.begin() + 12, unit.begin() + 12 + length);
        if (last) {
            EXPECT_EQ(unit[12 + length], kPageEndMark);
        }
    }
    EXPECT_EQ(payload, page);
    EXPECT_TRUE(units.done());
}

}  // namespace
}  // namespace scandesk::emulator
