// The command bytes, compared byte for byte.
#include "protocol/scan_command.h"

#include <gtest/gtest.h>

#include "support/captured_lines.h"

namespace scandesk {
namespace {

ScanParam grayA4() {
    ScanParam p;
    p.source = "AUTO";
    p.resolution = "200,200";
    p.mode = "GRAY256";
    p.type = "AUTO";
    p.compression = "JPEG";
    p.compressRatio = "MID";
    p.brightness = "50";
    p.contrast = "50";
    p.w = 1621;
    p.h = 2294;
    p.dpi = 200;
    p.duplex = "SIN";
    p.gamma = 1;
    p.combineType = "NoCombine";
    p.filePath = "/tmp/x/file";
    p.fileType = "JPEG";
    return p;
}

std::string text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(ShortCommands, EndWithLineFeedAndEncodedU0080) {
    ScanParam p = grayA4();
    p.source = "FB";
    ScanCommand command(p);
    EXPECT_EQ(command.getDCommand(), std::string("\x1B"
                                                 "D\nFB\n\xC2\x80"));
    EXPECT_EQ(command.getSCommand(), std::string("\x1B"
                                                 "S\nFB\n\xC2\x80"));
    EXPECT_EQ(command.getICommand(), std::string("\x1B"
                                                 "I\nR=200,200\nM=GRAY256\nD=SIN\n\xC2\x80"));
}

TEST(ShortCommands, DCommandLogsTheSource) {
    testing::CapturedLines lines;
    ScanCommand(grayA4()).getDCommand();
    EXPECT_TRUE(lines.contains("selected source = AUTO"));
}

TEST(XCommand, GrayExampleHasNoHighByteAndEndsAtIdCardLine) {
    testing::CapturedLines lines;
    const Bytes bytes = ScanCommand(grayA4()).getXCommand();
    const std::string expected =
        "\x1BX\nR=200,200\nM=GRAY256\nT=AUTO\nC=JPEG\nJ=MID\nB=50\nN=50\nA=0,0,1621,2294\n"
        "D=SIN\nIDCard=0\n";
    EXPECT_EQ(text(bytes), expected);
    EXPECT_TRUE(lines.contains("cmd = " + expected));
}

struct XLinesCase {
    std::string type;
    std::string combine;
    bool hasScreen;
    std::string expectedTail;  // from the T= line's value up to the end, without the A/D lines
    std::string expectedType;
};

class XCommandLines : public ::testing::TestWithParam<XLinesCase> {};

TEST_P(XCommandLines, TypeAndCombinationLines) {
    const auto& c = GetParam();
    ScanParam p = grayA4();
    p.mode = "CGRAY";
    p.type = c.type;
    p.combineType = c.combine;
    p.hasScreen = c.hasScreen;
    const std::string out = text(ScanCommand(p).getXCommand());
    EXPECT_NE(out.find("\nT=" + c.expectedType + "\n"), std::string::npos) << out;
    const auto tail = out.substr(out.find("D=SIN\n") + 6);
    EXPECT_EQ(tail, c.expectedTail);
    EXPECT_EQ(out.find('\x80'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, XCommandLines,
    ::testing::Values(XLinesCase{"TYPE", "NoCombine", true, "IDCard=0\n", "TEXT"},
                      XLinesCase{"TEXT", "NoCombine", true, "IDCard=0\n", "TEXT"},
                      XLinesCase{"PHOTO", "NoCombine", false, "IDCard=0\n", "PHOTO"},
                      XLinesCase{"AUTO", "IDCard", true, "Pages=2\nIDCard=1\n", "AUTO"},
                      XLinesCase{"AUTO", "IDCard", false, "IDCard=1\n", "AUTO"},
                      XLinesCase{"AUTO", "CombinVertical", true, "Pages=2\nIDCard=0\n", "AUTO"},
                      XLinesCase{"AUTO", "CombinHorizontal", false, "IDCard=0\n", "AUTO"}));

TEST(XCommand, TextModeAppendsIdentityGammaBlockAndSingleEndByte) {
    ScanParam p = grayA4();
    p.mode = "TEXT";
    p.compression = "BMP";
    p.fileType = "BMP";
    p.w = 1632;
    const Bytes bytes = ScanCommand(p).getXCommand();
    const std::string head =
        "\x1BX\nR=200,200\nM=TEXT\nT=AUTO\nC=BMP\nJ=MID\nB=50\nN=50\nA=0,0,1632,2294\n"
        "D=SIN\nIDCard=0\n";
    ASSERT_EQ(bytes.size(), head.size() + 5 + 256 + 1);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + static_cast<long>(head.size())), head);
    EXPECT_EQ(std::string(bytes.begin() + static_cast<long>(head.size()),
                          bytes.begin() + static_cast<long>(head.size()) + 5),
              "GAMA=");
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(bytes[head.size() + 5 + i], i);
    }
    EXPECT_EQ(bytes.back(), 0x80);
    EXPECT_NE(bytes[bytes.size() - 2], 0xC2);
}

TEST(XCommand, NegativeAndLargeIntegersInPlainDecimal) {
    ScanParam p = grayA4();
    p.x = -5;
    p.y = -12;
    p.w = 9728;
    p.h = 13764;
    const std::string out = text(ScanCommand(p).getXCommand());
    EXPECT_NE(out.find("\nA=-5,-12,9728,13764\n"), std::string::npos);
}

TEST(GammaTable, GammaTwoTruncates) {
    const auto table = gammaTable(2);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[64], 127);
    EXPECT_EQ(table[255], 255);
}

TEST(GammaTable, GammaBelowOneFallsBackToIdentity) {
    for (int64_t gamma : {0, -3}) {
        const auto table = gammaTable(gamma);
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(table[static_cast<size_t>(i)], i);
        }
    }
}

TEST(ScanCommandSharing, SourceRewriteIsSeenByLaterCommands) {
    auto command = std::make_shared<ScanCommand>(grayA4());
    command->param.source = "ADF";
    EXPECT_EQ(command->getSCommand(), std::string("\x1B"
                                                  "S\nADF\n\xC2\x80"));
}

}  // namespace
}  // namespace scandesk
