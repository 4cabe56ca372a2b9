// The socket library's low layer for TCP: plain functions over IPv4 stream sockets.
//
// Descriptors are plain ints and negative results are errors. Time limits are whole
// seconds. Address outputs go into caller buffers of kAddressTextSize zero-filled bytes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace scandesk {

/// Size of the buffers the address outputs are written into (dotted text and a NUL).
inline constexpr size_t kAddressTextSize = 16;

/// How `tcpsocket_pull` waits for data that has not come yet: up to `maxTries` - 1
/// empty reads, each followed by a wait of `pause` (cut short when data arrives).
struct PullPacing {
    int maxTries = 30;
    std::chrono::milliseconds pause{1000};
};

/// Connects to `host`:`port` within `timeout` seconds. -1 unresolvable host, -2 error,
/// -3 time-out, -4 the connection failed (pending socket error); else the descriptor,
/// left non-blocking.
int tcpsocket_connect(const char* host, int port, int timeout);
/// Closes the descriptor.
int tcpsocket_close(int fd);
/// A send that cannot make progress for this long has failed.
inline constexpr std::chrono::milliseconds kSendStallTimeout{30'000};

/// Writes all `length` bytes, waiting at most `stallTimeout` whenever the peer takes none;
/// -1 when a write fails or stalls, else the count.
int tcpsocket_send(int fd, const uint8_t* data, int length,
                   std::chrono::milliseconds stallTimeout = kSendStallTimeout);
/// Reads up to `length` bytes. With `timeout` >= 1 first waits that many seconds for
/// data and returns 0 (time-out) or -1 (error) if none comes. Then reads until `length`
/// bytes are in or a read comes back empty, returning the total; while nothing has come
/// it keeps trying as `pacing` says and returns 0 when it gives up. End of stream ends it
/// at once.
int tcpsocket_pull(int fd, uint8_t* buffer, int length, int timeout, PullPacing pacing = {});
/// Bytes ready to read, or a negative error.
int tcpsocket_bytes_available(int fd);
/// Makes the descriptor blocking when `on` is non-zero, non-blocking otherwise.
int tcpsocket_set_block(int fd, int on);
/// A listening socket on `address`:`port` (backlog 128); -1 bind failure, -2 listen failure.
int tcpsocket_listen(const char* address, int port);
/// Accepts one connection, waiting `timeout` seconds (< 1: without limit); stores the
/// peer's dotted address and port (host byte order). -1 when none came or on failure.
int tcpsocket_accept(int fd, char* remoteAddress, int* remotePort, int timeout);
/// The local port of the socket, -1 on failure.
int tcpsocket_port(int fd);

}  // namespace scandesk
