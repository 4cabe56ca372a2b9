// The virtual scanner's command reader: any client bytes in any split.
#include "emulator/command_reader.h"
#include "fuzz.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    emulator::CommandReader reader;
    Bytes fed, handedOut;
    for (const Bytes& piece : in.pieces(300)) {
        reader.feed(piece);
        fed.insert(fed.end(), piece.begin(), piece.end());
        while (auto command = reader.next()) {
            const char letter = command->letter;
            require(letter == 0 || letter == 'D' || letter == 'S' || letter == 'I' || letter == 'X',
                    "a command letter or stray bytes");
            require(!command->raw.empty(), "no empty command");
            if (letter == 'X') {
                (void)emulator::parseStartCommand(command->raw);
            }
            handedOut.insert(handedOut.end(), command->raw.begin(), command->raw.end());
        }
    }
    require(handedOut.size() + reader.pendingBytes() == fed.size(), "no byte lost or made up");
    require(std::equal(handedOut.begin(), handedOut.end(), fed.begin()), "bytes keep their order");
    return 0;
}
