// The USB page stream: packets of any length through the interface seam, page after page.
#include "fuzz.h"
#include "imaging/save_images.h"
#include "usb/page_stream.h"
#include "usb/support/fake_interface_link.h"
#include "usb/usb_interface.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    testing::TempDir dir;
    const FuzzJob job = fuzzJob(in, dir);
    auto link = std::make_unique<testing::FakeInterfaceLink>();
    for (Bytes& piece : in.pieces(2048)) {
        // Every seventh length stands for a read that failed after delivering its bytes.
        const IOReturn code = piece.size() % 7 == 0 ? kIOReturnIOError : success;
        link->reads.push_back({code, std::move(piece)});
    }
    UsbInterface interface(std::move(link));

    int stored = 0;
    while (true) {
        const PageReadResult page = readImages(interface, 1, job.param, stored + 1, job.sink(),
                                               std::chrono::milliseconds(1));
        if (page.isFinished) {
            require(page.code <= kLastScanCode, "a known outcome code");
            break;
        }
        require(page.pageNo == stored + 1, "pages are stored in turn");
        ++stored;
    }
    requireStoredPages(dir, stored);
    return 0;
}
