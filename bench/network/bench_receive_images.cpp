// Throughput of receiveImages on loopback against a plain recv loop draining the same bytes.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <thread>

#include "common/diagnostics.h"
#include "emulator/job_params.h"
#include "emulator/scanner_engine.h"
#include "network/tcp_communicator.h"
#include "network/unique_fd.h"

namespace scandesk {
namespace {

constexpr int kPages = 16;

// A 300-dpi A4 page in black and white: the job the stream is generated for.
ScanParam textA4() {
    return emulator::test::smallJob("TEXT", 2480, 3508, "ADF");
}

// The virtual scanner's whole page stream for the job, generated once.
const Bytes& pageStream() {
    static const Bytes stream = [] {
        emulator::ScannerScript script;
        script.pages = kPages;
        emulator::ScannerEngine engine(script);
        engine.receive(ScanCommand(textA4()).getXCommand());
        Bytes all;
        while (auto unit = engine.nextUnit()) {
            all.insert(all.end(), unit->begin(), unit->end());
        }
        return all;
    }();
    return stream;
}

// Listens on loopback and writes the stream to each of `connections` clients.
class StreamServer {
  public:
    explicit StreamServer(int connections) {
        listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
        ::listen(listener_.get(), 4);
        socklen_t length = sizeof(address);
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, connections] {
            for (int i = 0; i < connections; ++i) {
                UniqueFd client(::accept(listener_.get(), nullptr, nullptr));
                const Bytes& stream = pageStream();
                size_t at = 0;
                while (at < stream.size()) {
                    const ssize_t n =
                        ::send(client.get(), stream.data() + at, stream.size() - at, MSG_NOSIGNAL);
                    if (n <= 0) {
                        break;
                    }
                    at += static_cast<size_t>(n);
                }
                char byte;
                [[maybe_unused]] auto closed = ::recv(client.get(), &byte, 1, 0);
            }
        });
    }
    ~StreamServer() { thread_.join(); }
    uint16_t port() const { return port_; }

  private:
    UniqueFd listener_;
    uint16_t port_ = 0;
    std::thread thread_;
};

void BM_ReceiveImages(benchmark::State& state) {
    ScopedDiagnosticSink quiet{LineSink{}};
    const ScanParam param = textA4();
    StreamServer server(static_cast<int>(state.max_iterations));
    int pages = 0;
    const PageSink sink = [&](int, const Bytes& data) -> std::optional<std::string> {
        benchmark::DoNotOptimize(data.data());
        ++pages;
        return std::nullopt;
    };
    for (auto _ : state) {
        TCPCommunicator communicator("127.0.0.1", server.port());
        communicator.connect();
        const ScanOutcome result = communicator.receiveImages(param, sink);
        communicator.disconnect();
        if (!result.succeeded() || result.pagesStored != kPages) {
            state.SkipWithError("the page stream was not received whole");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pageStream().size()));
}

void BM_PlainRecvLoop(benchmark::State& state) {
    StreamServer server(static_cast<int>(state.max_iterations));
    Bytes buffer(40960);
    for (auto _ : state) {
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
        size_t total = 0;
        while (total < pageStream().size()) {
            const ssize_t n = ::recv(fd.get(), buffer.data(), buffer.size(), 0);
            if (n <= 0) {
                break;
            }
            total += static_cast<size_t>(n);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pageStream().size()));
}

// Fixed iteration counts: each iteration is one connection the server must serve.
// Medians of several runs, since loopback throughput varies with the machine's load.
BENCHMARK(BM_ReceiveImages)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRecvLoop)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scandesk

BENCHMARK_MAIN();
