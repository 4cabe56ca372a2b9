// The command bytes, byte for byte, and what the scanner's reply bytes mean.
#include <gtest/gtest.h>

#include <functional>

#include "protocol/page_framing.h"
#include "protocol/scan_command.h"
#include "protocol/scanner_replies.h"

namespace scandesk {
namespace {

ScanParam grayA4() {
    ScanParam p;
    p.source = ScanSource::automatic;
    p.dpi = 200;
    p.mode = ColorMode::gray;
    p.content = ContentType::automatic;
    p.w = 1621;
    p.h = 2294;
    p.combine = CombineType::none;
    return p;
}

std::string sent(const ScanCommand& command, char letter) {
    switch (letter) {
        case 'D':
            return command.getDCommand();
        case 'S':
            return command.getSCommand();
        case 'I':
            return command.getICommand();
        default:
            const Bytes x = command.getXCommand();
            return std::string(x.begin(), x.end());
    }
}

std::string identityGamma() {
    std::string table;
    for (int i = 0; i < 256; ++i) {
        table += static_cast<char>(i);
    }
    return table;
}

struct CommandRow {
    const char* name;
    char letter;
    std::function<void(ScanParam&)> change;
    std::string expected;
};

// D, S and I close with a line feed and U+0080 in UTF-8; X ends after its last line, or
// in TEXT mode after the gamma block and one 0x80 byte.
TEST(ScanCommand, BytesOfEachCommand) {
    const std::vector<CommandRow> rows{
        {"D", 'D', [](ScanParam& p) { p.source = ScanSource::flatbed; }, "\033D\nFB\n\xC2\x80"},
        {"S", 'S', [](ScanParam& p) { p.source = ScanSource::feeder; }, "\x1BS\nADF\n\xC2\x80"},
        {"I", 'I', [](ScanParam&) {}, "\x1BI\nR=200,200\nM=GRAY256\nD=SIN\n\xC2\x80"},
        {"X grey", 'X', [](ScanParam&) {},
         "\x1BX\nR=200,200\nM=GRAY256\nT=AUTO\nC=JPEG\nJ=MID\nB=50\nN=50\nA=0,0,1621,2294\n"
         "D=SIN\nIDCard=0\n"},
        {"X two pages on a screen model", 'X',
         [](ScanParam& p) {
             p.content = ContentType::text;
             p.combine = CombineType::vertical;
             p.hasScreen = true;
             p.x = -5;
         },
         "\x1BX\nR=200,200\nM=GRAY256\nT=TEXT\nC=JPEG\nJ=MID\nB=50\nN=50\nA=-5,0,1621,2294\n"
         "D=SIN\nPages=2\nIDCard=0\n"},
        {"X ID card", 'X', [](ScanParam& p) { p.combine = CombineType::idCard; },
         "\x1BX\nR=200,200\nM=GRAY256\nT=AUTO\nC=JPEG\nJ=MID\nB=50\nN=50\nA=0,0,1621,2294\n"
         "D=SIN\nIDCard=1\n"},
        {"X text", 'X',
         [](ScanParam& p) {
             p.mode = ColorMode::blackWhite;
             p.dpi = 300;
             p.content = ContentType::photo;
         },
         "\x1BX\nR=300,300\nM=TEXT\nT=PHOTO\nC=BMP\nJ=MID\nB=50\nN=50\nA=0,0,1621,2294\n"
         "D=SIN\nIDCard=0\nGAMA=" +
             identityGamma() + "\x80"},
    };
    for (const CommandRow& row : rows) {
        ScanParam param = grayA4();
        row.change(param);
        EXPECT_EQ(sent(ScanCommand(param), row.letter), row.expected) << row.name;
    }
}

TEST(ScanCommand, GammaTableTruncatesAndClampsBelowOne) {
    const auto two = gammaTable(2);
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[64], 127);
    EXPECT_EQ(two[255], 255);
    const auto zero = gammaTable(0);
    EXPECT_EQ(std::string(zero.begin(), zero.end()), identityGamma());
}

struct ReplyRow {
    std::string source;
    uint8_t byte;
    // The byte as D reply for the source, as S reply, and as status byte at a job's end.
    std::string paperSource;
    std::optional<ScanCode> paperFailure;
    std::optional<ScanCode> sourceFailure;
    ScanCode status;
};

TEST(ScannerReplies, ByteMeanings) {
    const std::vector<ReplyRow> rows{
        {"AUTO", 0x80, "ADF", std::nullopt, std::nullopt, ScanCode::completed},
        {"ADF", 0x80, "ADF", std::nullopt, std::nullopt, ScanCode::completed},
        {"AUTO", 0xC2, "FB", std::nullopt, ScanCode::unexpectError, ScanCode::noPaperInADF},
        {"ADF", 0xC2, "ADF", ScanCode::noPaperInADF, ScanCode::unexpectError,
         ScanCode::noPaperInADF},
        {"ADF", 0xC3, "ADF", ScanCode::unexpectError, ScanCode::unexpectError,
         ScanCode::paperJunck},
        {"ADF", 0xC4, "ADF", ScanCode::cannotChekPaperSource, ScanCode::unexpectError,
         ScanCode::upperDoorOpen},
        {"ADF", 0xD0, "ADF", ScanCode::paperSourceNotExist, ScanCode::paperSourceNotExist,
         ScanCode::commandXSyntaxError},
        {"AUTO", 0x42, "AUTO", ScanCode::unexpectError, ScanCode::unexpectError,
         ScanCode::unknownScanStatus},
    };
    for (const ReplyRow& row : rows) {
        const PaperCheck paper =
            decodePaperReply(parseOption<ScanSource>(row.source).value(), row.byte);
        EXPECT_EQ(toText(paper.source), row.paperSource) << row.source << " " << int(row.byte);
        EXPECT_EQ(paper.failure, row.paperFailure) << row.source << " " << int(row.byte);
        EXPECT_EQ(decodeSourceReply(row.byte), row.sourceFailure) << int(row.byte);
        EXPECT_EQ(statusCode(row.byte), row.status) << int(row.byte);
    }
    EXPECT_FALSE(needsPaperCheck(ScanSource::flatbed));
    EXPECT_TRUE(needsPaperCheck(ScanSource::automatic) && needsPaperCheck(ScanSource::feeder));
}

// The frames as the scanner writes them; both transports and the virtual scanner use them.
TEST(PageFraming, HeadersAndPageEndRecordsOnTheWire) {
    const Bytes header = blockHeader(kNextBlockType, 0x0102, 0x3456);
    EXPECT_EQ(header, (Bytes{0x64, 0, 0, 0x02, 0x01, 0, 0, 0, 0, 0, 0x56, 0x34}));
    EXPECT_EQ(std::pair(blockLength(header), framePageNumber(header)),
              std::pair(uint16_t{0x3456}, uint16_t{0x0102}));
    const Bytes end = pageEndRecord(7);
    EXPECT_EQ(end, (Bytes{0x82, 0, 0, 7, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(framePageNumber(end), 7);
    for (const auto& [byte, block, frame] : {std::tuple{0x42, true, true},
                                             {0x64, true, true},
                                             {0x82, false, true},
                                             {0x80, false, false}}) {
        EXPECT_EQ(isBlockType(static_cast<uint8_t>(byte)), block) << byte;
        EXPECT_EQ(startsFrame(static_cast<uint8_t>(byte)), frame) << byte;
    }
}

// The size caps of received pages rest on it.
TEST(ExpectedPageSize, OneBitRowsRoundUpToWholeBytes) {
    struct Row {
        const char* mode;
        int64_t w, h, bytes;
    };
    for (const Row& row :
         {Row{"TEXT", 1632, 2294, 204 * 2294}, Row{"TEXT", 1621, 3, 203 * 3},
          Row{"GRAY256", 1621, 2294, 1621 * 2294}, Row{"CGRAY", 9728, 13764, 9728LL * 13764},
          Row{"TEXT", -8, 10, 0}, Row{"GRAY256", 10, -1, 0}}) {
        ScanParam p;
        p.mode = parseOption<ColorMode>(row.mode).value();
        p.w = row.w;
        p.h = row.h;
        EXPECT_EQ(expectedPageSize(p), row.bytes) << row.mode << " " << row.w << "x" << row.h;
    }
}

}  // namespace
}  // namespace scandesk
