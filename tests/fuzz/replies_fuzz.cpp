// The scanner's replies: D, S, I and status bytes and the greeting, as both transports read them.
#include "fuzz.h"
#include "network/utf8_text.h"
#include "protocol/scanner_replies.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const uint8_t reply = data[i];
        for (const ScanSource source : allOptions<ScanSource>()) {
            const PaperCheck check = decodePaperReply(source, reply);
            require(check.failure || check.source != ScanSource::automatic,
                    "a good paper check settles the source");
        }
        const auto refused = decodeSourceReply(reply);
        require(!refused || *refused != ScanCode::completed, "a refused source is a failure");
        const ScanCode status = statusCode(reply);
        require(status <= kLastScanCode && !alertKey(status).empty(), "every status has a key");
        require((status == ScanCode::completed) == (reply == kScanFinished),
                "only 0x80 ends a job well");
    }
    // The greeting: the first four bytes of the reply, text or not.
    const auto greeting = decodeUtf8(std::span(data, std::min<size_t>(size, 4)));
    require(!greeting || greeting->size() <= 4 * 4, "a decoded greeting stays small");
    return 0;
}
