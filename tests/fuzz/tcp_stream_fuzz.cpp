// The TCP page stream after the greeting: any bytes in any split, stored into a folder.
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "fuzz.h"
#include "imaging/save_images.h"
#include "network/page_stream_receiver.h"
#include "network/unique_fd.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    testing::TempDir dir;
    const FuzzJob job = fuzzJob(in, dir);
    const std::vector<Bytes> pieces = in.pieces(512);

    int fds[2];
    require(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0, "a socket pair");
    UniqueFd reader(fds[0]), writer(fds[1]);
    std::thread peer([&writer, &pieces] {
        for (const Bytes& piece : pieces) {
            if (::send(writer.get(), piece.data(), piece.size(), MSG_NOSIGNAL) < 0) {
                break;
            }
        }
        writer.reset();  // the scanner closes the connection
    });

    using namespace std::chrono_literals;
    const CommunicatorLimits limits{
        .settleDelay = 0ms, .replyTimeout = 500ms, .pageTimeout = 500ms, .statusGrace = 1ms};
    int stored = 0;
    const PageSink sink = [&stored, save = job.sink()](int pageNo, const Bytes& page) {
        SaveError error = save(pageNo, page);
        stored += error ? 0 : 1;
        return error;
    };
    const ScanOutcome outcome = PageStreamReceiver(reader.get(), limits, job.param, sink, {}).run();
    reader.reset();  // a peer still writing sees the end
    peer.join();

    require(outcome.code <= kLastScanCode, "a known outcome code");
    require(outcome.pagesStored == stored, "the outcome counts the pages the sink stored");
    requireStoredPages(dir, outcome.pagesStored);
    return 0;
}
