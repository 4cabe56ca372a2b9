// Writes the seed corpora of the fuzz targets from the virtual scanner's real traffic:
// `fuzz_seeds DIR` fills DIR/<target>/ with a few small inputs each.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "emulator/command_reader.h"
#include "emulator/job_params.h"
#include "emulator/page_image.h"
#include "emulator/scanner_engine.h"
#include "protocol/scan_command.h"
#include "support/page_packets.h"

using namespace scandesk;

namespace {

namespace fs = std::filesystem;

// The front of an input as `fuzzJob` reads it: mode, w - 1, h - 1, file type (TEXT
// only), rotation.
Bytes jobHeader(int mode, int w, int h, int rotateSteps) {
    Bytes header{static_cast<uint8_t>(mode), 0, static_cast<uint8_t>(w - 1), 0,
                 static_cast<uint8_t>(h - 1)};
    if (mode == 0) {
        header.push_back(0);  // JPEG pages, so that the PDF path is reached too
    }
    header.push_back(static_cast<uint8_t>(rotateSteps));
    return header;
}

// How `FuzzInput::pieces` cuts the rest: a count, then the lengths.
Bytes pieceLengths(const std::vector<size_t>& lengths) {
    Bytes bytes{0, static_cast<uint8_t>(lengths.size())};
    for (size_t length : lengths) {
        bytes.push_back(static_cast<uint8_t>((length - 1) >> 8));
        bytes.push_back(static_cast<uint8_t>(length - 1));
    }
    return bytes;
}

void write(const fs::path& dir, const std::string& name, const std::vector<Bytes>& parts) {
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    for (const Bytes& part : parts) {
        out.write(reinterpret_cast<const char*>(part.data()), static_cast<long>(part.size()));
    }
}

const char* const kModes[] = {"TEXT", "GRAY256", "CGRAY"};

// The page stream the virtual scanner sends for a job, after the X command.
Bytes tcpStream(const ScanParam& param, const emulator::ScannerScript& script) {
    emulator::ScannerEngine engine(script);
    engine.receive(ScanCommand(param).getXCommand());
    Bytes stream;
    while (auto unit = engine.nextUnit()) {
        stream.insert(stream.end(), unit->begin(), unit->end());
    }
    return stream;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path root(argv[1]);
    for (int mode = 0; mode < 3; ++mode) {
        const ScanParam param = emulator::test::smallJob(kModes[mode], 40, 30);
        emulator::ScannerScript script;
        script.pages = 2;
        script.blockSize = 100;
        const std::string name = kModes[mode];
        write(root / "tcp_stream", name,
              {jobHeader(mode, 40, 30, 0), pieceLengths({}), tcpStream(param, script)});
        script.failAfterPages = 1;
        write(root / "tcp_stream", name + "-jam",
              {jobHeader(mode, 40, 30, 1), pieceLengths({1, 7}), tcpStream(param, script)});

        // USB: the same pages as packets of the USB framing, one read each.
        emulator::JobRequest job{};
        job.mode = kModes[mode];
        job.w = 40;
        job.h = 30;
        job.dpi = 300;
        std::iota(job.gamma.begin(), job.gamma.end(), 0);
        std::vector<Bytes> packets;
        for (uint16_t page = 1; page <= 2; ++page) {
            const Bytes data = *emulator::renderPage(job, page);
            const size_t half = data.size() / 2;
            packets.push_back(testing::pagePacket(page, Bytes(data.begin(), data.begin() + half)));
            packets.push_back(testing::pageTail(page, Bytes(data.begin() + half, data.end())));
        }
        packets.push_back({0x80});
        std::vector<size_t> lengths;
        for (const Bytes& packet : packets) {
            lengths.push_back(packet.size());
        }
        std::vector<Bytes> usb{jobHeader(mode, 40, 30, 2), pieceLengths(lengths)};
        usb.insert(usb.end(), packets.begin(), packets.end());
        write(root / "usb_stream", name, usb);

        // Pages to save, combine and assemble: two whole pages.
        const Bytes first = *emulator::renderPage(job, 1), second = *emulator::renderPage(job, 2);
        write(root / "page", name,
              {jobHeader(mode, 40, 30, 3), Bytes{1, 1}, pieceLengths({first.size(), second.size()}),
               first, second});

        // The host's commands of a whole job, in small pieces.
        const ScanCommand command(param);
        write(root / "command_reader", name,
              {pieceLengths({1, 5, 64}), toBytes(command.getDCommand()),
               toBytes(command.getSCommand()), toBytes(command.getICommand()),
               command.getXCommand()});
    }
    Bytes allBytes(256);
    for (size_t i = 0; i < allBytes.size(); ++i) {
        allBytes[i] = static_cast<uint8_t>(i);
    }
    write(root / "replies", "all-bytes", {allBytes, toBytes("0001")});
    const std::string args[] = {std::string("scan\0--net\0"
                                            "192.0.2.7\0--model\0Tessel T3\0--format\0pdf",
                                            48),
                                std::string("scan\0--usb\0--mode\0TEXT\0--rotate\0"
                                            "90\0--combine\0IDCard",
                                            51),
                                std::string("list\0--json", 11)};
    for (size_t i = 0; i < std::size(args); ++i) {
        write(root / "cli_arguments", "args-" + std::to_string(i), {toBytes(args[i])});
    }
    // An agent at 192.0.2.9 answering sysObjectID with a catalogue identifier.
    Bytes snmp{1, 192, 0, 2, 9, 1, 0};
    snmp.push_back(0);  // the variable type: an object identifier
    const std::vector<uint64_t> id{1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 52};
    snmp.push_back(0);
    snmp.push_back(static_cast<uint8_t>(id.size() * sizeof(uint64_t)));
    for (uint64_t part : id) {
        for (size_t b = 0; b < sizeof(part); ++b) {
            snmp.push_back(static_cast<uint8_t>(part >> (8 * b)));
        }
    }
    write(root / "snmp_answer", "catalogue-answer", {snmp});
    return 0;
}
